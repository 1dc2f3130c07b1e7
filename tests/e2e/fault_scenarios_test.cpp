// A configurator that misbehaves, end to end against the stand-in: it hangs at every kind
// of place, crashes, closes, lets dialogs vanish, opens bursts of unknown dialogs, lists
// thousands of changes and shows huge texts full of format directives. cfgload must end,
// within its time limit where one is set, report the true outcome and delete nothing after
// a run that did not succeed. Expected texts come from the stand-in's own copy (expected.h).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/expected.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/standin_probe.h"
#include "tests/e2e/standin_watch.h"
#include "tests/support/png_reader.h"
#include "tests/support/screen_turn.h"

namespace {

using namespace e2e;

// Distinctive passwords, so that the harness's secrets check cannot be fooled by chance;
// the configuration passwords are given in their coded form.
const char LoginSecret[] = "Вход-Пароль-7431";
const char LoginSecretCoded[] = "0a4k0o1g18h00hq40fa60gai13nw12o9";
const char ConfigSecret[] = "Конфиг-Пароль-5820";
const char ConfigSecretCoded[] = "08r00r771ckf0b8o0g9c09rg129e142310wc";

const char TimeIsUp[] = "ОШИБКА! Истекло время выполнения задачи!!!";
const char WindowLost[] = "ОШИБКА! Окно конфигуратора потеряно!";
const char Interrupted[] = "ОШИБКА! Работа прервана: конфигуратор оставлен открытым.";

// WorkTime 1: the run must end a minute after the configurator became ready, give or
// take the start-up, and never much later.
constexpr DWORD HangLimitMs = 150000;
constexpr DWORD DeadlineMs = 59000;  // the deadline is counted in whole seconds
constexpr DWORD DeadlineSlackMs = 20000;

std::vector<std::string> Settings(std::vector<std::string> lines) {
    return Lines{std::string("SecPassword=") + LoginSecretCoded} + lines;
}

std::vector<std::string> Scenario(std::vector<std::string> lines) {
    return Lines{std::string("password=") + LoginSecret, "change=" + Change} + lines;
}

class Faults : public e2e::EndToEnd {
protected:
    // A run that the time limit must end: exit 1, the stand-in terminated with exit code 3,
    // about a minute after the start, the file to load never deleted.
    RunResult CutOffAtTheDeadline(Case run) {
        run.settings = run.settings + Lines{"WorkTime=1", "DeleteAfter=1"};
        run.exitCode = 1;
        run.limitMs = HangLimitMs;
        StandinWatch watch(JournalFile());
        RunResult result = Check(run);
        EXPECT_EQ(watch.ExitCode(5000), 3) << "the stand-in's exit code";
        EXPECT_GE(result.elapsedMs, DeadlineMs);
        EXPECT_LE(result.elapsedMs, DeadlineMs + DeadlineSlackMs);
        EXPECT_FALSE(result.standinLeftRunning);
        EXPECT_TRUE(FileExists(NewMd())) << "deleted after a run cut off by the deadline";
        return result;
    }

    // The document window opens at the first idle moment, before the load; no other opens.
    void EndsWithTheEarlyDocumentWindow(bool limited) {
        Case run;
        run.settings = Settings({limited ? "WorkTime=1" : "WorkTime=0", "DeleteAfter=1"});
        run.standin = Scenario({"mdi_child=idle"});
        run.exitCode = 0;
        run.limitMs = 30000;
        run.console = LoginLines(limited) + LoadLines() + Lines{"Удаление файла {new_md}"};
        run.journal = LoginJournal(LoginSecret) + Lines{"document - enabled"} + LoadJournal() + ExitJournal();
        Check(run);
        EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
        EXPECT_FALSE(FileExists(NewMd()));
    }

    // The console lines between two known lines.
    static std::vector<std::string> Between(const std::vector<std::string>& lines, const std::string& first,
                                            const std::string& last) {
        std::vector<std::string> part;
        bool inside = false;
        for (const auto& line : lines) {
            if (inside && line == last) return part;
            if (inside) part.push_back(line);
            if (!inside && line == first) inside = true;
        }
        ADD_FAILURE() << "no lines between \"" << e2e::Printable(first) << "\" and \"" << e2e::Printable(last) << "\"";
        return {};
    }

    static std::string Repeated(const std::string& unit, size_t size) {
        std::string text;
        while (text.size() < size) text += unit;
        text.resize(size);
        return text;
    }
};

// ---- hangs: the time limit ends each of them ----

TEST_F(Faults, HangBeforeTheFirstIdleMoment) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"hang=start"});
    run.console = LaunchLines() + Lines{TimeIsUp};
    run.journal = {"hang - start"};
    CutOffAtTheDeadline(run);
}

