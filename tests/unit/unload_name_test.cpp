// Date, weekday and folder sequences in the unload file name, on fixed dates.
#include <windows.h>

#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "run/unload_name.h"
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

}  // namespace
