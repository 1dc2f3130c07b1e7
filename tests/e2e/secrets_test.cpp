// The harness's secrets check: which passwords a run is given, the decoding of the coded
// forms, and where a password is looked for.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"
#include "tests/e2e/secrets.h"

namespace {

using e2e::NoPasswordShown;
using e2e::PasswordsGiven;

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
