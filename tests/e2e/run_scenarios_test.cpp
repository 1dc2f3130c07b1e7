// Whole runs of cfgload.exe against the stand-in configurator: the exit code, the console
// lines, the stand-in's journal and the files, one scenario per test. Expected texts come
// from the stand-in's own copy (expected.h).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "tests/e2e/expected.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/standin_watch.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace {

using namespace e2e;

const char Secret[] = "секрет";
const char WrongSecret[] = "неверный";

// A hang must end at the deadline (one minute after start-up) plus a few seconds.
constexpr DWORD HangLimitMs = 150000;
// The deadline is a calendar time in whole seconds: it may come up to a second early.
constexpr DWORD DeadlineMs = 59000;
constexpr DWORD DeadlineSlackMs = 8000;

std::vector<std::string> ScenarioWith(std::vector<std::string> lines) {
    return Lines{std::string("password=") + Secret, "change=" + Change} + lines;
}

std::vector<std::string> SettingsWith(std::vector<std::string> lines) {
    return Lines{std::string("Password=") + Secret} + lines;
}

std::string LowerAnsi(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string ToOem(std::string text) {
    if (!text.empty()) CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string Today(const char* format) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, format, now.wYear, now.wMonth, now.wDay);
    return text;
}

bool SetLastWriteTime(const std::string& path, const FILETIME& time) {
    unique_handle file = OwnFileHandle(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    return file && SetFileTime(file.get(), nullptr, nullptr, &time) != 0;
}

FILETIME HoursFromNow(int hours) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value{{now.dwLowDateTime, now.dwHighDateTime}};
    value.QuadPart += static_cast<long long>(hours) * 3600LL * 10000000LL;
    return FILETIME{value.LowPart, value.HighPart};
}

class RunScenario : public e2e::EndToEnd {
protected:
    // Check, and then: no password of the settings appears in the console output (in
    // either code page) or on the configurator's command line.
    RunResult Verify(const Case& scenario) {
        RunResult result = Check(scenario);
        ExpectNoPasswords(scenario.settings, result);
        return result;
    }

    static void ExpectNoPasswords(const std::vector<std::string>& settings, const RunResult& result) {
        for (const auto& line : settings) {
            size_t equals = line.find('=');
            if (equals == std::string::npos || equals + 1 == line.size()) continue;
            if (LowerAnsi(line.substr(0, equals)).find("password") == std::string::npos) continue;
            const std::string secret = line.substr(equals + 1);
            EXPECT_EQ(result.output.find(ToOem(secret)), std::string::npos) << "a password on the console";
            EXPECT_EQ(result.output.find(secret), std::string::npos) << "a password on the console";
            for (const auto& event : result.journal) {
                if (event.kind != "cmdline") continue;
                EXPECT_EQ(event.text.find(secret), std::string::npos) << "a password on the command line";
            }
        }
    }

    // The infobase's configuration kept, with the stand-in's mark of a merge after it.
    void ExpectMerged() {
        const std::string merged = ReadFile(InfobaseMd());
        const std::string mark = Expand("STANDIN MERGED {new_md}\r\n");
        EXPECT_EQ(merged.compare(0, std::strlen(OriginalMd), OriginalMd), 0) << merged;
        EXPECT_TRUE(merged.size() >= mark.size() && merged.compare(merged.size() - mark.size(), mark.size(), mark) == 0)
            << merged;
    }

    // The unload file the patterns give for the infobase folder "base" today.
    std::string DatedUnloadFile() const { return LowerAnsi(Work()) + "\\base-" + Today("%04u-%02u-%02u") + ".zip"; }
};

// The typical run: date patterns in the unload name, unload, then load.
TEST_F(RunScenario, UnloadThenLoad) {
    const std::string unload = DatedUnloadFile();
    Case run;
    run.settings = SettingsWith({"DownloadTo={work}\\?F-?YYYY-?MM-?DD.zip"});
    run.standin = ScenarioWith({});
    run.exitCode = 0;
    run.console = LoginLines() + UnloadLines(unload) + LoadLines();
    run.journal = LoginJournal(Secret) + UnloadJournal(unload) + LoadAndExitJournal();
    RunResult result = Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_EQ(support::ZipEntry(ReadFile(unload), "1cv7.md"), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd())) << "kept without DeleteAfter";
    const e2e::JournalEvent* command = result.Find("cmdline");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text, Expand("\"{standin}\" config /d\"{base}\" /u\"{base}\" /nАдминистратор"));
    const e2e::JournalEvent* folder = result.Find("cwd");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->text, Base());
    const e2e::JournalEvent* start = result.Find("start");
    ASSERT_NE(start, nullptr);
    EXPECT_NE(start->text.find(" flags=0 show="), std::string::npos) << start->text;
}

TEST_F(RunScenario, LoadOnly) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + LoadLines();
    run.journal = LoginJournal(Secret) + LoadAndExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

TEST_F(RunScenario, IdenticalConfigurationsCloseAtOnce) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({"relation=identical"});
    run.console = LoginLines() + OpenFileLines() + Lines{"Конфигурации идентичны!!! ", " =OK="};
    run.journal = LoginJournal(Secret) + OpenFileJournal() +
                  Lines{std::string("show identical ") + ConfigurationsIdenticalText, "button identical " + Id(IDCANCEL)} +
                  ExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

TEST_F(RunScenario, NotADescendantWithForceReplaceIsLoaded) {
    Case run;
    run.settings = SettingsWith({"ForceReplace=1", "Merge=1"});
    run.standin = ScenarioWith({"relation=not_descendant"});
    run.console = LoginLines() + OpenFileLines() +
                  Lines{"ОШИБКА! Загружаемая конфигурация не потомок текущей!", "  Все равно записываем."} +
                  SaveAndStructureLines() + DoneLines();
    run.journal = LoginJournal(Secret) + OpenFileJournal() +
                  Lines{std::string("show not_descendant ") + NotDescendantText, "button not_descendant " + Id(IDYES)} +
                  SaveJournal() + Lines{"...", "loaded - {new_md}", "..."} + ExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

TEST_F(RunScenario, NotADescendantWithMergeOneIsMerged) {
    Case run;
    run.settings = SettingsWith({"Merge=1"});
    run.standin = ScenarioWith({"relation=not_descendant"});
    run.console = LoginLines() + OpenFileLines() +
                  Lines{"ОШИБКА! Загружаемая конфигурация не потомок текущей!", "  Объединяем."} + OpenFileLines() +
                  Lines{" =OK="} + SaveAndStructureLines() + DoneLines();
    run.journal = LoginJournal(Secret) + OpenFileJournal() +
                  Lines{std::string("show not_descendant ") + NotDescendantText, "button not_descendant " + Id(IDNO)} +
                  OpenFileJournal(MergeCommand) + MergeJournal() + SaveJournal() + Lines{"...", "merged - {new_md}", "..."} + ExitJournal();
    Verify(run);
    ExpectMerged();
}

TEST_F(RunScenario, NotADescendantWithNeitherFailsAndLeavesTheConfiguration) {
    Case run;
    run.settings = SettingsWith({"DeleteAfter=1"});
    run.standin = ScenarioWith({"relation=not_descendant"});
    run.exitCode = 1;
    run.console = LoginLines() + OpenFileLines() +
                  Lines{"ОШИБКА! Загружаемая конфигурация не потомок текущей!", "  Выходим."};
    run.journal = LoginJournal(Secret) + OpenFileJournal() +
                  Lines{std::string("show not_descendant ") + NotDescendantText, "button not_descendant " + Id(IDNO)} +
                  ExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd())) << "never deleted after a failure";
}