// The single-user error is answered with a press that waits for the configurator.
TEST_F(Faults, HangInsideAPressThatWaitsForTheAnswer) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"single_user=load", "hang=press:single_user"});
    run.console = LoginLines(true) + Lines{std::string("ОШИБКА! ") + NoSingleUserText, TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(LoadCommand),
        std::string("show single_user ") + NoSingleUserText,
        "button single_user " + Id(IDCANCEL),
        "hang - press:single_user",
    };
    CutOffAtTheDeadline(run);
}

TEST_F(Faults, HangWhileThePasswordIsTyped) {
    Case run;
    run.settings = Settings({std::string("SecConfPassword=") + ConfigSecretCoded});
    run.standin = Scenario({std::string("config_password=") + ConfigSecret, "hang=settext:password"});
    run.console = LoginLines(true) + Lines{"Ввод пароля... OK", TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(LoadCommand),
        std::string("show password ") + PasswordPromptText,
        std::string("typed password ") + ConfigSecret,
        "hang - settext:password",
    };
    CutOffAtTheDeadline(run);
}

TEST_F(Faults, HangWhileTheUnloadFileIsTyped) {
    Case run;
    run.settings = Settings({"DownloadTo={unload}"});
    run.standin = Scenario({"hang=settext:unload"});
    run.console = LoginLines(true) + Lines{"Выгрузка в файл: {unload_lower}", TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(UnloadCommand),
        std::string("show unload ") + UnloadDataText,
        "typed unload {unload_lower}",
        "hang - settext:unload",
    };
    CutOffAtTheDeadline(run);
    EXPECT_FALSE(FileExists(UnloadFile()));
}

TEST_F(Faults, HangWhileTheStructureChangesAreRead) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"hang=list_read"});
    run.console = LoginLines(true) + OpenFileLines() + SaveAndStructureLines({}) + Lines{TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(LoadCommand), "...", "button save " + Id(IDYES), std::string("show structure ") + StructureChangesText,
        "hang - list_read",
    };
    CutOffAtTheDeadline(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

// A long list answered slowly, item by item (5,000 items at 50 ms each): the reading stops
// at the time limit, the items read by then stay printed in order, the changes are not
// accepted, and the configurator is terminated.
TEST_F(Faults, SlowLongListOfChangesIsCutOffAtTheDeadline) {
    const std::string prefix = "Документ РасходнаяНакладная: изменен реквизит №";
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"changes_generated=5000", "list_read_ms=50"});
    run.console = LoginLines(true) + OpenFileLines() +
                  Lines{"Сохранить конфигурацию?", " =ДА=", "Изменения в структуре информации", "   ** " + Change, "...",
                        TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(LoadCommand), "...", "button save " + Id(IDYES), std::string("show structure ") + StructureChangesText,
    };
    RunResult result = CutOffAtTheDeadline(run);
    std::vector<std::string> printed = Between(result.console, std::string("   ** ") + Change, TimeIsUp);
    EXPECT_GT(printed.size(), 0u);
    EXPECT_LT(printed.size(), 5000u);
    for (size_t i = 0; i < printed.size(); ++i)
        ASSERT_EQ(printed[i], "   ** " + prefix + std::to_string(i + 1)) << "change " << i + 1;
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    std::printf("%zu of 5,001 changes printed; cut off after %lu ms\n", printed.size() + 1, result.elapsedMs);
}

// The work is done, but the configurator never closes: still a failure, and the loaded
// file stays.
TEST_F(Faults, HangInsideTheExitCommand) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"hang=exit"});
    run.console = LoginLines(true) + LoadLines() + Lines{TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + LoadJournal() +
                  Lines{"document - enabled", CommandEntry(ExitCommand), "hang - exit"};
    CutOffAtTheDeadline(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
}

TEST_F(Faults, HangWhileTheFirstDocumentWindowIsDisabled) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"mdi_child_disabled=1", "hang=mdi_disabled"});
    run.console = LoginLines(true) + LoadLines() + Lines{TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + LoadJournal() + Lines{"document - disabled", "hang - mdi_disabled"};
    CutOffAtTheDeadline(run);
}

// Dialog after dialog, each answered and opened again at once: no cycle of the loop is
// ever quiet, and the time limit must still end the run.
TEST_F(Faults, EndlessStreamOfDialogs) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"extra_loop.at=load", "extra_loop.text=Ещё раз", "extra_loop.count=100000"});
    run.console = LoginLines(true) + Lines{"1С:Предприятие :: Ещё раз ", " =OK=", "...", TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + Lines{CommandEntry(LoadCommand), "show extra_loop Ещё раз", "..."};
    CutOffAtTheDeadline(run);
}

