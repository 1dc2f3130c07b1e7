// Settings sources in their order: defaults, settings file, command line.
#include <windows.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "settings/password_coding.h"
#include "settings/run_settings.h"
#include "tests/unit/settings_entry.h"
#include "tests/support/child_process.h"

namespace {


TEST(Settings, DefaultsWithoutAnySource) {
    Settings.Debug = 7;
    Settings.BasePath = "left over";
    ParseAsEntry({});
    EXPECT_EQ(Settings.Debug, 1);
    EXPECT_EQ(Settings.BasePath, "");
    EXPECT_EQ(Settings.NewMDPath, "1cv7.md");
    EXPECT_EQ(Settings.ForceReplace, 0);
    EXPECT_EQ(Settings.Merge, 0);
    EXPECT_EQ(Settings.DeleteAfter, 0);
    EXPECT_EQ(Settings.Update, 0);
    EXPECT_EQ(Settings.WorkTime, 0);
    EXPECT_EQ(Settings.Hide, 0);
    EXPECT_EQ(Settings.VerifyUnload, 0);
    EXPECT_EQ(Settings.DownloadTo, "");
    EXPECT_EQ(Settings.PauseFactor, 1);
}

TEST(Settings, FileLinesCommentsKeysAndTrimming) {
    TempFile ini(
        "; a comment line\r\n"
        "BasePath=C:\\Base;old\r\n"
        "  DownloadTo = null ; no unload\r\n"
        "ab=1\r\n"
        "=debug\r\n"
        "\r\n"
        "no equals sign here\r\n"
        "USER =  Иван Петров  \r\n"
        "WorkTime=90 minutes\r\n"
        "Merge=yes\r\n"
        "Update=-2x\r\n"
        "Hide=1\r\n"
        "Hide=0\r\n"
        "unknownkey=1\r\n"
        "NewMDPath=D:\\New\\1CV7.MD");  // last line without a line end
    ParseAsEntry({ini.path});
    EXPECT_EQ(Settings.BasePath, "C:\\Base");
    EXPECT_EQ(Settings.DownloadTo, "");
    EXPECT_EQ(Settings.Debug, 1);
    EXPECT_EQ(Settings.User, "Иван Петров");
    EXPECT_EQ(Settings.WorkTime, 90);
    EXPECT_EQ(Settings.Merge, 0);
    EXPECT_EQ(Settings.Update, -2);
    EXPECT_EQ(Settings.Hide, 0);
    EXPECT_EQ(Settings.NewMDPath, "D:\\New\\1CV7.MD");
    // What /check names: the values that are no numbers, keys spelt as documented.
    using Noted = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Settings.NotNumbers, (Noted{{"WorkTime", "90 minutes"}, {"Merge", "yes"}, {"Update", "-2x"}}));
    ParseAsEntry({ini.path, "/WorkTime", " 90 ", "/KeepUnloads", "", "/Debug", "+1"});
    EXPECT_EQ(Settings.NotNumbers, (Noted{{"Merge", "yes"}, {"Update", "-2x"}, {"KeepUnloads", ""}}))
        << "the last value counts";
}

TEST(Settings, DownloadToNulInAnyCaseEmptiesIt) {
    for (const char* value : {"NUL", "nul", "Null", "NULL", "  null"}) {
        SetOption("downloadto", "x");
        SetOption("downloadto", value);
        EXPECT_EQ(Settings.DownloadTo, "") << value;
    }
    SetOption("downloadto", "  NULLX");
    EXPECT_EQ(Settings.DownloadTo, "NULLX");
}

TEST(Settings, LongLinesAreReadAsSeveralLines) {
    // 600 characters: a line of 510, then one of 90 that carries its own setting.
    std::string tail = "DeleteAfter=5";
    std::string line = "User=" + std::string(505, 'u');
    line += std::string(90 - tail.size(), ' ') + tail;
    ASSERT_EQ(line.size(), 600u);
    TempFile ini(line + "\r\n");
    ParseAsEntry({ini.path});
    EXPECT_EQ(Settings.User, std::string(505, 'u'));
    EXPECT_EQ(Settings.DeleteAfter, 5);
}

TEST(Settings, CommandLineBeatsTheFileAndKeepsValueCase) {
    TempFile ini("BasePath=C:\\FromFile\nUser=fileuser\nPassword=filepass\n");
    ParseAsEntry({ini.path, "/BASEPATH", "C:\\Base", "/user"});
    EXPECT_EQ(Settings.BasePath, "C:\\Base");
    EXPECT_EQ(Settings.User, "fileuser") << "a trailing option without a value is dropped";
    EXPECT_EQ(Settings.Password, "filepass");
}