TEST_F(RunScenario, MergeTwoMergesFirst) {
    Case run;
    run.settings = SettingsWith({"Merge=2"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + OpenFileLines() + Lines{" =OK="} + SaveAndStructureLines() + DoneLines();
    run.journal = LoginJournal(Secret) + OpenFileJournal(MergeCommand) + MergeJournal() +
                  Lines{"...", "merged - {new_md}", "..."} + ExitJournal();
    Verify(run);
    ExpectMerged();
}

// The log-in window is answered and closed before the box appears: the prompt that comes
// again is cancelled and the search ends at once. (With the box shown inside the press, the
// completion's Cancel may reach the old prompt first; the configurator then ends and the
// search runs out its ten minutes, as specified: not a path for these tests.)
TEST_F(RunScenario, WrongLoginPasswordEndsTheSearch) {
    Case run;
    run.settings = {std::string("Password=") + WrongSecret};
    run.standin = ScenarioWith({"login_retry=after"});
    run.exitCode = 1;
    run.console = LoginLines() + Lines{"ОШИБКА! Пароль не принят!"};
    run.journal = LoginAnsweredJournal(WrongSecret) + Lines{
        std::string("show login_wrong ") + WrongPasswordText,
        "button login_wrong " + Id(IDCANCEL),
        std::string("show login ") + LoginTitle,
        "button login " + Id(IDCANCEL),
        "exit - 0",
    };
    RunResult result = Verify(run);
    EXPECT_EQ(result.Find("main"), nullptr);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

TEST_F(RunScenario, WrongConfigurationPasswordFails) {
    Case run;
    run.settings = SettingsWith({std::string("ConfigPassword=") + WrongSecret, "DeleteAfter=1", "LogFile={work}\\night.log"});
    run.standin = ScenarioWith({std::string("config_password=") + Secret});
    run.exitCode = 1;
    // The press's completion cancels the prompt; when the configurator has already shown it
    // again by then, the new one is answered (the password typed, then Cancel) instead.
    run.console =
        LoginLines() + Lines{"Ввод пароля... OK", "ОШИБКА! Пароль не принят!", Optional("Ввод пароля... ОТМЕНА")};
    run.journal = LoginJournal(Secret) + Lines{
        CommandEntry(LoadCommand),
        std::string("show password ") + PasswordPromptText,
        std::string("typed password ") + WrongSecret,
        "button password " + Id(IDOK),
        std::string("show password_wrong ") + WrongPasswordText,
        "button password_wrong " + Id(IDCANCEL),
        Optional(std::string("show password ") + PasswordPromptText),
        Optional(std::string("typed password ") + WrongSecret),
        "button password " + Id(IDCANCEL),
    } + ExitJournal();
    RunResult result = Verify(run);
    // The first prompt gets OK; every later one is cancelled.
    int prompts = 0;
    for (const auto& line : result.console) {
        if (line.compare(0, 14, "Ввод пароля...") != 0) continue;
        EXPECT_EQ(line, ++prompts == 1 ? "Ввод пароля... OK" : "Ввод пароля... ОТМЕНА");
    }
    EXPECT_EQ(result.Find("loaded"), nullptr);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd()));
    // The log: one record of the configurator's windows, with its reason, just before the last line.
    std::vector<bool> stamped;
    const Lines log = LogLines(ReadFile(Work() + "\\night.log"), &stamped);
    ASSERT_GE(log.size(), 3u);
    size_t records = 0, recordAt = 0;
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].rfind("Окна конфигуратора (процесс ", 0) == 0) ++records, recordAt = i;
    ASSERT_EQ(records, 1u);
    EXPECT_TRUE(MatchEntry("Окна конфигуратора (процесс {*}): работа завершается с ошибкой", log[recordAt]));
    for (size_t i = recordAt + 1; i + 1 < log.size(); ++i) EXPECT_FALSE(stamped[i]) << Printable(log[i]);
    EXPECT_TRUE(MatchEntry("Завершение: код выхода 1, длительность {*}", log.back()));
}

TEST_F(RunScenario, MetadataLockBeforeTheMainWindow) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({"lock=start"});
    run.exitCode = 1;
    run.console = LoginLines() + Lines{"ОШИБКА! Конфигуратор уже где-то запущен!"};
    run.journal = LoginAnsweredJournal(Secret) + Lines{std::string("show lock ") + MetadataLockedText, "button lock " + Id(IDCANCEL), "exit - 0"};
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

TEST_F(RunScenario, SingleUserErrorDuringTheWork) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({"single_user=load"});
    run.exitCode = 1;
    run.console = LoginLines() + Lines{std::string("ОШИБКА! ") + NoSingleUserText};
    run.journal = LoginJournal(Secret) +
                  Lines{CommandEntry(LoadCommand), std::string("show single_user ") + NoSingleUserText,
                        "button single_user " + Id(IDCANCEL)} +
                  ExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

// Not newer (equal times count as not newer): exit 2 before anything starts; the line is
// printed although Debug is 0.
TEST_F(RunScenario, UpdateWithAFileNotNewerExitsWithTwo) {
    FILETIME time = HoursFromNow(-1);
    ASSERT_TRUE(SetLastWriteTime(InfobaseMd(), time));
    ASSERT_TRUE(SetLastWriteTime(NewMd(), time));
    Case run;
    run.settings = SettingsWith({"Update=1", "Debug=0", "DeleteAfter=1"});
    run.standin = ScenarioWith({});
    run.exitCode = 2;
    run.console = {"Загружаемый файл старее текущего!"};
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd()));
}

// Older, with DownloadTo: the run becomes an unload only, and nothing is deleted.
TEST_F(RunScenario, UpdateWithAnOlderFileUnloadsOnly) {
    ASSERT_TRUE(SetLastWriteTime(InfobaseMd(), HoursFromNow(-1)));
    ASSERT_TRUE(SetLastWriteTime(NewMd(), HoursFromNow(-2)));
    Case run;
    // Debug 0 is overruled from the update line on.
    run.settings = SettingsWith({"Update=1", "DownloadTo={unload}", "DeleteAfter=1", "Debug=0"});
    run.standin = ScenarioWith({});
    run.console = Lines{"Загружаемый файл старее текущего!"} + LoginLines() + UnloadLines();
    run.journal = LoginJournal(Secret) + UnloadJournal() + ExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(UnloadFile()));
    EXPECT_TRUE(FileExists(NewMd())) << "never deleted after an unload only";
}