// A document window that is open before any work was asked for is no sign that the work
// is over: the load is still sent and carried out. Once the configurator has reported the
// restructuring finished, that same window ends the work although no new one opens: the
// exit command is sent and the run succeeds, with or without a time limit, well inside it.
TEST_F(Faults, DocumentWindowOpenBeforeTheWorkEndsItOnceFinished) {
    EndsWithTheEarlyDocumentWindow(false);
}

TEST_F(Faults, DocumentWindowOpenBeforeTheWorkEndsItOnceFinishedWithinTheTimeLimit) {
    EndsWithTheEarlyDocumentWindow(true);
}

// A configurator that takes seconds over each press: the one-second presses give up
// waiting, and every dialog is still answered once, in order, to a successful end.
TEST_F(Faults, SlowPressesAreAnsweredOnce) {
    Case run;
    run.settings = Settings({"DeleteAfter=1"});
    run.standin = Scenario({"open_file.press_ms=2500", "save.press_ms=2500", "structure.press_ms=2500",
                            "done.press_ms=2500"});
    run.exitCode = 0;
    run.console = LoginLines() + LoadLines() + Lines{"Удаление файла {new_md}"};
    run.journal = LoginJournal(LoginSecret) + LoadAndExitJournal();
    Check(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_FALSE(FileExists(NewMd()));
}

// ---- crashes and closes ----

// A configurator that dies before its main window is found ends the search at once: only
// its own windows could have ended it. The time limit is not what ends it.
TEST_F(Faults, CrashBeforeOrAsTheMainWindowAppearsEndsTheSearchAtOnce) {
    struct Row {
        const char* crash;
        const char* line;
        Lines journal;
    };
    const Row rows[] = {
        {"crash=press:login", "ОШИБКА! Окно конфигуратора не найдено!", LoginAnsweredJournal(LoginSecret) + Lines{"crash - press:login"}},
        // Gone right after its main window was made: whether a search pass saw the window
        // first is timing, and either line is true.
        {"crash=main", "ОШИБКА! Окно конфигуратора {*}!", LoginJournal(LoginSecret) + Lines{"crash - main"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.crash);
        Case run;
        run.settings = Settings({"WorkTime=1", "DeleteAfter=1"});
        run.standin = Scenario({row.crash});
        run.exitCode = 1;
        run.limitMs = 30000;
        run.console = LoginLines(true) + Lines{row.line};
        run.journal = row.journal;
        RunResult result = Check(run);
        EXPECT_LE(result.elapsedMs, 15000u) << "the search went on after the configurator had ended";
        EXPECT_FALSE(result.standinLeftRunning);
        EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
        EXPECT_TRUE(FileExists(NewMd()));
    }
}

TEST_F(Faults, CrashAfterTheMainWindowWasFound) {
    Case run;
    run.settings = Settings({"DeleteAfter=1"});
    run.standin = Scenario({"crash=load"});
    run.exitCode = 1;
    run.console = LoginLines() + Lines{WindowLost};
    run.journal = LoginJournal(LoginSecret) + Lines{CommandEntry(LoadCommand), "crash - load"};
    Check(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd()));
}

// The configuration was written, but the configurator died before it said the work was
// done: a failure, and the file to load stays.
TEST_F(Faults, CrashAfterTheRestructuringBeforeItsEnd) {
    Case run;
    run.settings = Settings({"DeleteAfter=1"});
    run.standin = Scenario({"crash=after_restructure"});
    run.exitCode = 1;
    run.console = LoginLines() + OpenFileLines() + SaveAndStructureLines() + Lines{WindowLost};
    run.journal = LoginJournal(LoginSecret) + Lines{CommandEntry(LoadCommand), "...", "loaded - {new_md}",
                                                    "crash - after_restructure"};
    Check(run);
    EXPECT_TRUE(FileExists(NewMd()));
}

TEST_F(Faults, CrashInsideAPress) {
    Case run;
    run.settings = Settings({"DeleteAfter=1"});
    run.standin = Scenario({"crash=press:structure"});
    run.exitCode = 1;
    run.console = LoginLines() + OpenFileLines() + SaveAndStructureLines() + Lines{WindowLost};
    run.journal = LoginJournal(LoginSecret) + Lines{CommandEntry(LoadCommand), "...", "button structure " + Id(IDOK),
                                                    "crash - press:structure"};
    Check(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(FileExists(NewMd()));
}

// ---- the operator interrupts ----

BOOL WINAPI IgnoreCtrlC(DWORD event) { return event == CTRL_C_EVENT; }

// Ctrl+C while the configurator, started hidden, restructures: exit code 1 at once, the
// configurator shown again and left to finish. Ctrl+C goes to every process of a console,
// and the console Wine gives a program started without a terminal takes none: this process
// makes a console of its own for the rest of its life, which cfgload inherits, and ignores
// the event. (Wine 8 sends neither Ctrl+Break nor the closing of a console; cfgload takes
// them as Ctrl+C.)
TEST_F(Faults, CtrlCLeavesTheConfiguratorWorkingAndShownAgain) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    SetConsoleCtrlHandler(IgnoreCtrlC, TRUE);
    int hiddenWhenInterrupted = -1, shownAgain = -1;
    std::thread interrupter([&] {
        DWORD pid = 0;
        bool restructuring = probe::WaitUntil([&] {
            for (const auto& event : e2e::ReadJournal(JournalFile())) {
                if (event.kind == "start") pid = std::strtoul(event.text.c_str() + 4, nullptr, 10);
                if (event.kind == "restructuring") return true;
            }
            return false;
        }, 60000);
        HWND mainWindow = !restructuring || !pid ? nullptr : probe::FindTopLevel(pid, [](HWND window) {
            return GetWindowLongA(window, GWL_EXSTYLE) == 0x110 && FindWindowExA(window, nullptr, "MDIClient", nullptr);
        });
        if (!mainWindow) return;
        hiddenWhenInterrupted = !IsWindowVisible(mainWindow);
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
        shownAgain = probe::WaitUntil([&] { return IsWindowVisible(mainWindow) != 0; });
    });
    Case run;
    run.settings = Settings({"Hide=1", "LogFile={work}\\run.log"});
    run.standin = Scenario({"restructure_ms=1000"});
    run.exitCode = 1;
    run.console = LoginLines() + OpenFileLines() + SaveAndStructureLines() + Lines{Interrupted};
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(LoadCommand), "...", "read structure 1", "restructuring - 1000", "loaded - {new_md}",
        std::string("show done ") + RestructuringDoneText,
    };
    RunResult result = Check(run);
    interrupter.join();
    SetConsoleCtrlHandler(IgnoreCtrlC, FALSE);
    EXPECT_EQ(hiddenWhenInterrupted, 1);
    EXPECT_EQ(shownAgain, 1);
    EXPECT_TRUE(result.standinLeftRunning) << "the configurator must be left to its work";
    // The log ends as the console does, then with its own last line.
    EXPECT_TRUE(MatchSequence("log", {"...", Interrupted, "Завершение: код выхода 1, длительность 0:00:{*}"},
                              e2e::LogLines(ReadFile(Work() + "\\run.log"))));
}