TEST(Settings, LastBareNameIsTheSettingsFileAndAValueIsNeverOne) {
    TempFile a("User=from a\n");
    TempFile b("User=from b\n");
    ParseAsEntry({a.path, b.path});
    EXPECT_EQ(Settings.User, "from b");

    CommandLineScan scan = ScanCommandLine({"/Debug", a.path});
    EXPECT_EQ(scan.settingsFile, "");
    ParseAsEntry({"/Debug", a.path});
    EXPECT_EQ(Settings.Debug, 0) << "the would-be file name is the value of /Debug";
    EXPECT_EQ(Settings.User, "");
}

TEST(Settings, CheckTakesNoValueWhereverItStands) {
    TempFile a("User=from a\n");
    const std::vector<std::vector<std::string>> lines = {
        {"/check", a.path}, {a.path, "/CHECK"}, {"/Debug", "1", "/Check", a.path}};
    for (const auto& args : lines) {
        SCOPED_TRACE(args[0]);
        CommandLineScan scan = ScanCommandLine(args);
        EXPECT_TRUE(scan.check);
        EXPECT_EQ(scan.settingsFile, a.path);
        ParseAsEntry(args);
        EXPECT_EQ(Settings.User, "from a");
    }
    EXPECT_FALSE(ScanCommandLine({a.path, "/checks", "x"}).check);
}

TEST(Settings, OptionFollowedByOptionHasNoValue) {
    ParseAsEntry({"/user", "/basepath", "C:\\B", "/worktime", "  15", "/VerifyUnload", "1", "/KeepUnloads", "7"});
    EXPECT_EQ(Settings.User, "");
    EXPECT_EQ(Settings.BasePath, "C:\\B");
    EXPECT_EQ(Settings.WorkTime, 15);
    EXPECT_EQ(Settings.VerifyUnload, 1);
    EXPECT_EQ(Settings.KeepUnloads, 7);
}

TEST(Settings, NewConfigPasswordTakesConfigPasswordWhenEmpty) {
    ParseAsEntry({"/ConfigPassword", "секрет"});
    EXPECT_EQ(Settings.ConfigPassword, "секрет");
    EXPECT_EQ(Settings.NewConfigPassword, "секрет");
    ParseAsEntry({"/ConfigPassword", "old", "/NewConfigPassword", "new"});
    EXPECT_EQ(Settings.NewConfigPassword, "new");
}

TEST(Settings, PlainAndCodedPasswordsLastOneWins) {
    std::string coded = EncodePassword("coded one");
    TempFile ini("Password=plain\nSecPassword=" + coded + "\n");
    ParseAsEntry({ini.path});
    EXPECT_EQ(Settings.Password, "coded one");
    ParseAsEntry({ini.path, "/password", "from command line"});
    EXPECT_EQ(Settings.Password, "from command line");
    ParseAsEntry({"/password", "x", "/secconfpassword", coded, "/NewSecConfPassword", coded});
    EXPECT_EQ(Settings.ConfigPassword, "coded one");
    EXPECT_EQ(Settings.NewConfigPassword, "coded one");
}

TEST(Settings, IntegersReadLikeTheCLibrary) {
    EXPECT_EQ(IntegerOf("  42"), 42);
    EXPECT_EQ(IntegerOf("+7"), 7);
    EXPECT_EQ(IntegerOf("-3abc"), -3);
    EXPECT_EQ(IntegerOf("2x"), 2);
    EXPECT_EQ(IntegerOf("yes"), 0);
    EXPECT_EQ(IntegerOf(""), 0);
    EXPECT_EQ(IntegerOf("- 1"), 0);
    EXPECT_EQ(IntegerOf("99999999999999999999"), 2147483647);
    EXPECT_EQ(IntegerOf("-2147483648"), -2147483647 - 1);
}

TEST(Settings, MissingSettingsFileFromTheCommandLineIsReportedAndTheRunGoesOn) {
    std::string missing = "C:\\no\\such\\folder\\настройки.ini";
    ChildResult run = RunChild(std::string("\"") + WindowsPath(CFGLOAD_EXE) + "\" \"" + missing +
                               "\" /Debug 0");
    ASSERT_TRUE(run.started);
    // The run goes on, and then stops at the missing BasePath.
    EXPECT_EQ(run.exitCode, 1u);
    std::string expected = "ОШИБКА! Не могу открыть файл: " + missing;
    CharToOemBuffA(expected.data(), expected.data(), static_cast<DWORD>(expected.size()));
    ASSERT_GE(run.output.size(), 8u) << "the error line is printed before /Debug 0 is applied";
    EXPECT_EQ(run.output.substr(8, expected.size() + 2), expected + "\r\n");
    EXPECT_EQ(run.output[0], '[');
}

}  // namespace
