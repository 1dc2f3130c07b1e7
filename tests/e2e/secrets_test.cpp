// The harness's secrets check: which passwords a run is given, the decoding of the coded
// forms, and where a password is looked for.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/e2e/expected.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/secrets.h"
#include "tests/support/child_process.h"

namespace {

using namespace e2e;

std::string ToOem(std::string text) {
    CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

TEST(Secrets, PasswordsFromSettingsLinesAndArguments) {
    std::vector<std::string> lines = {
        "BasePath=C:\\Base",
        "  PASSWORD = Пароль-один ; a comment",
        ";Password=закомментирован",
        "ConfigPassword=",
        "NewConfigPassword=abc",  // too short to be looked for
        "newconfigpassword=Пароль-два",
        "User=Пароль-нет",
    };
    std::vector<std::string> arguments = {"/ConfigPassword", "Пароль-три", "/Password", "/User", "Пароль-нет2"};
    EXPECT_EQ(PasswordsGiven(lines, arguments),
              (std::vector<std::string>{"Пароль-один", "Пароль-два", "Пароль-три"}));
}

TEST(Secrets, CodedFormsAreDecoded) {
    // Blanks are not shifted and do not move the key: a password of blanks codes to its bytes.
    EXPECT_EQ(e2e::DecodeCodedPassword("06cg06cg"), "    ");
    EXPECT_EQ(e2e::DecodeCodedPassword("06cg06CG"), "    ");
    EXPECT_EQ(e2e::DecodeCodedPassword(""), "");
}

class SecretsRun : public e2e::EndToEnd {};

// The check's decoder agrees with the tool's "/code", Cyrillic and upper case included.
TEST_F(SecretsRun, DecoderAgreesWithTheTool) {
    for (const std::string plain : {"Секретный пароль 7", "p@ss%sw0rd;x", "ЁёЯя\x7f\xff"}) {
        e2e::RunResult run = Run({}, {}, {"/code", plain}, 30000, true);
        ASSERT_EQ(run.exitCode, 0u);
        EXPECT_EQ(e2e::DecodeCodedPassword(run.output), plain) << run.output;
        std::string upper = run.output;
        CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
        EXPECT_EQ(e2e::DecodeCodedPassword(upper), plain);
        std::vector<std::string> given = PasswordsGiven({"SecConfPassword=" + run.output}, {"/secpassword", upper});
        EXPECT_EQ(given, std::vector<std::string>{plain});
    }
}

TEST_F(SecretsRun, FindsAPasswordWhereverItShows) {
    const std::vector<std::string> secrets = {"Тайна-42"};
    e2e::RunResult clean;
    clean.output = ToOem("[10:00] Ввод пароля... OK\r\n");
    e2e::JournalEvent typed{1, "typed", "login", "Тайна-42"};
    clean.journal.push_back(typed);
    EXPECT_TRUE(NoPasswordShown(secrets, clean, {}));

    e2e::RunResult console = clean;
    console.output += ToOem("[10:00] Тайна-42\r\n");
    EXPECT_FALSE(NoPasswordShown(secrets, console, {}));
    e2e::RunResult raw = clean;
    raw.output += "Тайна-42";
    EXPECT_FALSE(NoPasswordShown(secrets, raw, {}));

    e2e::RunResult wrongField = clean;
    wrongField.journal.push_back({2, "typed", "open_file", "Тайна-42"});
    EXPECT_FALSE(NoPasswordShown(secrets, wrongField, {}));

    e2e::RunResult commandLine = clean;
    commandLine.journal.push_back({2, "cmdline", "-", "\"x.exe\" config /nАдмин Тайна-42"});
    EXPECT_FALSE(NoPasswordShown(secrets, commandLine, {}));

    WriteFile(Work() + "\\written.txt", "... Тайна-42 ...");
    EXPECT_FALSE(NoPasswordShown(secrets, clean, {Work() + "\\written.txt"}));
    WriteFile(Work() + "\\written.txt", u8"\xEF\xBB\xBF... Тайна-42 ...");
    EXPECT_FALSE(NoPasswordShown(secrets, clean, {Work() + "\\written.txt"})) << "in UTF-8, as in a run log";
    WriteFile(Work() + "\\written.txt", "... ТАЙНА-42 ...");
    EXPECT_TRUE(NoPasswordShown(secrets, clean, {Work() + "\\written.txt"}));
}

// The one rule for what the configurator's windows show, over every channel: a dialog that
// no rule knows holds the run's password in an edit, in a static, inside a longer text in
// another letter case, or, a password of one character, inside its message. The fall-back
// line on the console and in the log, and the dialog's record, give such a text only as its
// length; other texts stay as they are; the dialog gets no picture, nor does a copy of the
// screen show it over another window.
TEST_F(SecretsRun, WindowTextsThatHoldAPasswordAreShownNowhere) {
    struct Row {
        const char* where;
        const char* password;
        std::vector<std::string> dialog;  // the stand-in's properties of the dialog
        const char* fallback;             // the fall-back line
        const char* control;              // in the record's line of the control that holds it
        const char* recorded;             // its text there
        const char* text;                 // the text that holds the password
    };
    const Row rows[] = {
        {"an edit", "Ключ-4711", {"extra_key.edit=Ключ-4711"}, "Ключ защиты::Ключ защиты не найден! ",
         " class=\"Edit\" id=100 ", "[текст скрыт: 9 символов]", "Ключ-4711"},
        {"a static", "Ключ-4711", {"extra_key.statics=Ключ защиты не найден!|Ключ-4711"},
         "Ключ защиты::Ключ защиты не найден!::[текст скрыт: 9 символов] ", " class=\"Static\" id=1001 ",
         "[текст скрыт: 9 символов]", "Ключ-4711"},
        {"a longer text in another letter case", "Ключ-4711",
         {"extra_key.statics=Ключ защиты не найден!|Доступ по паролю КЛЮЧ-4711 закрыт"},
         "Ключ защиты::Ключ защиты не найден!::[текст скрыт: 33 символа] ", " class=\"Static\" id=1001 ",
         "[текст скрыт: 33 символа]", "Доступ по паролю КЛЮЧ-4711 закрыт"},
        {"the message, a password of one character", "7", {"extra_key.text=Версия 7.70.027"},
         "Ключ защиты :: [текст скрыт: 15 символов] ", " class=\"Static\" id=65535 ", "[текст скрыт: 15 символов]",
         "7.70.027"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        Case run;
        run.settings = {std::string("Password=") + row.password, "LogFile={work}\\night.log"};
        run.standin = Lines{std::string("password=") + row.password, "change=" + Change, "extra_key.at=after_file",
                            "extra_key.title=Ключ защиты", "extra_key.statics=Ключ защиты не найден!"} +
                      row.dialog;
        run.console = LoginLines() + OpenFileLines() + Lines{row.fallback, " =OK="} + SaveAndStructureLines() + DoneLines();
        run.journal = LoginJournal(row.password) + OpenFileJournal() +
                      Lines{"show extra_key {*}", "button extra_key " + Id(IDCANCEL), "...", "exit - 0"};
        const RunResult result = Check(run);
        EXPECT_EQ(OemToAnsi(result.output).find(row.text), std::string::npos);

        const std::string log = ReadFile(Work() + "\\night.log");
        const Lines lines = LogLines(log);
        EXPECT_NE(std::find(lines.begin(), lines.end(), row.fallback), lines.end()) << "the fall-back line in the log";
        EXPECT_EQ(Recoded(log, CP_UTF8, 1251).find(row.text), std::string::npos) << "in the log";
        // The record: the control's text as its length, no picture of the dialog, nor a copy of
        // the screen of the main window that it lies over.
        auto window = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("window ", 0) == 0 && line.find(" title=\"Ключ защиты\" ") != std::string::npos;
        });
        EXPECT_TRUE(MatchSequence("the record",
                                  {"window {*} unknown", "...",
                                   std::string("  control {*}") + row.control + "{*} text=\"" + row.recorded + "\"", "...",
                                   "  picture not-taken=\"в окне пароль\" size={*}", "...",
                                   "window {*} class=\"StandinFrame\" {*}", "  control {*}", "  picture not-taken={*}", "..."},
                                  Lines(window, lines.end())));
        DeleteFileA((Work() + "\\night.log").c_str());
        WriteFile(InfobaseMd(), OriginalMd);
    }
}

TEST_F(SecretsRun, FilesWrittenDuringARun) {
    WriteFile(Work() + "\\kept.txt", "a");
    WriteFile(Work() + "\\changed.txt", "a");
    e2e::FileStamps before = e2e::StampFiles(Work());
    WriteFile(Work() + "\\changed.txt", "ab");
    WriteFile(Base() + "\\new.txt", "x");
    EXPECT_EQ(e2e::FilesWritten(before, e2e::StampFiles(Work())),
              (std::vector<std::string>{Base() + "\\new.txt", Work() + "\\changed.txt"}));
}

}  // namespace