// ---- dialogs that vanish, come in bursts, come back ----

// Dialogs that close by themselves within milliseconds, many of them: some are gone
// before the loop sees them, some between being found and being answered. Each one seen
// is answered or reported as gone, and the run goes on to its true end.
TEST_F(Faults, DialogsThatVanishWhileFoundOrAnswered) {
    RunResult result = Run(Settings({"DeleteAfter=1"}),
                           Scenario({"extra_blink.at=after_file", "extra_blink.text=Мигающее окно",
                                     "extra_blink.count=300", "extra_blink.vanish_ms=15"}),
                           {}, 120000);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_FALSE(FileExists(NewMd()));
    std::vector<std::string> answers = Between(result.console, " =OK=", "Сохранить конфигурацию?");
    ASSERT_EQ(answers.size() % 2, 0u) << "a description and a caption per dialog";
    for (size_t i = 0; i < answers.size(); i += 2) {
        // Whole, or cut short by the vanishing at any step of the description.
        EXPECT_TRUE(answers[i] == "1С:Предприятие :: Мигающее окно " || answers[i] == "<Нет окна> " ||
                    answers[i] == "1С:Предприятие :: <Нет окна> " || answers[i] == "1С:Предприятие ")
            << e2e::Printable(answers[i]);
        EXPECT_TRUE(answers[i + 1] == " =OK=" || answers[i + 1] == " ==") << e2e::Printable(answers[i + 1]);
    }
    int shown = 0;
    for (const auto& event : result.journal) shown += event.kind == "show" && event.name == "extra_blink";
    EXPECT_EQ(shown, 300);
    std::printf("vanishing dialogs answered or reported: %zu of 300\n", answers.size() / 2);
}

