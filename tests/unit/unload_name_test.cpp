// Date, weekday and folder sequences in the unload file name, on fixed dates.
#include <windows.h>

#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "run/unload_name.h"
#include "run/unload_pruning.h"
#include "settings/run_settings.h"

namespace {

// weekday: 0 for Sunday to 6 for Saturday, as in struct tm.
std::tm Date(int year, int month, int day, int weekday) {
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_wday = weekday;
    date.tm_hour = 12;
    return date;
}

const std::tm Monday7December2026 = Date(2026, 12, 7, 1);
const std::tm Sunday6December2026 = Date(2026, 12, 6, 0);

TEST(UnloadName, HelpExample) {
    EXPECT_EQ(ExpandUnloadPattern("C:\\unload\\?F?YY-?MM-?DD", "D:\\Bases\\Trade", Monday7December2026),
              "c:\\unload\\Trade26-12-07");
}

TEST(UnloadName, LongYearBeforeShortYear) {
    EXPECT_EQ(ExpandUnloadPattern("?YYYY_?yy", "", Monday7December2026), "2026_26");
    EXPECT_EQ(ExpandUnloadPattern("?yyy", "", Monday7December2026), "26y");
    EXPECT_EQ(ExpandUnloadPattern("?yyyyy", "", Monday7December2026), "2026y");
    EXPECT_EQ(ExpandUnloadPattern("?YY", "", Date(2005, 3, 9, 3)), "05") << "leading zero";
}

TEST(UnloadName, EverySequenceInAnyCase) {
    EXPECT_EQ(ExpandUnloadPattern("X?dD?Mm?yYyY?w?F.ZIP", "C:\\1C\\Base", Date(2005, 3, 9, 3)),
              "x090320053Base.zip");
    EXPECT_EQ(ExpandUnloadPattern("?dd?dd?mm", "", Date(1999, 1, 31, 0)), "313101");
}

TEST(UnloadName, WeekdayRunsFromMondayOneToSundaySeven) {
    EXPECT_EQ(ExpandUnloadPattern("?W", "", Monday7December2026), "1");
    EXPECT_EQ(ExpandUnloadPattern("?W", "", Sunday6December2026), "7");
    EXPECT_EQ(ExpandUnloadPattern("?w", "", Date(2026, 12, 12, 6)), "6");
    EXPECT_EQ(ExpandUnloadPattern("?w", "", Date(2005, 3, 9, 3)), "3");
}

TEST(UnloadName, FolderNameFromTheBasePath) {
    const std::tm& day = Monday7December2026;
    EXPECT_EQ(ExpandUnloadPattern("?f", "D:\\Bases\\Trade", day), "Trade");
    EXPECT_EQ(ExpandUnloadPattern("?f", "D:\\Bases\\Trade\\", day), "Trade");
    EXPECT_EQ(ExpandUnloadPattern("[?f]", "D:\\Bases\\Trade\\\\", day), "[]");
    EXPECT_EQ(ExpandUnloadPattern("?f", "C:\\", day), "C:");
    EXPECT_EQ(ExpandUnloadPattern("?f", "Торговля", day), "Торговля");
    EXPECT_EQ(ExpandUnloadPattern("?f", "", day), "");
    EXPECT_EQ(ExpandUnloadPattern("?f-?f", "D:\\Базы\\Склад ООО", day), "Склад ООО-Склад ООО");
}

TEST(UnloadName, InsertedTextIsNotScannedAgain) {
    // The scan goes on after each inserted text, so a step never matches its own insertion.
    EXPECT_EQ(ExpandUnloadPattern("?f?F", "D:\\?f", Monday7December2026), "?f?f");
}

TEST(UnloadName, NameWithoutSequencesIsStillLowerCased) {
    EXPECT_EQ(ExpandUnloadPattern("D:\\ВЫГРУЗКА\\Торговля.ZIP", "C:\\B", Monday7December2026),
              "d:\\выгрузка\\торговля.zip");
    EXPECT_EQ(ExpandUnloadPattern("ЁЇ?", "", Monday7December2026), "ёї?");
    EXPECT_EQ(ExpandUnloadPattern("", "C:\\B", Monday7December2026), "");
}

TEST(UnloadName, LogNameKeepsItsLetterCase) {
    EXPECT_EQ(ExpandLogPattern("D:\\Logs\\?F-?YYYY-?mm_?Dd.LOG", "C:\\Bases\\Trade", Monday7December2026),
              "D:\\Logs\\Trade-2026-12_07.LOG");
    EXPECT_EQ(ExpandLogPattern("Журнал ?yY ?W", "", Sunday6December2026), "Журнал 26 7");
}

// Under Task Scheduler the current folder is the system's: a relative log lives beside the
// program. NUL and NULL are no log at all.
TEST(UnloadName, LogNameRelativeToTheProgramsFolderAndNulIsNone) {
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::string folder(program, length);
    folder.resize(folder.find_last_of('\\') + 1);
    Settings.BasePath = "C:\\Bases\\Trade";
    Settings.LogFile = "logs\\?F.Log";
    EXPECT_EQ(ExpandedLogName(), folder + "logs\\Trade.Log");
    for (const char* absolute : {"D:\\Logs\\", "\\\\server\\logs\\", "\\logs\\", "D:"}) {
        Settings.LogFile = absolute + std::string("?F.log");
        EXPECT_EQ(ExpandedLogName(), absolute + std::string("Trade.log"));
    }
    for (const char* none : {"", "NUL", "nul", "Null", "NULL"}) {
        Settings.LogFile = none;
        EXPECT_EQ(ExpandedLogName(), "") << none;
    }
    Settings = RunSettings{};
}

TEST(UnloadName, ExpandsTheSettingsFromTheClock) {
    std::time_t before = std::time(nullptr);
    Settings.BasePath = "C:\\Bases\\Main";
    Settings.DownloadTo = "E:\\Unload\\?F_?YYYY.ZIP";
    ExpandUnloadName();
    std::time_t after = std::time(nullptr);
    char year[8];
    std::strftime(year, sizeof year, "%Y", std::localtime(&before));
    std::string expectedBefore = std::string("e:\\unload\\Main_") + year + ".zip";
    std::strftime(year, sizeof year, "%Y", std::localtime(&after));
    std::string expectedAfter = std::string("e:\\unload\\Main_") + year + ".zip";
    EXPECT_TRUE(Settings.DownloadTo == expectedBefore || Settings.DownloadTo == expectedAfter)
        << Settings.DownloadTo;
    EXPECT_EQ(Settings.BasePath, "C:\\Bases\\Main");
}

// KeepUnloads: only whole long names the pattern gives, in any letter case, count as its
// unloads; look-alikes and short names never.
TEST(UnloadName, ShapeMatchesWhatThePatternGivesAndNothingElse) {
    const UnloadNameShape shape = ShapeOfUnloadName("D:\\Выгрузка\\?F-?YYYY-?MM-?DD.ZIP", "C:\\Базы\\Торговля");
    EXPECT_FALSE(shape.folderVaries);
    for (const char* name : {"Торговля-2026-12-01.zip", "ТОРГОВЛЯ-1999-01-31.Zip", "торговля-0000-99-99.zip"})
        EXPECT_TRUE(MatchesUnloadName(shape, name)) << name;
    for (const char* name : {"Торговля-2026-12-01.zip_old", "Торговля-2026-12-01.zip.bak", "Торговля-2026-12-1.zip",
                             "Склад-2026-12-01.zip", "Торговля-2026-12-0?.zip", "Торговля-2026-1a-01.zip", "ТОРГОВ~1.ZIP",
                             ""})
        EXPECT_FALSE(MatchesUnloadName(shape, name)) << name;
    // "u01 .zip" is "U01~1.ZIP" in 8.3: only its long name is ever matched.
    EXPECT_FALSE(MatchesUnloadName(ShapeOfUnloadName("u?DD~1.zip", ""), "u01 .zip"));

    const UnloadNameShape week = ShapeOfUnloadName("?F-?W.zip", "D:\\Bases\\Trade\\");
    for (char day = '0'; day <= '9'; ++day)
        EXPECT_EQ(MatchesUnloadName(week, std::string("trade-") + day + ".zip"), day >= '1' && day <= '7') << day;
    const char every[] = "X?yyyy?yy?dd?mm?w?f?yyy.?F";
    const UnloadNameShape all = ShapeOfUnloadName(every, "C:\\1C\\Base");
    for (const std::tm& date : {Monday7December2026, Sunday6December2026, Date(2005, 3, 9, 3)})
        EXPECT_TRUE(MatchesUnloadName(all, ExpandUnloadPattern(every, "C:\\1C\\Base", date)));
}

// Older unloads lie in other folders when the folder has a sequence: nothing is pruned.
TEST(UnloadName, ShapeKnowsAFolderThatVaries) {
    for (const char* pattern : {"D:\\?YYYY\\?F.zip", "D:\\Выгрузка\\?F\\?DD.zip", "?W\\a.zip", "D:\\x?mm/a.zip"})
        EXPECT_TRUE(ShapeOfUnloadName(pattern, "C:\\B\\Trade").folderVaries) << pattern;
    for (const char* pattern : {"D:\\Выгрузка\\?F?DD.zip", "?DD.zip", "D:?F.zip", "\\\\server\\share\\?F.zip"})
        EXPECT_FALSE(ShapeOfUnloadName(pattern, "C:\\B\\Trade").folderVaries) << pattern;
    EXPECT_TRUE(ShapeOfUnloadName("D:\\u\\?F.zip", "C:\\B\\x/y").folderVaries) << "a \"/\" in the folder name";
}

TEST(UnloadName, OldUnloadsBeyondTheNewestKeptTonightsAlwaysAmongThem) {
    UnloadSet set;
    set.tonight = "base-2026-12-09.zip";
    // Newest first, as listed; tonight's (another letter case) not the newest by its time.
    set.unloads = {{"base-2026-12-08.zip", true, 1, 8}, {"BASE-2026-12-09.ZIP", true, 1, 7},
                   {"base-2026-12-07.zip", true, 1, 6}, {"base-2026-12-06.zip", true, 1, 5}};
    auto beyond = [&](int keep) {
        std::string names;
        for (const FolderEntry& unload : UnloadsBeyond(set, keep)) names += unload.name + " ";
        return names;
    };
    EXPECT_EQ(beyond(0), "");
    EXPECT_EQ(beyond(1), "base-2026-12-06.zip base-2026-12-07.zip base-2026-12-08.zip ");
    EXPECT_EQ(beyond(2), "base-2026-12-06.zip base-2026-12-07.zip ");
    EXPECT_EQ(beyond(4), "");
    set.unloads.erase(set.unloads.begin() + 1);  // not made yet (/check): its place is kept all the same
    EXPECT_EQ(beyond(2), "base-2026-12-06.zip base-2026-12-07.zip ");
    set.folderVaries = true;
    EXPECT_EQ(beyond(1), "");
}

TEST(UnloadName, ByteCountsForPeople) {
    EXPECT_EQ(ByteCountText(0), "0 байт");
    EXPECT_EQ(ByteCountText(1023), "1023 байт");
    EXPECT_EQ(ByteCountText(1024), "1,0 КБ");
    EXPECT_EQ(ByteCountText(851443712), "812,0 МБ");
    EXPECT_EQ(ByteCountText(37812203520ULL), "35,2 ГБ");
}

}  // namespace