TEST_F(RunScenario, UpdateWithANewerFileLoads) {
    ASSERT_TRUE(SetLastWriteTime(InfobaseMd(), HoursFromNow(-2)));
    ASSERT_TRUE(SetLastWriteTime(NewMd(), HoursFromNow(-1)));
    Case run;
    run.settings = SettingsWith({"Update=1"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + LoadLines();
    run.journal = LoginJournal(Secret) + LoadAndExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

// "NUL" in any letter case: nothing is looked for, loaded or merged (whatever Merge says);
// only the unload is done.
TEST_F(RunScenario, NewMdPathNulUnloadsOnly) {
    for (const char* merge : {"Merge=0", "Merge=2"}) {
        SCOPED_TRACE(merge);
        Case run;
        run.settings = SettingsWith({"NewMDPath=Nul", "DownloadTo={unload}", "DeleteAfter=1", merge});
        run.standin = ScenarioWith({});
        run.console = LoginLines() + UnloadLines();
        run.journal = LoginJournal(Secret) + UnloadJournal() + ExitJournal();
        Verify(run);
        EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
        EXPECT_TRUE(FileExists(UnloadFile()));
        EXPECT_TRUE(FileExists(NewMd()));
        DeleteFileA(UnloadFile().c_str());
    }
}

// An unload that is not there, is empty, was not written by this unload or (with VerifyUnload)
// does not read back: one error line, a line that nothing was loaded, the configurator closed,
// exit 1. A whole archive lets the load go on, also one the configurator holds until its box
// is answered; one that cannot be read back for want of memory does not.
TEST_F(RunScenario, NoLoadWithoutAnUnloadThatReadsBack) {
    struct Row {
        const char* what;
        Lines settings;
        const char* standin;
        bool oldFile;  // an unload of 1 December 2026, 03:04 is there before the run
        int exitCode;
        Lines lines;  // after "Выгрузка завершена!"
        bool scarceMemory = false;  // the build whose allocations of 64 KiB or more fail
    };
    const std::string damaged = "ОШИБКА! Файл выгрузки [{unload_lower}] поврежден";
    const std::string verified = "Файл выгрузки проверен: записей {*}, {*} байт после распаковки, {*} с";
    const Row rows[] = {
        {"no file", {}, "unload_fault=no_file", false, 1, {"ОШИБКА! Файл выгрузки [{unload_lower}] не найден"}},
        {"empty file", {}, "unload_fault=empty", false, 1, {"ОШИБКА! Файл выгрузки [{unload_lower}] пуст"}},
        {"unload only, no file", {"NewMDPath=nul"}, "unload_fault=no_file", false, 1,
         {"ОШИБКА! Файл выгрузки [{unload_lower}] не найден"}},
        {"old file left", {}, "unload_stale=1", true, 1,
         {"ОШИБКА! Файл выгрузки [{unload_lower}] не записан этой выгрузкой: это прежний файл от 01.12.2026 03:04"}},
        {"truncated, verified", {"VerifyUnload=1"}, "unload_fault=truncated", false, 1, {damaged + ": {*}"}},
        {"flipped byte, verified", {"VerifyUnload=1"}, "unload_fault=flipped", false, 1,
         {damaged + ", запись [1cv7.md]: {*}"}},
        {"lying size, verified", {"VerifyUnload=1"}, "unload_fault=lying_size", false, 1,
         {damaged + ", запись [1cv7.md]: {*}"}},
        {"whole archive, verified", {"VerifyUnload=1"}, "unload_fault=none", false, 0, Lines{verified} + LoadLines()},
        {"old file rewritten, held until answered, verified", {"VerifyUnload=1"}, "unload_hold=1", true, 0,
         Lines{verified} + LoadLines()},
        {"flipped byte, not verified", {}, "unload_fault=flipped", false, 0, LoadLines()},
        {"no entries, verified", {"VerifyUnload=1"}, "unload_fault=no_entries", false, 1,
         {"ОШИБКА! Файл выгрузки [{unload_lower}] не годится: в архиве нет данных (ни одной записи)"}},
        {"memory runs out, verified", {"VerifyUnload=1"}, "unload_fault=none", false, 1,
         {"ОШИБКА! Не могу проверить файл выгрузки [{unload_lower}]: не хватает памяти"}, true},
    };
    const std::string usual = CfgloadUnderTest();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST",
                                (row.scarceMemory ? WindowsPath(CFGLOAD_SCARCE_MEMORY_EXE) : usual).c_str());
        const bool loads = row.exitCode == 0;
        if (row.oldFile) {
            WriteFile(UnloadFile(), "PK an old unload");
            SYSTEMTIME local{2026, 12, 2, 1, 3, 4, 0, 0}, universal;
            FILETIME time;
            ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) &&
                        SystemTimeToFileTime(&universal, &time) && SetLastWriteTime(UnloadFile(), time));
        }
        Case run;
        run.settings = SettingsWith(Lines{"DownloadTo={unload}", "DeleteAfter=1"} + row.settings);
        run.standin = ScenarioWith({row.standin});
        run.exitCode = row.exitCode;
        run.console = LoginLines() + UnloadLines() + row.lines +
                      (loads ? Lines{"Удаление файла {new_md}"}
                             : Lines{"В информационную базу ничего не загружено: выгрузка не прошла проверку"});
        run.journal = LoginJournal(Secret) + UnloadJournal() + (loads ? LoadAndExitJournal() : ExitJournal());
        const RunResult result = Verify(run);
        const JournalEvent* archive = result.Find("archive");
        EXPECT_TRUE(archive && archive->text.find("not held") == std::string::npos) << "the stand-in could not hold it";
        EXPECT_EQ(ReadFile(InfobaseMd()), loads ? NewMdContents : OriginalMd);
        if (loads) WriteFile(NewMd(), NewMdContents), WriteFile(InfobaseMd(), OriginalMd);
        EXPECT_TRUE(FileExists(NewMd())) << "deleted after a failed run";
        DeleteFileA(UnloadFile().c_str());
    }
}

// NUL and no unload: nothing to do, so no configurator is started; a settings mistake.
TEST_F(RunScenario, NewMdPathNulWithoutAnUnloadIsNothingToDo) {
    for (const char* value : {"NUL", "null"}) {
        SCOPED_TRACE(value);
        Case run;
        run.settings = {std::string("NewMDPath=") + value, "Merge=2"};
        run.exitCode = 1;
        run.console = {std::string("ОШИБКА! Нечего делать: NewMDPath [") + value +
                       "] отменяет загрузку, а DownloadTo не задан"};
        RunResult result = Verify(run);
        EXPECT_EQ(result.standinStarts, 0);
        EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    }
}