// The log's text (UTF-8 with a byte-order mark) as Windows-1251 lines.
std::vector<std::string> LogLines(const std::string& utf8) {
    std::string bytes = utf8.compare(0, 3, "\xEF\xBB\xBF") == 0 ? utf8.substr(3) : utf8;
    std::wstring wide(bytes.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    std::string text(wide.size() * 2, '\0');
    text.resize(static_cast<size_t>(WideCharToMultiByte(1251, 0, wide.data(), static_cast<int>(wide.size()),
                                                        text.data(), static_cast<int>(text.size()), nullptr, nullptr)));
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::string Value(const std::string& line, const std::string& key) {
    size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return {};
    at += key.size() + 2;
    if (line[at] != '"') return line.substr(at, line.find(' ', at) - at);
    std::string value;  // the record's quoting undone, as far as a file name needs
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        value += line[at];
    }
    return value;
}

// The first record's unknown window: its line and its controls' lines, without what a
// window shown anew may change (handles, places, sizes), and its picture's line.
Lines UnknownWindowRecord(const std::vector<std::string>& log, std::string* picture = nullptr) {
    Lines record;
    auto window = std::find_if(log.begin(), log.end(), [](const std::string& line) {
        return line.compare(0, 7, "window ") == 0 && line.size() > 8 && line.substr(line.size() - 8) == " unknown";
    });
    for (auto line = window; line != log.end() && (line == window || line->compare(0, 2, "  ") == 0); ++line) {
        if (line->compare(0, 10, "  picture ") == 0) {
            if (picture) *picture = *line;
            continue;
        }
        std::string bare;
        std::istringstream words(*line);
        for (std::string word; words >> word;)
            if (word.compare(0, 7, "handle=") != 0 && word.compare(0, 6, "owner=") != 0 &&
                word.compare(0, 6, "place=") != 0 && word.compare(0, 5, "size=") != 0)
                bare += word + " ";
        record.push_back(bare);
    }
    return record;
}

// A window that no rule knows, with static texts and no button, open through the work: the
// log holds its texts when the fall-back meets it and again at the deadline, with a picture
// of it. That record, shown again by the stand-in, is met with the same texts.
// The unknown window of the two tests below, open until the deadline.
Case UnknownKeyWindowRun() {
    Case run;
    run.settings = Settings({"LogFile={work}\\night.log"});
    run.standin = Scenario({"extra_key.at=after_file", "extra_key.title=Ключ защиты",
                            "extra_key.statics=Ключ защиты не найден!|Работа в демо-режиме", "extra_key.buttons=",
                            // above the windows of the tests beside it: only an uncovered window is
                            // copied from the screen
                            "extra_key.topmost=1"});
    run.console = LoginLines(true) + OpenFileLines() + Lines{
        "Ключ защиты::Ключ защиты не найден!::Работа в демо-режиме ", " ==", TimeIsUp};
    run.journal = LoginJournal(LoginSecret) + OpenFileJournal() + Lines{"show extra_key Ключ защиты"};
    return run;
}

TEST_F(Faults, UnknownWindowRecordedAndShownAgainFromTheRecord) {
    const Case run = UnknownKeyWindowRun();
    const Lines console = run.console, journal = run.journal;
    {
        support::ScreenTurn turn;
        CutOffAtTheDeadline(run);
    }

    const std::vector<std::string> log = LogLines(ReadFile(Work() + "\\night.log"));
    int texts = 0, fallback = 0, deadline = 0;
    size_t deadlineAt = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        texts += log[i].find(" text=\"Ключ защиты не найден!\"") != std::string::npos;
        fallback += log[i].find("): окно, которого нет в правилах") != std::string::npos;
        if (log[i].find("): истекло время выполнения задачи") != std::string::npos) ++deadline, deadlineAt = i;
    }
    EXPECT_EQ(texts, 2) << "once when met, once at the deadline";
    EXPECT_EQ(fallback, 1);
    ASSERT_EQ(deadline, 1);
    // Only the log's last line, dated, follows the record taken at the deadline.
    int dated = 0;
    for (size_t i = deadlineAt + 1; i < log.size(); ++i) dated += log[i].size() > 4 && std::isdigit(static_cast<unsigned char>(log[i][0]));
    EXPECT_EQ(dated, 1);

    std::string pictureLine;
    const Lines recorded = UnknownWindowRecord(log, &pictureLine);
    ASSERT_FALSE(recorded.empty());
    const std::string window = *std::find_if(log.begin(), log.end(), [](const std::string& line) {
        return line.compare(0, 7, "window ") == 0 && line.find(" unknown") != std::string::npos;
    });
    EXPECT_EQ(Value(pictureLine, "size"), Value(window, "size")) << pictureLine;
    const support::PngPicture picture = support::ReadPng(ReadFile(Value(pictureLine, "file")));
    ASSERT_EQ(picture.error, "") << pictureLine;
    EXPECT_EQ(std::to_string(picture.width) + "x" + std::to_string(picture.height), Value(window, "size"));
    EXPECT_FALSE(picture.OneColour());

    // The record, shown again.
    ASSERT_TRUE(CopyFileA((Work() + "\\night.log").c_str(), (Work() + "\\recorded.log").c_str(), FALSE));
    Case replay;
    replay.settings = Settings({"LogFile={work}\\replay.log"});
    std::string recordedLog;  // a scenario value, its backslashes escaped
    for (char c : Work() + "\\recorded.log") recordedLog += c == '\\' ? std::string("\\\\") : std::string(1, c);
    replay.standin = Scenario({"extra_key.at=after_file", "extra_key.record=" + recordedLog});
    replay.console = console;
    replay.journal = journal;
    CutOffAtTheDeadline(replay);
    EXPECT_TRUE(MatchSequence("the window shown again", recorded,
                              UnknownWindowRecord(LogLines(ReadFile(Work() + "\\replay.log")))));
}

