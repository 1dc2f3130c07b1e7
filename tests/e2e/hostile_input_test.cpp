// Hostile and odd input, end to end: settings files with zero bytes, lone carriage returns,
// megabytes of lines, overlong values, a byte-order mark and Cyrillic keys; thousands of
// arguments and command lines at the system's limit; paths beyond 260 characters, Cyrillic
// paths, closing backslashes; coded passwords that are no coded text. Each gets its
// specified behaviour or a clear error line and exit code, never a crash.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "tests/e2e/expected.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/secrets.h"
#include "tests/support/child_process.h"

namespace {

using e2e::Lines;
using e2e::RunResult;
using e2e::operator+;

const char LoginSecret[] = "Вход-Пароль-7431";

// The short usage hint after the two base path errors.
Lines Hint() { return {"", "Для получения помощи введите ", "  cfgload /?"}; }

std::wstring Wide(const std::string& ansi) {
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

// Folders and files beyond MAX_PATH can only be made through the "\\?\" form.
bool MakeLongFolder(const std::string& path) {
    return CreateDirectoryW((L"\\\\?\\" + Wide(path)).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool MakeLongFile(const std::string& path, const std::string& bytes) {
    unique_handle file = OwnFileHandle(
        CreateFileW((L"\\\\?\\" + Wide(path)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void RemoveLong(const std::string& path, bool folder) {
    std::wstring name = L"\\\\?\\" + Wide(path);
    if (folder)
        RemoveDirectoryW(name.c_str());
    else
        DeleteFileW(name.c_str());
}

// A stand-in scenario value: control bytes and backslashes escaped.
std::string ScenarioValue(const std::string& text) {
    std::string escaped;
    for (unsigned char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            escaped += hex;
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}

class HostileInput : public e2e::EndToEnd {
protected:
    // The settings file written byte for byte and named on the command line (it comes after
    // the harness's own, empty one, so it is the one read).
    RunResult RunWithFile(const std::string& bytes, const std::vector<std::string>& standin,
                          const std::vector<std::string>& arguments = {}, DWORD limitMs = 60000) {
        const std::string file = Work() + "\\raw.ini";
        WriteFile(file, bytes);
        return Run({}, standin, Lines{file} + arguments, limitMs, true);
    }

    std::string Line(const std::string& key, const std::string& value) const { return key + "=" + value + "\r\n"; }

    // The lines that make a whole run possible: base, configurator, file to load, user.
    std::string UsualLines() const {
        return Line("BasePath", Base()) + Line("Path1CExe", WindowsPath(STANDIN_EXE)) + Line("NewMDPath", NewMd()) +
               Line("User", "Администратор");
    }

    // Up to the search for the main window; no log-in window comes (login=0).
    static Lines StartLines(const std::string& user, const std::string& base = "{base}",
                            const std::string& exe = "{standin}") {
        return e2e::LaunchLines(user, base, exe) + Lines{e2e::SearchLine};
    }

    // A load with the stand-in's own changes (the scenarios give none).
    static Lines LoadLines(const std::string& file = "{new_md}") { return e2e::LoadLines(file, e2e::StandinChanges); }

    void ExpectLoaded(const RunResult& run) {
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    }
};

// ---- settings files ----

// A zero byte ends a line for the reader, wherever it stands.
TEST_F(HostileInput, SettingsFileWithZeroBytes) {
    using namespace std::string_literals;
    std::string bytes = "BasePath="s + Base() + "\0 and garbage after it\r\n"s + Line("Path1CExe", WindowsPath(STANDIN_EXE)) +
                        Line("NewMDPath", NewMd()) + "User=Иван\0Петров\r\n"s + "\0Debug=0\r\n"s + "Deb\0ug=0\r\n"s +
                        "WorkTime=\0"s + "5\r\n"s + "\0\0\0\r\n"s;
    RunResult run = RunWithFile(bytes, {"login=0"});
    ExpectLoaded(run);
    EXPECT_TRUE(e2e::MatchSequence("console", Expand(StartLines("Иван") + LoadLines()), run.console));
}

// A lone carriage return is no line end: it stays inside the value, and the base path
// that results is reported, not taken apart.
TEST_F(HostileInput, SettingsFileWithLoneCarriageReturns) {
    RunResult run = RunWithFile("BasePath=" + Base() + "\rDebug=0\rUser=Никто\r", {});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.standinStarts, 0);
    EXPECT_TRUE(e2e::MatchSequence(
        "console",
        Lines{"ОШИБКА! Путь [" + Base() + "\rDebug=0\rUser=Никто] не есть существующий каталог"} + Hint(),
        run.console));
}

// Ten megabytes: 200,000 comment lines, a five-megabyte line without a line end (read in
// pieces of 510 characters, none of which holds an "="), then the settings; a value of 600
// characters is cut at 510 characters of its line, the rest read as a line of its own.
TEST_F(HostileInput, TenMegabytesOfLinesAndOverlongValues) {
    std::string bytes = Line("User", "Первый");
    for (int i = 0; i < 200000; ++i) bytes += "; комментарий номер " + std::to_string(i) + "\r\n";
    bytes += std::string(5 * 1024 * 1024, 'x') + "\r\n";
    bytes += UsualLines();
    const std::string kept(505, 'ж');
    bytes += "User=" + kept + std::string(90, 'ы') + "\r\n";
    ASSERT_GT(bytes.size(), 10u * 1000 * 1000);
    ULONGLONG started = GetTickCount64();
    RunResult run = RunWithFile(bytes, {"login=0"}, {}, 180000);
    ExpectLoaded(run);
    EXPECT_TRUE(e2e::MatchSequence("console", Expand(StartLines(kept) + LoadLines()), run.console));
    std::printf("a run with a settings file of %zu bytes took %llu ms\n", bytes.size(), GetTickCount64() - started);
}

// A byte-order mark makes the first key unknown: that line is lost, nothing else.
TEST_F(HostileInput, ByteOrderMarkOnTheFirstKey) {
    RunResult run = RunWithFile("\xEF\xBB\xBF" + UsualLines(), {});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.standinStarts, 0);
    EXPECT_TRUE(e2e::MatchSequence("console", Lines{"ОШИБКА! Не задан путь к базе"} + Hint(),
                                   run.console));
}

// The mark on a comment line costs nothing; Cyrillic keys, look-alike keys and huge
// numbers are taken as specified.
TEST_F(HostileInput, ByteOrderMarkOnACommentCyrillicKeysAndHugeNumbers) {
    std::string bytes = "\xEF\xBB\xBF; saved as UTF-8\r\n" + UsualLines() + Line("БазаПуть", "C:\\Нет") +
                        Line("ПАРОЛЬ", "Кириллический-Ключ-55") + Line("Usеr", "Подделка") /* a Cyrillic е */ +
                        Line("ДЕБАГ", "0") + Line("WorkTime", "99999999999999999999") + Line("Debug", "+1x");
    RunResult run = RunWithFile(bytes, {"login=0"});
    ExpectLoaded(run);
    Lines launch = StartLines("Администратор");
    launch.insert(launch.end() - 1, "Выполнять не более 2147483647 мин.");
    EXPECT_TRUE(e2e::MatchSequence("console", Expand(launch + LoadLines()), run.console));
    EXPECT_TRUE(e2e::NoPasswordShown({"Кириллический-Ключ-55"}, run, {}));
}

// ---- command lines ----

TEST_F(HostileInput, ThousandsOfArguments) {
    std::vector<std::string> arguments;
    for (int i = 0; i < 2000; ++i) {
        arguments.push_back("/k" + std::to_string(i));
        arguments.push_back(std::to_string(i));
    }
    arguments = arguments + Lines{"/", "пусто", "//", "/BASEPATH", "{base}", "/Path1CExe", "{standin}",
                                                     "/NewMDPath", "{new_md}", "/user", "Из командной строки",
                                                     "/Password", LoginSecret, "/debug", "/worktime", "/hide"};
    RunResult run = Run({}, {std::string("password=") + LoginSecret}, arguments, 60000, true);
    ExpectLoaded(run);
    EXPECT_TRUE(e2e::MatchSequence(
        "console", Expand(StartLines("Из командной строки") + Lines{"Авторизация  доступа"} + LoadLines()),
        run.console));
}

// The configurator's command line is limited to 32,767 characters with its terminating
// zero. One that fits is passed whole; one character more is refused by the system (with
// error 206 on Windows, 87 under Wine) and reported, never cut short.
TEST_F(HostileInput, ConfiguratorCommandLineAtTheSystemLimit) {
    const std::string prefix =
        "\"" + WindowsPath(STANDIN_EXE) + "\" config /d\"" + Base() + "\" /u\"" + Base() + "\" /n";
    for (size_t length : {size_t(32766), size_t(32767)}) {
        SCOPED_TRACE(length);
        const std::string user(length - prefix.size(), 'ж');
        RunResult run = Run({}, {"login=0"}, {"/user", user});
        if (length == 32766) {
            ExpectLoaded(run);
            const e2e::JournalEvent* commandLine = run.Find("cmdline");
            ASSERT_NE(commandLine, nullptr);
            EXPECT_EQ(commandLine->text, prefix + user);
        } else {
            EXPECT_EQ(run.exitCode, 1u);
            EXPECT_EQ(run.standinStarts, 0);
            EXPECT_TRUE(e2e::MatchSequence("console",
                                           Expand({"Подготовка командной строки...", "  1C: {standin}", "  База: {base}",
                                                   "  Пользователь: " + user, "", "ОШИБКА! Ошибка запуска 1C: ({*}) {*}",
                                                   ""}),
                                           run.console));
        }
        WriteFile(InfobaseMd(), OriginalMd);
    }
}

// ---- paths ----

// Beyond MAX_PATH the ANSI file functions give up: each path gets its clear error line.
TEST_F(HostileInput, PathsLongerThan260Characters) {
    std::string longFolder = Work();
    std::vector<std::string> made;
    while (longFolder.size() <= 300) {
        longFolder += "\\очень-длинное-имя-каталога";
        ASSERT_TRUE(MakeLongFolder(longFolder)) << GetLastError();
        made.push_back(longFolder);
    }
    const std::string longFile = longFolder + "\\новая.md";
    ASSERT_TRUE(MakeLongFile(longFile, NewMdContents));
    const std::string longSettings = longFolder + "\\настройки.ini";
    ASSERT_TRUE(MakeLongFile(longSettings, UsualLines()));

    RunResult base = Run({"BasePath=" + longFolder}, {});
    EXPECT_EQ(base.exitCode, 1u);
    EXPECT_TRUE(e2e::MatchSequence(
        "console", Lines{"ОШИБКА! Путь [" + longFolder + "] не есть существующий каталог"} + Hint(),
        base.console));

    RunResult toLoad = Run({"NewMDPath=" + longFile}, {});
    EXPECT_EQ(toLoad.exitCode, 1u);
    ASSERT_EQ(toLoad.console.size(), 1u) << "one error line";
    EXPECT_TRUE(toLoad.console[0] == "ОШИБКА! [" + longFile + "] не найден!" ||
                toLoad.console[0] == "ОШИБКА! [" + longFile + "] не файл!")
        << e2e::Printable(toLoad.console[0]);

    // The C runtime opens a settings file beyond MAX_PATH where the system allows such
    // names (Wine does; Windows only with long paths enabled): read, or reported, never a crash.
    RunResult settings = Run({}, {"login=0"}, {longSettings}, 60000, true);
    ASSERT_FALSE(settings.console.empty());
    if (settings.console[0].compare(0, 8, "ОШИБКА! ") == 0) {
        EXPECT_EQ(settings.console[0], "ОШИБКА! Не могу открыть файл: " + longSettings);
        EXPECT_TRUE(e2e::MatchSequence("console", Lines{"...", "ОШИБКА! Не задан путь к базе"} + Hint(),
                                       settings.console));
        EXPECT_EQ(settings.exitCode, 1u);
        EXPECT_EQ(settings.standinStarts, 0);
    } else {
        ExpectLoaded(settings);
        EXPECT_TRUE(e2e::MatchSequence("console", Expand(StartLines("Администратор") + LoadLines()), settings.console));
    }
    EXPECT_EQ(base.standinStarts + toLoad.standinStarts, 0);

    RemoveLong(longFile, false);
    RemoveLong(longSettings, false);
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) RemoveLong(*folder, true);
}

// Cyrillic and blanks in every path: the configurator's executable, the infobase (and so
// its working directory), the file to load, the unload file with the folder pattern, and
// a user name with a blank.
TEST_F(HostileInput, CyrillicPathsEverywhere) {
    const std::string folder = Work() + "\\Конфигуратор 1С";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string exe = folder + "\\1cv7 Стенд.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(STANDIN_EXE).c_str(), exe.c_str(), FALSE));
    const std::string base = Work() + "\\База №1 Торговля";
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    WriteFile(base + "\\1cv7.md", OriginalMd);
    WriteFile(base + "\\standin.scenario", "login=0\r\n");
    const std::string toLoad = Work() + "\\Новая конфигурация.md";
    WriteFile(toLoad, NewMdContents);
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string unload = Lower(Work()) + "\\База №1 Торговля-" + std::to_string(now.wYear) + ".zip";

    RunResult run = Run({"BasePath=" + base, "Path1CExe=" + exe, "NewMDPath=" + toLoad, "User=Пётр Иванов",
                         "DownloadTo=" + Work() + "\\?F-?YYYY.zip"},
                        {}, {}, 60000, true);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(e2e::MatchSequence("console",
                                   StartLines("Пётр Иванов", base, exe) + e2e::UnloadLines(unload) + LoadLines(toLoad),
                                   run.console));
    std::vector<e2e::JournalEvent> journal = e2e::ReadJournal(base + "\\standin.journal");
    e2e::RunResult standin;
    standin.journal = journal;
    const e2e::JournalEvent* commandLine = standin.Find("cmdline");
    ASSERT_NE(commandLine, nullptr);
    EXPECT_EQ(commandLine->text, "\"" + exe + "\" config /d\"" + base + "\" /u\"" + base + "\" /nПётр Иванов");
    const e2e::JournalEvent* directory = standin.Find("cwd");
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(Lower(directory->text), Lower(base));
    EXPECT_TRUE(FileExists(unload));
    EXPECT_EQ(ReadFile(base + "\\1cv7.md"), NewMdContents);
    ASSERT_NE(standin.Find("exit"), nullptr) << "the stand-in ended by itself";
}

// One closing backslash: the same infobase, the path passed on unchanged, the folder
// pattern the same. Two: still the same infobase, and an empty folder name.
TEST_F(HostileInput, BasePathWithClosingBackslashes) {
    for (const std::string tail : {"\\", "\\\\"}) {
        SCOPED_TRACE(tail);
        RunResult run = Run({"BasePath=" + Base() + tail, "DownloadTo={work}\\x?F.zip"}, {"login=0"});
        ExpectLoaded(run);
        const std::string unload = Lower(Work()) + "\\x" + (tail.size() == 1 ? "base" : "") + ".zip";
        EXPECT_TRUE(e2e::MatchSequence(
            "console",
            Expand(StartLines("Администратор", "{base}" + tail) + e2e::UnloadLines(unload) + LoadLines()),
            run.console));
        const e2e::JournalEvent* commandLine = run.Find("cmdline");
        ASSERT_NE(commandLine, nullptr);
        EXPECT_NE(commandLine->text.find(" /d\"" + Base() + tail + "\" /u\"" + Base() + tail + "\" /n"), std::string::npos)
            << e2e::Printable(commandLine->text);
        EXPECT_TRUE(FileExists(unload));
        WriteFile(InfobaseMd(), OriginalMd);
    }
}

// ---- coded passwords ----

// Text that no "/code" made: decoded by the rules all the same (letters of either case,
// signs, blanks, foreign characters, short groups), typed, accepted where it matches, and
// never printed.
TEST_F(HostileInput, CodedPasswordsWithInvalidCharacters) {
    const std::string coded = "0A4K0o1g18h0 zzz+12a-1b2\t1q!ж%s%n";
    const std::string plain = e2e::DecodeCodedPassword(coded);
    ASSERT_GE(plain.size(), e2e::MinCheckedPasswordLength);
    const std::string configCoded = "!!!!";  // decodes to nothing: no password at all
    ASSERT_EQ(e2e::DecodeCodedPassword(configCoded), "");
    RunResult run = Run({"SecPassword=" + coded, "SecConfPassword=" + configCoded},
                        {"password=" + ScenarioValue(plain)});
    ExpectLoaded(run);
    EXPECT_TRUE(e2e::MatchSequence("journal",
                                   e2e::LoginAnsweredJournal(plain) + Lines{"..."},
                                   run.JournalLines()));
    EXPECT_EQ(run.Find("show", "password"), nullptr);
}

}  // namespace