TEST_F(RunScenario, EmptyBasePathGivesTheHint) {
    Case run;
    run.settings = {"BasePath="};
    run.exitCode = 1;
    run.console = {"ОШИБКА! Не задан путь к базе", "", "Для получения помощи введите ", "  cfgload /?"};
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, MissingBasePathGivesTheHint) {
    Case run;
    run.settings = {"BasePath={work}\\нет такой базы"};
    run.exitCode = 1;
    run.console = {"ОШИБКА! Путь [{work}\\нет такой базы] не есть существующий каталог", "",
                   "Для получения помощи введите ", "  cfgload /?"};
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, NewMdPathNotFound) {
    Case run;
    run.settings = {"NewMDPath=нет-такого-файла.md"};
    run.exitCode = 1;
    run.console = {"ОШИБКА! [нет-такого-файла.md] не найден!"};
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, NewMdPathIsADirectory) {
    Case run;
    run.settings = {"NewMDPath={base}"};
    run.exitCode = 1;
    run.console = {"ОШИБКА! [{base}] не файл!"};
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, InfobaseConfigurationMissing) {
    DeleteFileA(InfobaseMd().c_str());
    Case run;
    run.settings = {"BasePath={base}\\"};
    run.exitCode = 1;
    run.console = {"ОШИБКА! Не могу прочитать файл [{base}\\1cv7.md]"};
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, DeleteAfterASuccessfulLoad) {
    Case run;
    run.settings = SettingsWith({"DeleteAfter=1"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + LoadLines() + Lines{"Удаление файла {new_md}"};
    run.journal = LoginJournal(Secret) + LoadAndExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_FALSE(FileExists(NewMd()));
}

// A file to load that cannot be deleted (read-only): the failure is said with the system's
// text, and the run still succeeds, since the load did.
TEST_F(RunScenario, DeleteAfterSaysWhenTheFileCannotBeDeleted) {
    ASSERT_TRUE(SetFileAttributesA(NewMd().c_str(), FILE_ATTRIBUTE_READONLY));
    Case run;
    run.settings = SettingsWith({"DeleteAfter=1"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + LoadLines() + Lines{
        "Удаление файла {new_md}",
        "ОШИБКА! Не удалось удалить файл {new_md}: (5) {*}",
        "",
    };
    run.journal = LoginJournal(Secret) + LoadAndExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_TRUE(FileExists(NewMd()));
}

// Started from the infobase's folder with no file next to the program, the default
// "1cv7.md" is the infobase's own configuration: it is loaded (identical), never deleted.
TEST_F(RunScenario, DeleteAfterNeverDeletesTheInfobaseConfiguration) {
    WriteFile(SettingsFile(), Expand("BasePath={base}\r\nPath1CExe={standin}\r\nUser=Администратор\r\n"
                                     "DeleteAfter=1\r\nPassword=секрет\r\n"));
    WriteFile(Base() + "\\standin.scenario", "password=секрет\r\n");
    ChildResult child = RunChild("\"" + e2e::CfgloadUnderTest() + "\" \"" + SettingsFile() + "\"", Base(), 60000);
    EndStandins(3000);
    ASSERT_TRUE(child.started);
    EXPECT_FALSE(child.timedOut);
    EXPECT_EQ(child.exitCode, 0u);
    Lines expected = LoginLines() + OpenFileLines("{base}\\1cv7.md") + Lines{
        "Конфигурации идентичны!!! ",
        " =OK=",
        "ОШИБКА! Не удаляем файл {base}\\1cv7.md: это файл конфигурации самой базы!",
    };
    EXPECT_TRUE(e2e::MatchSequence("console", Expand(expected), e2e::ConsoleLines(child.output)));
    EXPECT_EQ(child.output.find(ToOem(Secret)), std::string::npos) << "a password on the console";
    EXPECT_TRUE(FileExists(InfobaseMd()));
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

// The same file under another spelling of its name is still the same file.
TEST_F(RunScenario, DeleteAfterKnowsTheInfobaseConfigurationByIdentity) {
    Case run;
    run.settings = SettingsWith({"NewMDPath={base}\\.\\1CV7.MD", "DeleteAfter=1"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + OpenFileLines("{base}\\1CV7.MD") + Lines{
        "Конфигурации идентичны!!! ",
        " =OK=",
        "ОШИБКА! Не удаляем файл {base}\\1CV7.MD: это файл конфигурации самой базы!",
    };
    run.journal = {"..."};
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

// A configurator that stops answering after a dialog: at the deadline it is terminated
// with exit code 3 and the run fails, a few seconds after the deadline.
TEST_F(RunScenario, WorkTimeEndsAConfiguratorThatHangs) {
    StandinWatch watch(JournalFile());
    Case run;
    run.settings = SettingsWith({"WorkTime=1"});
    run.standin = ScenarioWith({"hang=press:save"});
    run.exitCode = 1;
    run.limitMs = HangLimitMs;
    run.console = LoginLines(true) + OpenFileLines() +
                  Lines{"Сохранить конфигурацию?", " =ДА=", "ОШИБКА! Истекло время выполнения задачи!!!"};
    run.journal = LoginJournal(Secret) + Lines{CommandEntry(LoadCommand), "..."} + SaveJournal() +
                  Lines{"hang - press:save"};
    RunResult result = Verify(run);
    EXPECT_EQ(watch.ExitCode(5000), 3);
    EXPECT_GE(result.elapsedMs, DeadlineMs);
    EXPECT_LE(result.elapsedMs, DeadlineMs + DeadlineSlackMs);
    EXPECT_FALSE(result.standinLeftRunning);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

// A configurator that never becomes ready: the first wait is bounded by WorkTime too.
TEST_F(RunScenario, WorkTimeEndsAConfiguratorThatHangsAtStart) {
    StandinWatch watch(JournalFile());
    Case run;
    run.settings = SettingsWith({"WorkTime=1"});
    run.standin = ScenarioWith({"hang=start"});
    run.exitCode = 1;
    run.limitMs = HangLimitMs;
    run.console = LaunchLines() + Lines{"ОШИБКА! Истекло время выполнения задачи!!!"};
    run.journal = {"hang - start"};
    RunResult result = Verify(run);
    EXPECT_EQ(watch.ExitCode(5000), 3);
    EXPECT_GE(result.elapsedMs, DeadlineMs);
    EXPECT_LE(result.elapsedMs, DeadlineMs + DeadlineSlackMs);
    EXPECT_FALSE(result.standinLeftRunning);
}

TEST_F(RunScenario, MainWindowLostBeforeTheEnd) {
    Case run;
    run.settings = SettingsWith({"DeleteAfter=1"});
    run.standin = ScenarioWith({"close=load"});
    run.exitCode = 1;
    run.console = LoginLines() + Lines{"ОШИБКА! Окно конфигуратора потеряно!"};
    run.journal = LoginJournal(Secret) + Lines{CommandEntry(LoadCommand), "close - load", "exit - 0"};
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd()));
}

// The first document window opens disabled and never becomes enabled: the wait for it ends
// when the configurator closes; the work was finished, so the run succeeds.
TEST_F(RunScenario, DisabledDocumentWindowWaitEndsWithTheConfigurator) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({"mdi_child_disabled=1", "close=mdi_disabled"});
    run.console = LoginLines() + LoadLines();
    run.journal = LoginJournal(Secret) + Lines{
        CommandEntry(LoadCommand),
        "...",
        "loaded - {new_md}",
        std::string("show done ") + RestructuringDoneText,
        "button done " + Id(IDCANCEL),
        "document - disabled",
        "close - mdi_disabled",
        "exit - 0",
    };
    RunResult result = Verify(run);
    EXPECT_LT(result.elapsedMs, 30000u);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

// A user name with blanks follows "/n" as it is, without quotes.
TEST_F(RunScenario, UserNameWithBlanksIsPassedUnquoted) {
    Case run;
    run.settings = SettingsWith({"User=Иван Петров"});
    run.standin = ScenarioWith({"login_user=Иван Петров"});
    run.console = {
        "Подготовка командной строки...",
        "  1C: {standin}",
        "  База: {base}",
        "  Пользователь: Иван Петров",
        "",
        "...",
        "Реорганизация информации закончена! ",
        " =OK=",
    };
    run.journal = {"..."};
    RunResult result = Verify(run);
    const e2e::JournalEvent* command = result.Find("cmdline");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text, Expand("\"{standin}\" config /d\"{base}\" /u\"{base}\" /nИван Петров"));
}

TEST_F(RunScenario, RegistrationWindowBeforeTheLogin) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({"register=1"});
    run.console = StartLines() + Lines{"Регистрируем новую базу", "Авторизация  доступа"} + LoadLines();
    run.journal = Lines{std::string("show register ") + RegistrationTitle, "button register " + Id(IDOK)} +
                  LoginJournal(Secret) + LoadAndExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

// The owned "Конфигурация *" window stays open through the whole run and is never answered.
TEST_F(RunScenario, MetadataWindowIsNoDialog) {
    Case run;
    run.settings = SettingsWith({});
    run.standin = ScenarioWith({"config_window=1"});
    run.console = LoginLines() + LoadLines();
    run.journal = LoginJournal(Secret) + LoadAndExitJournal();
    RunResult result = Verify(run);
    EXPECT_EQ(result.Find("ignored", "metadata"), nullptr);
}

TEST_F(RunScenario, EmptyConfiguratorPathCannotStart) {
    Case run;
    run.settings = {"Path1CExe="};
    run.exitCode = 1;
    run.console = {
        "Подготовка командной строки...",
        "  1C: ",
        "  База: {base}",
        "  Пользователь: Администратор",
        "",
        "ОШИБКА! Ошибка запуска 1C: ({*}) {*}",
        "",
    };
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, WrongConfiguratorPathCannotStart) {
    Case run;
    run.settings = {"Path1CExe={work}\\1cv7s.exe"};
    run.exitCode = 1;
    run.console = {
        "Подготовка командной строки...",
        "  1C: {work}\\1cv7s.exe",
        "  База: {base}",
        "  Пользователь: Администратор",
        "",
        "ОШИБКА! Ошибка запуска 1C: (2) {*}",
        "",
    };
    RunResult result = Verify(run);
    EXPECT_EQ(result.standinStarts, 0);
}

TEST_F(RunScenario, HideStartsTheConfiguratorHidden) {
    Case run;
    run.settings = SettingsWith({"Hide=1"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + LoadLines();
    run.journal = LoginJournal(Secret) + LoadAndExitJournal();
    RunResult result = Verify(run);
    const e2e::JournalEvent* start = result.Find("start");
    ASSERT_NE(start, nullptr);
    EXPECT_NE(start->text.find(" flags=1 show=0"), std::string::npos) << start->text;
}

TEST_F(RunScenario, DebugZeroPrintsNothing) {
    Case run;
    run.settings = SettingsWith({"Debug=0", "DownloadTo={unload}"});
    run.standin = ScenarioWith({});
    run.console = {};
    run.journal = LoginJournal(Secret) + Lines{CommandEntry(UnloadCommand), "..."} + LoadAndExitJournal();
    RunResult result = Verify(run);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

// ---- the run log ----

const char ByteOrderMark[] = "\xEF\xBB\xBF";
const std::string Architecture = sizeof(void*) == 8 ? "x64" : "x86";

// The lines that continue the one before them on the console carry no stamp in the log.
bool IsContinuation(const std::string& line) {
    return line.empty() || line == " =OK=" || line == " =ДА=" || line.rfind("  База: ", 0) == 0 ||
           line.rfind("  Пользователь: ", 0) == 0;
}

// Whole CR LF lines, after one byte-order mark at the start.
void ExpectLogShape(const std::string& log) {
    EXPECT_EQ(log.compare(0, 3, ByteOrderMark), 0) << "no byte-order mark";
    EXPECT_EQ(log.find(ByteOrderMark, 3), std::string::npos) << "a second byte-order mark";
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
    for (size_t at = log.find('\n'); at != std::string::npos; at = log.find('\n', at + 1))
        ASSERT_EQ(log[at - 1], '\r') << "a line end without CR at byte " << at;
}

// Debug 0 silences the console only: the log holds every line a Debug 1 run prints, dated
// to the second, between its own first and last lines.
TEST_F(RunScenario, LogFileGetsEveryLineWhateverDebug) {
    Case run;
    run.settings = SettingsWith({"Debug=0", "DownloadTo={unload}", "LogFile={work}\\Журнал-?F-?YYYY.Log"});
    run.standin = ScenarioWith({});
    run.journal = LoginJournal(Secret) + UnloadJournal() + LoadAndExitJournal();
    RunResult result = Verify(run);
    EXPECT_EQ(result.output, "");

    const std::string log = ReadFile(Work() + "\\Журнал-base-" + Today("%04u") + ".Log");
    ExpectLogShape(log);
    std::vector<bool> stamped;
    const Lines lines = LogLines(log, &stamped);
    EXPECT_TRUE(MatchSequence("log", Expand(Lines{"Запуск cfgload 1.2.0 (" + Architecture + "); настройки: {settings}; база: {base}"} +
                                            LoginLines() + UnloadLines() + LoadLines() +
                                            Lines{"Завершение: код выхода 0, длительность 0:00:{*}"}),
                              lines));
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(stamped[i], !IsContinuation(lines[i])) << "line " << i + 1 << ": " << Printable(lines[i]);
    EXPECT_EQ(log.substr(3, 11), Today("%04u-%02u-%02u ")) << "dated today (unless it is just midnight)";
}

// A log that cannot be made, and one lost after its first line (the test build whose log
// writes fail from then on, as on a full disk or a share gone): each costs one error line,
// the same, and nothing else; with Debug 0 that line is the run's only trace, so it is
// printed all the same. The lost log keeps its first line.
TEST_F(RunScenario, LogThatCannotBeWrittenGivesOneErrorLine) {
    struct Row {
        const char* what;
        const char* program;  // the build whose log writes fail; null: the cfgload.exe under test
        const char* log;
        int error;            // the system's error code in the line
    };
    const Row rows[] = {
        {"a folder that does not exist", nullptr, "{work}\\нет\\run.log", ERROR_PATH_NOT_FOUND},
        {"writes that fail after the first line", CFGLOAD_FAILING_LOG_EXE, "{work}\\run.log", ERROR_DISK_FULL},
    };
    const std::string underTest = CfgloadUnderTest();
    for (const Row& row : rows) {
        SetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST", row.program ? WindowsPath(row.program).c_str() : underTest.c_str());
        const Lines failure = {"ОШИБКА! Не могу записать журнал [" + std::string(row.log) + "]: (" +
                                   std::to_string(row.error) + ") {*}",
                               ""};
        const bool opened = row.error == ERROR_DISK_FULL;
        const Lines lines = LoginLines() + LoadLines();
        for (const bool quiet : {false, true}) {
            SCOPED_TRACE(std::string(row.what) + (quiet ? ", Debug 0" : ", Debug 1"));
            Case run;
            run.settings = SettingsWith({quiet ? "Debug=0" : "Debug=1", std::string("LogFile=") + row.log});
            run.standin = ScenarioWith({});
            // An opened log is lost at the first line after its own.
            run.console = quiet    ? failure
                          : opened ? Lines{lines.front()} + failure + Lines(lines.begin() + 1, lines.end())
                                   : failure + lines;
            run.journal = LoginJournal(Secret) + LoadAndExitJournal();
            Verify(run);
            EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
            WriteFile(InfobaseMd(), OriginalMd);
            if (!opened) continue;
            EXPECT_TRUE(MatchSequence("the lost log", Lines{"Запуск cfgload {*}"}, LogLines(ReadFile(Work() + "\\run.log"))));
            DeleteFileA((Work() + "\\run.log").c_str());
        }
    }
    SetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST", underTest.c_str());
}

// LogFile NUL is no log: no file, and no pictures of the unknown window beside it, neither
// in the current folder nor in the program's (where a relative log name is taken from).
TEST_F(RunScenario, LogFileNulWritesNothing) {
    const std::string program = CfgloadUnderTest().substr(0, CfgloadUnderTest().find_last_of('\\'));
    Case run;
    run.settings = SettingsWith({"LogFile=Nul"});
    run.standin = ScenarioWith({"extra_note.at=after_file", "extra_note.title=Предупреждение",
                                "extra_note.text=Неизвестное сообщение"});
    run.console = LoginLines() + Lines{"...", "Предупреждение :: Неизвестное сообщение ", " =OK=", "..."};
    run.journal = LoginJournal(Secret) + Lines{"...", "show extra_note Неизвестное сообщение", "..."};
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    for (const std::string& left : {Work() + "\\nul*", Work() + "\\*.png", Work() + "\\*.log", program + "\\nul*"}) {
        WIN32_FIND_DATAA found;
        HANDLE file = FindFirstFileA(left.c_str(), &found);
        EXPECT_EQ(file, INVALID_HANDLE_VALUE) << "written: " << found.cFileName;
        if (file != INVALID_HANDLE_VALUE) FindClose(file);
    }
}

// ---- /check ----

// The run's preparation and what a run would find out only once started: no configurator
// is started, nothing changes, the temporary file in the unload folder is gone again.
TEST_F(RunScenario, CheckStartsNothing) {
    const FILETIME hourAgo = HoursFromNow(-1);
    ASSERT_TRUE(SetLastWriteTime(InfobaseMd(), hourAgo));
    ASSERT_TRUE(SetLastWriteTime(NewMd(), hourAgo));
    const std::string work = LowerAnsi(Work());
    const Lines passwords = {"Пароль пользователя: задан", "Пароль конфигурации: не задан",
                             "Пароль загружаемой конфигурации: не задан"};
    struct Row {
        const char* what;
        Lines settings;
        int exitCode;
        Lines console;
    };
    const Row rows[] = {
        {"good", SettingsWith({"DownloadTo={unload}", "LogFile={work}\\check-?F.log"}), 0,
         Lines{"Подготовка командной строки...", "  1C: {standin}", "  База: {base}", "  Пользователь: Администратор", "",
               "Конфигуратор найден: {standin}", "Выгрузка в файл: {unload_lower} - папка доступна для записи",
               "Свободно на диске выгрузки: {*}; выгрузок этого вида в папке нет",
               "Журнал открывается: {work}\\check-base.log"} +
             passwords + Lines{"Проверка пройдена: запуск возможен."}},
        {"verify unload", SettingsWith({"DownloadTo={unload}", "VerifyUnload=1"}), 0,
         {"...", "Выгрузка в файл: {unload_lower} - папка доступна для записи",
          "Проверка выгрузки (VerifyUnload): включена", "..."}},
        {"no executable", SettingsWith({"Path1CExe={work}\\1cv7s.exe"}), 1,
         {"...", "  1C: {work}\\1cv7s.exe", "...", "ОШИБКА! Конфигуратор не найден: [{work}\\1cv7s.exe]", "..."}},
        {"no unload folder", SettingsWith({"DownloadTo={work}\\Нет\\?F.zip"}), 1,
         {"...", "ОШИБКА! Нет папки для выгрузки [" + work + "\\нет]", "..."}},
        {"unload folder a file", SettingsWith({"DownloadTo={new_md}\\base.zip"}), 1,
         {"...", "ОШИБКА! Папка для выгрузки [" + LowerAnsi(NewMd()) + "] - это файл", "..."}},
        {"log cannot be opened", SettingsWith({"LogFile={work}\\нет\\?F.log"}), 1,
         {"...", "ОШИБКА! Не могу открыть журнал [{work}\\нет\\base.log]: (3) {*}", "..."}},
        {"log cannot be opened, Debug 0", SettingsWith({"Debug=0", "LogFile={work}\\нет\\?F.log"}), 1,
         {"ОШИБКА! Не могу открыть журнал [{work}\\нет\\base.log]: (3) {*}", ""}},
        {"nothing to do", SettingsWith({"NewMDPath=nul"}), 1,
         {"ОШИБКА! Нечего делать: NewMDPath [nul] отменяет загрузку, а DownloadTo не задан"}},
        {"keep unloads, folder varies", SettingsWith({"DownloadTo={work}\\?F\\?DD.zip", "KeepUnloads=2"}), 1,
         {"...", "ОШИБКА! KeepUnloads не действует: папка в DownloadTo [{work}\\?F\\?DD.zip] меняется по шаблону, "
                 "старые выгрузки не удаляются", "..."}},
        {"not numbers, Debug 0", SettingsWith({"VerifyUnload=yes", "WorkTime=90min", "Debug=0"}), 1,
         {"ОШИБКА! Значение VerifyUnload [yes] - не число (при запуске будет 0)",
          "ОШИБКА! Значение WorkTime [90min] - не число (при запуске будет 90)"}},
        {"not newer", SettingsWith({"Update=1"}), 2,
         Lines{"Загружаемый файл старее текущего!", "Конфигуратор найден: {standin}"} + passwords},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Case check;
        check.settings = row.settings;
        check.standin = ScenarioWith({});
        check.arguments = {"/check"};
        check.exitCode = row.exitCode;
        check.console = row.console;
        RunResult result = Verify(check);
        EXPECT_EQ(result.standinStarts, 0);
        EXPECT_TRUE(result.journal.empty());
        EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
        EXPECT_TRUE(FileExists(NewMd()));
        EXPECT_FALSE(FileExists(Work() + "\\check-base.log")) << "the check wrote a log";
        WIN32_FIND_DATAA found;
        HANDLE left = FindFirstFileA((Work() + "\\cfgload-check-*").c_str(), &found);
        EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "the temporary file was left: " << found.cFileName;
        if (left != INVALID_HANDLE_VALUE) FindClose(left);
    }
}

// ---- keeping the newest unloads ----

// KeepUnloads 3 in a folder of older unloads and look-alikes: /check lists what a good night
// would delete; a failing night deletes nothing; a good one deletes the oldest beyond the
// newest three (tonight's among them), one line each, and goes on past a read-only one.
TEST_F(RunScenario, KeepUnloadsDeletesOnlyOlderUnloadsOfThePatternAfterAGoodNight) {
    const std::pair<const char*, int> files[] = {  // name, hours old: five unloads, then look-alikes
        {"base-2020-01-01.zip", 120}, {"base-2020-01-02.zip", 96}, {"base-2020-01-03.zip", 72},
        {"BASE-2020-01-04.ZIP", 48}, {"base-2020-01-05.zip", 24}, {"base-2020-01-01.zip_old", 200},
        {"base-2020-01-01.zip.bak", 200}, {"base-2020-01-1.zip", 200}, {"other-2020-01-01.zip", 200}};
    for (const auto& file : files) {
        WriteFile(Work() + "\\" + file.first, "old");
        ASSERT_TRUE(SetLastWriteTime(Work() + "\\" + file.first, HoursFromNow(-file.second)));
    }
    ASSERT_TRUE(CreateDirectoryA((Work() + "\\base-2019-01-01.zip").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA((Work() + "\\base-2020-01-02.zip").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string in = LowerAnsi(Work()) + "\\";
    Case run;
    run.settings = SettingsWith({"NewMDPath=nul", "DownloadTo={work}\\?F-?YYYY-?MM-?DD.zip", "KeepUnloads=3"});
    run.arguments = {"/check"};
    run.console = {"...", "Свободно на диске выгрузки: {*}; последняя выгрузка base-2020-01-05.zip: 3 байт",
                   "Хранить выгрузок (KeepUnloads): 3; сейчас выгрузок этого вида в папке " + LowerAnsi(Work()) + ": 5",
                   "После успешной ночи будет удален файл " + in + "base-2020-01-01.zip",
                   "После успешной ночи будет удален файл " + in + "base-2020-01-02.zip",
                   "После успешной ночи будет удален файл " + in + "base-2020-01-03.zip", "..."};
    Verify(run);

    run.arguments = {};
    run.standin = ScenarioWith({"unload_fault=empty"});
    run.exitCode = 1;
    run.console = {"...", "ОШИБКА! Файл выгрузки [{*}] пуст", "..."};
    run.journal = {"..."};
    Verify(run);
    for (const auto& file : files) EXPECT_TRUE(FileExists(Work() + "\\" + file.first)) << "after a failed night";

    run.standin = ScenarioWith({});
    run.exitCode = 0;
    run.console = LoginLines() + UnloadLines(DatedUnloadFile()) + Lines{
        "Удалена старая выгрузка " + in + "base-2020-01-01.zip",
        "ОШИБКА! Не удалось удалить файл " + in + "base-2020-01-02.zip: (5) {*}", "",
        "Удалена старая выгрузка " + in + "base-2020-01-03.zip"};
    run.journal = LoginJournal(Secret) + UnloadJournal(DatedUnloadFile()) + ExitJournal();
    Verify(run);
    for (const auto& file : files)
        EXPECT_EQ(FileExists(Work() + "\\" + file.first), file.second != 120 && file.second != 72) << file.first;
    EXPECT_TRUE(FileExists(DatedUnloadFile()));
    EXPECT_EQ(GetFileAttributesA((Work() + "\\base-2019-01-01.zip").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

// A name that the pattern gives only in its 8.3 short form is no unload of it: "u01 .zip" is
// "U01~1.ZIP" on Windows, "U01_~L3E.ZIP" under Wine, so the pattern is made from what this
// system says, and the system's own mask is shown to fall into the trap. A newest unload
// larger than two thirds of the free space is warned of (a sparse file: it takes no room).
TEST_F(RunScenario, CheckOfKeptUnloadsIgnoresShortNamesAndWarnsOfLittleRoom) {
    const std::string lookAlike = Work() + "\\u01 .zip";
    WriteFile(lookAlike, "old");
    ASSERT_TRUE(SetLastWriteTime(lookAlike, HoursFromNow(-1)));
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(lookAlike.c_str(), shortPath, MAX_PATH);
    const std::string shortName = std::strrchr(shortPath, '\\') ? std::strrchr(shortPath, '\\') + 1 : "";
    RecordProperty("short_name", shortName);
    const bool shortNames = shortName.compare(0, 3, "U01") == 0 && shortName != "u01 .zip";
    const std::string tail = shortNames ? LowerAnsi(shortName.substr(3)) : "~1.zip";
    if (shortNames) {
        WIN32_FIND_DATAA found;
        HANDLE trap = FindFirstFileA((Work() + "\\u??" + tail).c_str(), &found);
        EXPECT_TRUE(trap != INVALID_HANDLE_VALUE && std::string(found.cFileName) == "u01 .zip")
            << "the mask finds it through its short name";
        if (trap != INVALID_HANDLE_VALUE) FindClose(trap);
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string newest = (now.wDay == 15 ? "u16" : "u15") + tail;  // not tonight's
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA((Work() + "\\").c_str(), &free, nullptr, nullptr));
    {
        unique_handle file = OwnFileHandle(CreateFileA((Work() + "\\" + newest).c_str(), GENERIC_WRITE, 0, nullptr,
                                                       CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD returned = 0;
        DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(free.QuadPart);
        ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    }
    Case check;
    check.settings = SettingsWith({"DownloadTo={work}\\u?DD" + tail, "KeepUnloads=1"});
    check.arguments = {"/check"};
    check.console = {"...", "Свободно на диске выгрузки: {*}; последняя выгрузка " + newest + ": {*}",
                     "ВНИМАНИЕ! Свободного места меньше, чем полтора размера последней выгрузки",
                     "Хранить выгрузок (KeepUnloads): 1; сейчас выгрузок этого вида в папке " + LowerAnsi(Work()) + ": 1",
                     "После успешной ночи будет удален файл " + LowerAnsi(Work()) + "\\" + newest, "..."};
    Verify(check);
    EXPECT_TRUE(FileExists(lookAlike));
}

// ---- side by side with other configurators on the same desktop ----

// A second infobase beside the test's own, with a folder, a stand-in and a journal of its
// own: one more fixture object, set up and cleaned up (its stand-ins ended) by hand.
class Neighbour : public e2e::EndToEnd {
public:
    Neighbour() { SetUp(); }
    ~Neighbour() override { TearDown(); }
    using EndToEnd::Base;
    using EndToEnd::Check;
    using EndToEnd::Expand;
    using EndToEnd::InfobaseMd;
    using EndToEnd::Journal;
    using EndToEnd::UnloadFile;

    // Starts the stand-in in this infobase, as someone at the desktop would start the
    // configurator, and waits until its journal shows an event of the kind (30 s at most).
    bool StartStandin(const std::vector<std::string>& scenario, const std::string& kind) {
        std::string lines;
        for (const auto& line : scenario) lines += line + "\r\n";
        WriteFile(Base() + "\\standin.scenario", lines);
        std::string commandLine = Expand("\"{standin}\" config /d\"{base}\" /u\"{base}\" /nАдминистратор");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, Base().c_str(), &startup,
                            &process_))
            return false;
        for (ULONGLONG end = GetTickCount64() + 30000; GetTickCount64() < end; Sleep(50))
            for (const auto& event : Journal())
                if (event.kind == kind) return true;
        return false;
    }
    bool Running() const { return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    std::vector<std::string> JournalLines() const {
        RunResult journal;
        journal.journal = Journal();
        return journal.JournalLines();
    }

private:
    void TestBody() override {}
    unique_process_information process_;
};

// Keeps the top-level windows of the given processes above all others while it lives, as if
// someone kept clicking them: a search in the desktop's order meets them first.
class RaisedWindows {
public:
    explicit RaisedWindows(std::vector<DWORD> processIds)
        : processIds_(std::move(processIds)), thread_([this] {
              while (!stop_) {
                  EnumWindows(Raise, reinterpret_cast<LPARAM>(this));
                  Sleep(100);
              }
          }) {}
    ~RaisedWindows() {
        stop_ = true;
        thread_.join();
    }

private:
    static BOOL CALLBACK Raise(HWND window, LPARAM data) {
        const auto& ids = reinterpret_cast<RaisedWindows*>(data)->processIds_;
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (IsWindowVisible(window) && std::find(ids.begin(), ids.end(), owner) != ids.end())
            SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return TRUE;
    }

    std::vector<DWORD> processIds_;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: it starts once the rest is there
};

// When each dialog of a journal was open: from its "show" to the first event after its
// press (a press keeps the stand-in busy, so nothing of it comes in between).
std::vector<std::pair<ULONGLONG, ULONGLONG>> OpenDialogs(const std::vector<e2e::JournalEvent>& journal) {
    std::vector<std::pair<ULONGLONG, ULONGLONG>> spans;
    for (size_t i = 0; i < journal.size(); ++i) {
        if (journal[i].kind != "show") continue;
        for (size_t j = i + 1; j < journal.size(); ++j) {
            if (journal[j].kind != "button" || journal[j].name != journal[i].name) continue;
            spans.emplace_back(journal[i].tick, journal[std::min(j + 1, journal.size() - 1)].tick);
            break;
        }
    }
    return spans;
}

// How long both stand-ins had a dialog open at once, in ms.
ULONGLONG BothHadADialogOpen(const RunResult& first, const RunResult& second) {
    ULONGLONG both = 0;
    for (const auto& one : OpenDialogs(first.journal))
        for (const auto& other : OpenDialogs(second.journal)) {
            ULONGLONG from = std::max(one.first, other.first), to = std::min(one.second, other.second);
            if (to > from) both += to - from;
        }
    return both;
}

// An unload, then a load with a password prompt, for the given log-in and configuration
// passwords; every press of the work keeps the stand-in busy for 1.5 s, so that each dialog
// stays open a while. (Not the log-in's: a log-in window still there a second after its OK
// is answered again.)
Case UnloadThenLoadWith(const std::string& loginPassword, const std::string& configPassword) {
    Case run;
    run.settings = {"Password=" + loginPassword, "ConfigPassword=" + configPassword, "DownloadTo={unload}"};
    run.standin = {"password=" + loginPassword, "config_password=" + configPassword, "change=" + Change,
                   "unload.press_ms=1500", "password.press_ms=1500", "open_file.press_ms=1500",
                   "save.press_ms=1500", "structure.press_ms=1500"};
    run.console = LoginLines() + UnloadLines() + Lines{"Ввод пароля... OK"} + LoadLines();
    Lines load = LoadAndExitJournal();
    load.erase(load.begin());  // the command comes before the password prompt
    run.journal = LoginJournal(loginPassword) + UnloadJournal() + Lines{
        CommandEntry(LoadCommand),
        std::string("show password ") + PasswordPromptText,
        "typed password " + configPassword,
        "button password " + Id(IDOK),
    } + load;
    return run;
}

// Two runs started together on one desktop, each with its own infobase, stand-in, passwords
// and unload file, with dialogs open at the same moments: each configurator gets only its
// own run's typing and presses, and both runs succeed.
TEST_F(RunScenario, TwoRunsSideBySideKeepToTheirOwnConfigurators) {
    Neighbour beside;
    RunResult theirs;
    // Both append to one log, which neither finds there at the start.
    const std::string logFile = Work() + "\\both.log";
    Case oursRun = UnloadThenLoadWith("Первый-Вход-2093", "Первый-Конфиг-6618");
    Case theirsRun = UnloadThenLoadWith("Второй-Вход-8150", "Второй-Конфиг-4472");
    oursRun.settings.push_back("LogFile=" + logFile);
    theirsRun.settings.push_back("LogFile=" + logFile);
    std::thread other([&] { theirs = beside.Check(theirsRun); });
    RunResult ours = Check(oursRun);
    other.join();

    // Every line whole: the log holds exactly the lines of both consoles, and each run's
    // first and last lines.
    const std::string log = ReadFile(logFile);
    ExpectLogShape(log);
    Lines logged = LogLines(log), printed = ours.console + theirs.console;
    const size_t lines = logged.size();
    logged.erase(std::remove_if(logged.begin(), logged.end(), [](const std::string& line) {
        return line.rfind("Запуск cfgload ", 0) == 0 || line.rfind("Завершение: код выхода 0, ", 0) == 0;
    }), logged.end());
    EXPECT_EQ(lines - logged.size(), 4u) << "first and last lines of both runs";
    std::sort(logged.begin(), logged.end());
    std::sort(printed.begin(), printed.end());
    EXPECT_EQ(logged, printed);

    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_EQ(support::ZipEntry(ReadFile(UnloadFile()), "1cv7.md"), OriginalMd);
    EXPECT_EQ(ReadFile(beside.InfobaseMd()), NewMdContents);
    EXPECT_EQ(support::ZipEntry(ReadFile(beside.UnloadFile()), "1cv7.md"), OriginalMd);
    const ULONGLONG overlap = BothHadADialogOpen(ours, theirs);
    EXPECT_GE(overlap, 3000u) << "the two runs' dialogs were hardly ever open at the same time";
    std::printf("the two stand-ins had dialogs open at the same time for %llu ms; runs of %lu and %lu ms\n",
                overlap, ours.elapsedMs, theirs.elapsedMs);
}

// Configurators that the run did not start, with the same windows and texts and journals of
// their own, one at its log-in window and one at its main window, stay on screen through the
// whole run, above the run's own windows: nothing is typed into them, pressed in them or
// sent to them.
TEST_F(RunScenario, ConfiguratorsNotStartedByTheRunAreNeverTouched) {
    Neighbour atLogin, atMain;
    ASSERT_TRUE(atLogin.StartStandin(ScenarioWith({}), "show"));
    ASSERT_TRUE(atMain.StartStandin(ScenarioWith({"login=0"}), "main"));
    RaisedWindows onTop({atLogin.ProcessId(), atMain.ProcessId()});
    Case run;
    run.settings = SettingsWith({"DownloadTo={unload}"});
    run.standin = ScenarioWith({});
    run.console = LoginLines() + UnloadLines() + LoadLines();
    run.journal = LoginJournal(Secret) + Lines{CommandEntry(UnloadCommand), "..."} + LoadAndExitJournal();
    Verify(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);

    EXPECT_TRUE(atLogin.Running());
    EXPECT_TRUE(atMain.Running());
    EXPECT_TRUE(e2e::MatchSequence("journal of the configurator at its log-in window",
                                   {std::string("show login ") + LoginTitle}, atLogin.JournalLines()));
    EXPECT_TRUE(e2e::MatchSequence("journal of the configurator at its main window", {"main - {*}"},
                                   atMain.JournalLines()));
    EXPECT_EQ(ReadFile(atLogin.InfobaseMd()), OriginalMd);
    EXPECT_EQ(ReadFile(atMain.InfobaseMd()), OriginalMd);
}

// ---- many infobases ----

// A folder of its own for examples\fleet.bat and a copy of cfgload.exe, with bases\ in it.
void MakeFleetFolder(const std::string& fleet) {
    ASSERT_TRUE(CreateDirectoryA(fleet.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((fleet + "\\bases").c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(WindowsPath(CFGLOAD_SOURCE_DIR "/examples/fleet.bat").c_str(), (fleet + "\\fleet.bat").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(CfgloadUnderTest().c_str(), (fleet + "\\cfgload.exe").c_str(), FALSE));
}

// examples\fleet.bat under cmd over three settings files, one infobase each: a load, a wrong
// log-in password, a file not newer with Update. Its summary has one line per infobase in
// the order of the names, and its errorlevel says that one failed. It runs from a folder
// with "(x86)" and a blank in its path, as the x86 build's natural home; a name with "&"
// and "%" runs as any other; an old settings file kept beside them as torg.ini_old (whose
// 8.3 name TORG~1.INI matches *.ini where short names are kept) is not run.
TEST_F(RunScenario, FleetBatchFileSumsUpEveryInfobase) {
    Neighbour wrong, same;
    ASSERT_TRUE(CreateDirectoryA((Work() + "\\Program Files (x86)").c_str(), nullptr));
    const std::string fleet = Work() + "\\Program Files (x86)\\cfgload";
    MakeFleetFolder(fleet);
    auto write = [&](const std::string& name, const Lines& settings, const std::string& base) {
        WriteFile(fleet + "\\bases\\" + name, support::Joined(settings));
        WriteFile(base + "\\standin.scenario", support::Joined(ScenarioWith({})));
    };
    write("a-torg.ini", Expand(DefaultSettings() + SettingsWith({})), Base());
    write("b-sklad.ini", wrong.Expand(DefaultSettings() + Lines{std::string("Password=") + WrongSecret}), wrong.Base());
    write("c-zup & 100%.ini", same.Expand(DefaultSettings() + SettingsWith({"Update=1"})), same.Base());
    WriteFile(fleet + "\\bases\\torg.ini_old", support::Joined(Expand(DefaultSettings() + SettingsWith({}))));
    const FILETIME hourAgo = HoursFromNow(-1);
    ASSERT_TRUE(SetLastWriteTime(same.InfobaseMd(), hourAgo));
    ASSERT_TRUE(SetLastWriteTime(same.Expand("{new_md}"), hourAgo));

    // cmd /c takes off the outer quotes of a command with "(" in it: a second pair stays.
    ChildResult run = RunChild("cmd /c \"\"" + fleet + "\\fleet.bat\"\"", fleet, 120000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    // The batch file's own lines are ASCII: cmd re-encodes Cyrillic differently on Windows
    // and under Wine.
    const Lines summary = {"==== fleet run {*} ====", "OK         {*}:{*}:{*}  {*}:{*}:{*}  a-torg.ini (0)",
                           "FAILED     {*}:{*}:{*}  {*}:{*}:{*}  b-sklad.ini (1)",
                           "NOT NEWER  {*}:{*}:{*}  {*}:{*}:{*}  c-zup & 100%.ini (2)"};
    EXPECT_TRUE(MatchSequence("summary log", summary, ConsoleLines(ReadFile(fleet + "\\fleet.log"))));
    EXPECT_TRUE(MatchSequence("console", Lines{"..."} + summary, ConsoleLines(run.output)));
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_EQ(ReadFile(wrong.InfobaseMd()), OriginalMd);
    EXPECT_EQ(ReadFile(same.InfobaseMd()), OriginalMd);
    // Each infobase's own log, named after its settings file, ends with its exit code.
    for (const auto& [name, code] : {std::pair{"a-torg", 0}, {"b-sklad", 1}, {"c-zup & 100%", 2}}) {
        const Lines lines = LogLines(ReadFile(fleet + "\\logs\\" + name + ".log"));
        ASSERT_FALSE(lines.empty()) << name;
        EXPECT_TRUE(MatchEntry("Завершение: код выхода " + std::to_string(code) + ", длительность {*}", lines.back()))
            << name << ": " << Printable(lines.back());
    }
    EXPECT_FALSE(FileExists(fleet + "\\logs\\torg.log"));

    // The check: the settings file named after /check, a summary shown and not kept.
    const std::string kept = ReadFile(fleet + "\\fleet.log");
    ChildResult check = RunChild("cmd /c \"\"" + fleet + "\\fleet.bat\" check\"", fleet, 120000);
    EXPECT_EQ(check.exitCode, 0u) << check.output;
    EXPECT_TRUE(MatchSequence("check", {"...", "==== fleet check {*} ====", "OK         {*}  a-torg.ini (0)",
                                        "OK         {*}  b-sklad.ini (0)", "NOT NEWER  {*}  c-zup & 100%.ini (2)"},
                              ConsoleLines(check.output)));
    EXPECT_EQ(ReadFile(fleet + "\\fleet.log"), kept);
}

// examples\fleet.bat kept on a share and started from there, its folders taken from its own
// (\\server\share\...): a run, a hidden settings file that does not run, a relative LOGDIR
// taken from fleet.bat's folder, not the current one; then a folder of settings files that
// cannot be entered ends the runner with a line that says so. Under Wine a share is a folder
// under the prefix's dosdevices\unc (its cmd enters it as it is, where Windows' pushd gives
// it a temporary drive); elsewhere there is none to try.
TEST_F(RunScenario, FleetBatchFileFromAShare) {
    char prefix[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (length == 0 || length >= sizeof prefix) GTEST_SKIP() << "no Wine prefix: no share to try";
    const std::string share = "cfgload-e2e-" + std::to_string(GetCurrentProcessId());
    const std::string unc = WindowsPath(std::string(prefix) + "/dosdevices/unc");
    for (const std::string& folder : {unc, unc + "\\localhost", unc + "\\localhost\\" + share})
        CreateDirectoryA(folder.c_str(), nullptr);
    const std::string fleet = "\\\\localhost\\" + share + "\\fleet";
    MakeFleetFolder(fleet);
    const std::string settings = support::Joined(Expand(DefaultSettings() + SettingsWith({})));
    WriteFile(fleet + "\\bases\\a-torg.ini", settings);
    WriteFile(fleet + "\\bases\\b-aside.ini", settings);
    ASSERT_TRUE(SetFileAttributesA((fleet + "\\bases\\b-aside.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    WriteFile(Base() + "\\standin.scenario", support::Joined(ScenarioWith({})));

    SetEnvironmentVariableA("LOGDIR", "night");
    const ChildResult run = RunChild("cmd /c \"" + fleet + "\\fleet.bat\"", Work(), 120000);
    SetEnvironmentVariableA("LOGDIR", nullptr);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    const Lines summary = {"==== fleet run {*} ====", "OK         {*}:{*}:{*}  {*}:{*}:{*}  a-torg.ini (0)"};
    EXPECT_TRUE(MatchSequence("summary log", summary, ConsoleLines(ReadFile(fleet + "\\fleet.log"))));
    EXPECT_TRUE(MatchSequence("console", Lines{"..."} + summary, ConsoleLines(run.output)));
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    const Lines log = LogLines(ReadFile(fleet + "\\night\\a-torg.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(MatchEntry("Завершение: код выхода 0, длительность {*}", log.back())) << Printable(log.back());
    EXPECT_FALSE(FileExists(Work() + "\\night"));

    SetEnvironmentVariableA("BASES", "gone");
    const ChildResult lost = RunChild("cmd /c \"" + fleet + "\\fleet.bat\"", Work(), 120000);
    SetEnvironmentVariableA("BASES", nullptr);
    EXPECT_EQ(lost.exitCode, 1u) << lost.output;
    const Lines unreachable = {"==== fleet run {*} ====", "FAILED     cannot open the folder: " + fleet + "\\gone"};
    EXPECT_TRUE(MatchSequence("console", unreachable, ConsoleLines(lost.output)));
    EXPECT_TRUE(MatchSequence("summary log", summary + unreachable, ConsoleLines(ReadFile(fleet + "\\fleet.log"))));
    support::RemoveTree(unc + "\\localhost\\" + share);
}

// Two runners started together (tasks side by side, each with its folder of settings
// files) draw the same %RANDOM% in the same second: each keeps its own summary all the same.
TEST_F(RunScenario, FleetRunnersStartedTogetherKeepTheirOwnSummaries) {
    const char* const names[] = {"one", "two"};
    for (const char* name : names) {
        MakeFleetFolder(Work() + "\\" + name);
        // No such infobase: each run fails at once, starting nothing.
        for (int i = 1; i <= 4; ++i)
            WriteFile(Work() + "\\" + name + "\\bases\\" + name + std::to_string(i) + ".ini",
                      "BasePath=" + Work() + "\\нет\r\n");
    }
    ChildResult runs[2];
    auto run = [&](int i) {
        const std::string fleet = Work() + "\\" + names[i];
        runs[i] = RunChild("cmd /c \"" + fleet + "\\fleet.bat\"", fleet, 120000);
    };
    std::thread second(run, 1);
    run(0);
    second.join();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(runs[i].exitCode, 1u) << runs[i].output;
        Lines summary = {"==== fleet run {*} ===="};
        for (int j = 1; j <= 4; ++j)
            summary.push_back("FAILED     {*}:{*}:{*}  {*}:{*}:{*}  " + std::string(names[i]) + std::to_string(j) + ".ini (1)");
        EXPECT_TRUE(MatchSequence("summary log", summary,
                                  ConsoleLines(ReadFile(Work() + "\\" + names[i] + "\\fleet.log"))));
        EXPECT_TRUE(MatchSequence("console", Lines{"..."} + summary, ConsoleLines(runs[i].output)));
    }
}

}  // namespace