// A build whose every allocation of 64 KiB or more fails, as a large window's pixels can on
// the x86 build: the records lose their pictures, and the run still ends at its deadline with
// its own exit code, the configurator ended.
TEST_F(Faults, MemoryThatRunsOutCostsOnlyThePictures) {
    char saved[MAX_PATH * 4] = {};
    const DWORD savedLength = GetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST", saved, sizeof saved);
    SetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST", WindowsPath(CFGLOAD_SCARCE_MEMORY_EXE).c_str());
    {
        support::ScreenTurn turn;
        CutOffAtTheDeadline(UnknownKeyWindowRun());
    }
    SetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST", savedLength ? saved : nullptr);
    const std::vector<std::string> log = LogLines(ReadFile(Work() + "\\night.log"));
    int noMemory = 0;
    for (const std::string& line : log) noMemory += line.find(" not-taken=\"нет памяти\"") != std::string::npos;
    EXPECT_GE(noMemory, 2) << "the unknown window when met and at the deadline";
}

// Unknown dialogs of every shape, one after another, one of them opened five times over:
// each answered by the fall-back rule, and the work goes on.
TEST_F(Faults, BurstOfUnknownDialogsAndDialogsOpenedAgain) {
    Case run;
    run.settings = Settings({"DownloadTo={unload}", "DeleteAfter=1"});
    run.standin = Scenario({
        "extra_again.at=after_file", "extra_again.title=Предупреждение", "extra_again.text=Неизвестное сообщение",
        "extra_again.count=5",
        "extra_question.at=after_file", "extra_question.text=Продолжить?", "extra_question.buttons=6:Да,7:Нет",
        "extra_question.default=6",
        "extra_own.at=after_file", "extra_own.text=Только своя кнопка", "extra_own.buttons=1234:Дальше",
        "extra_own.default=1234",
        "extra_statics.at=after_file", "extra_statics.title=Сведения", "extra_statics.statics=Строка один|Строка два",
        "extra_statics.buttons=1:OK,2:Отмена",
        "extra_field.at=after_file", "extra_field.text=Текст в другом поле", "extra_field.text_id=100",
    });
    run.exitCode = 0;
    std::vector<std::string> again;
    for (int i = 0; i < 5; ++i) again = again + Lines{"Предупреждение :: Неизвестное сообщение ", " =OK="};
    run.console = LoginLines() + UnloadLines() + OpenFileLines() + again + Lines{
        "1С:Предприятие :: Продолжить? ", " =ДА=",
        "1С:Предприятие :: Только своя кнопка ", " ==",
        "Сведения::Строка один::Строка два ", " =OK=",
        "1С:Предприятие::Текст в другом поле ", " =OK=",
    } + SaveAndStructureLines() + DoneLines() +
                  Lines{"Удаление файла {new_md}"};
    std::vector<std::string> againJournal;
    for (int i = 0; i < 5; ++i)
        againJournal = againJournal + Lines{"show extra_again Неизвестное сообщение", "button extra_again 2"};
    run.journal = LoginJournal(LoginSecret) + UnloadJournal() + OpenFileJournal() + againJournal + Lines{
        "show extra_question Продолжить?", "button extra_question 6",
        "show extra_own Только своя кнопка", "button extra_own 1234",
        "show extra_statics Сведения", "button extra_statics 1",
        "show extra_field 1С:Предприятие", "button extra_field 2",
        "...", "exit - 0",
    };
    RunResult result = Check(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_FALSE(FileExists(NewMd()));
}

// 5,000 changes, every one printed in order and byte for byte, format directives and
// blanks included.
TEST_F(Faults, FiveThousandStructureChanges) {
    const std::string prefix = "Реквизит %s%n%d%% №";
    const std::vector<std::string> odd = {"  %n%n%n%s%s%s  ", "\tтабуляция\tвнутри", "ЁёЪъ№ \\ конец"};
    std::vector<std::string> scenario = {"changes_generated=5000", "change_prefix=" + prefix};
    for (const auto& item : odd) {
        std::string escaped;
        for (char c : item) escaped += c == '\t' ? std::string("\\t") : c == '\\' ? std::string("\\\\") : std::string(1, c);
        scenario.push_back("change=" + escaped);
    }
    RunResult result = Run(Settings({}), Lines{std::string("password=") + LoginSecret} + scenario,
                           {}, 300000);
    EXPECT_EQ(result.exitCode, 0u);
    std::vector<std::string> expected;
    for (const auto& item : odd) expected.push_back("   ** " + item);
    for (int i = 1; i <= 5000; ++i) expected.push_back("   ** " + prefix + std::to_string(i));
    std::vector<std::string> printed = Between(result.console, "Изменения в структуре информации", " =ПРИНИМАЕМ=");
    ASSERT_EQ(printed.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(printed[i], expected[i]) << "change " << i + 1;
    const e2e::JournalEvent* read = result.Find("read", "structure");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text, "5003");
    std::printf("5,003 changes read and printed; the whole run took %lu ms\n", result.elapsedMs);
}

// 64 KB texts, in the message, in the title and behind a known dialog's text; every one
// full of format directives, printed literally and never taken for a known dialog.
TEST_F(Faults, SixtyFourKilobyteTextsWithFormatDirectives) {
    const std::string unit = "%s%n%d%x%p%%\\%c%1$s ";
    const std::string message = Repeated(unit, 65536);
    const std::string title = Repeated("Заголовок %n%s ", 65536);
    const std::string prompt = Repeated("Введите пароль:", 65536);
    Case run;
    run.settings = Settings({std::string("SecConfPassword=") + ConfigSecretCoded});
    run.standin = Scenario({
        "extra_huge.at=after_file", "extra_huge.text=%s%n%d%x%p%%\\\\%c%1$s ", "extra_huge.text_size=65536",
        "extra_title.at=after_file", "extra_title.title=" + title, "extra_title.statics=%n%n%n|%s%s%s",
        "extra_title.buttons=1:OK",
        "extra_prompt.at=after_file", "extra_prompt.text=Введите пароль:", "extra_prompt.text_size=65536",
        "extra_prompt.buttons=1:OK,2:Отмена",
    });
    run.exitCode = 0;
    std::string trimmedTitle = title.substr(0, title.find_last_not_of(' ') + 1);
    run.console = LoginLines() + Lines{
        "Открываем файл конфигурации: {new_md}",
        " =OK=",
        "1С:Предприятие :: " + message + " ",
        " =OK=",
        trimmedTitle + "::%n%n%n::%s%s%s ",
        " =OK=",
        "1С:Предприятие :: " + prompt + " ",
        " =OK=",
    } + SaveAndStructureLines() + DoneLines();
    run.journal = LoginJournal(LoginSecret) + Lines{
        CommandEntry(LoadCommand), "...", "button open_file " + Id(IDOK),
        "show extra_huge " + message, "button extra_huge 2",
        "show extra_title " + title, "button extra_title 1",
        "show extra_prompt " + prompt, "button extra_prompt 1",  // nothing typed into it
        std::string("show save ") + SaveQuestionShortText, "...", "exit - 0",
    };
    Check(run);
}

// Format directives in every setting that is printed or typed: the user, the file to
// load, the unload file and the passwords.
TEST_F(Faults, FormatDirectivesInTheSettings) {
    const std::string toLoad = Work() + "\\новая %s%n%d%%.md";
    WriteFile(toLoad, NewMdContents);
    const std::string unload = Work() + "\\Выгрузка %s%n%x%%.zip";
    const std::string password = "%n%s%n%s-Вход-%d";
    Case run;
    run.settings = {"User=%s%n%p Админ", "NewMDPath=" + toLoad, "DownloadTo=" + unload, "Password=" + password,
                    "DeleteAfter=1"};
    run.standin = {"password=" + password, "change=" + Change};
    run.exitCode = 0;
    run.console = LaunchLines("%s%n%p Админ") + Lines{SearchLine, "Авторизация  доступа"} + UnloadLines(Lower(unload)) +
                  OpenFileLines(toLoad) + Lines{"...", " =OK=", "Удаление файла " + toLoad};
    Lines unloaded = UnloadJournal(Lower(unload));
    unloaded.resize(5);  // up to the file written
    run.journal = LoginJournal(password) + unloaded + Lines{"...", "typed open_file " + toLoad, "...", "exit - 0"};
    RunResult result = Check(run);
    const e2e::JournalEvent* commandLine = result.Find("cmdline");
    ASSERT_NE(commandLine, nullptr);
    EXPECT_NE(commandLine->text.find(" /n%s%n%p Админ"), std::string::npos) << e2e::Printable(commandLine->text);
    EXPECT_TRUE(FileExists(Lower(unload)));
    EXPECT_FALSE(FileExists(toLoad));
}

// ---- DeleteAfter never deletes after anything but a successful load ----

// The load went through, but the configurator then reported an error: the run fails and
// the file to load stays.
TEST_F(Faults, DeleteAfterKeepsTheFileAfterAFailedRun) {
    Case run;
    run.settings = Settings({"DeleteAfter=1"});
    run.standin = Scenario({"extra_lock.at=done", std::string("extra_lock.text=") + "Ошибка блокировки метаданных.\\n"
                                                                                    "Возможно, метаданные используются другой задачей."});
    run.exitCode = 1;
    run.console = LoginLines() + LoadLines() +
                  Lines{"ОШИБКА! Ошибка блокировки метаданных.", "Возможно, метаданные используются другой задачей."};
    run.journal = LoginJournal(LoginSecret) + LoadJournal() + Lines{
        std::string("show extra_lock ") + MetadataLockedText, "button extra_lock 2", "...", "exit - 0",
    };
    Check(run);
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_TRUE(FileExists(NewMd()));
}

// Update turns the run into an unload only: it succeeds, and nothing was loaded, so
// nothing is deleted.
TEST_F(Faults, DeleteAfterKeepsTheFileAfterAnUnloadOnlyRun) {
    // The file to load an hour older than the infobase's.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER older{{now.dwLowDateTime, now.dwHighDateTime}};
    older.QuadPart -= 3600ULL * 10000000ULL;
    FILETIME olderTime{older.LowPart, older.HighPart};
    unique_handle file = OwnFileHandle(
        CreateFileA(NewMd().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &olderTime));
    file.reset();

    Case run;
    run.settings = Settings({"DeleteAfter=1", "Update=1", "DownloadTo={unload}"});
    run.standin = Scenario({});
    run.exitCode = 0;
    run.console = Lines{"Загружаемый файл старее текущего!"} + LoginLines() + UnloadLines();
    run.journal = LoginJournal(LoginSecret) + Lines{CommandEntry(UnloadCommand), "...", "button unload_done " + Id(IDCANCEL)} +
                  ExitJournal();
    Check(run);
    EXPECT_TRUE(FileExists(NewMd()));
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

// ---- no main window: the search has ten minutes of its own (ctest label "long") ----

// The search for the main window is not held to WorkTime: with a deadline a minute after the
// start, a main window that never comes still ends the run after ten minutes of searching.
class TenMinuteSearch : public Faults {
protected:
    static constexpr DWORD SearchBudgetMs = 600000;
    static constexpr DWORD SearchSlackMs = 15000;

    RunResult SearchRunsOut(Case run) {
        run.settings = run.settings + Lines{"WorkTime=1", "DeleteAfter=1"};
        run.exitCode = 1;
        run.console = run.console + Lines{"ОШИБКА! Окно конфигуратора не найдено!"};
        run.limitMs = SearchBudgetMs + 2 * SearchSlackMs;
        RunResult result = Check(run);
        EXPECT_GE(result.elapsedMs, SearchBudgetMs);
        EXPECT_LE(result.elapsedMs, SearchBudgetMs + SearchSlackMs);
        EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
        EXPECT_TRUE(FileExists(NewMd()));
        std::printf("the search for the main window ended after %lu ms\n", result.elapsedMs);
        return result;
    }
};

// The frame has WS_EX_TOPMOST besides WS_EX_WINDOWEDGE and WS_EX_ACCEPTFILES: not the
// configurator's main window, so no command is ever sent to it.
TEST_F(TenMinuteSearch, MainWindowWithOneStyleBitMore) {
    Case run;
    run.settings = Settings({});
    run.standin = Scenario({"main_ex_style=0x118"});
    run.console = LoginLines(true);
    run.journal = LoginJournal(LoginSecret);
    RunResult result = SearchRunsOut(run);
    EXPECT_TRUE(result.standinLeftRunning);
}

// After the wrong password the configurator shows nothing more, and the log-in prompt the
// search waits for never comes back.
TEST_F(TenMinuteSearch, LoginPromptNeverComesBackAfterAWrongPassword) {
    const std::string wrong = "Неверный-Пароль-2619";
    Case run;
    run.settings = {"Password=" + wrong};
    run.standin = Scenario({"login_retry=never"});
    run.console = LoginLines(true) + Lines{"ОШИБКА! Пароль не принят!"};
    run.journal = LoginAnsweredJournal(wrong) +
                  Lines{std::string("show login_wrong ") + WrongPasswordText, "button login_wrong " + Id(IDCANCEL)};
    RunResult result = SearchRunsOut(run);
    EXPECT_TRUE(result.standinLeftRunning);
}

}  // namespace
