// The shipped examples: the sample settings file parses to what its comments promise, and
// the sample batch file acts on the exit code.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "settings/run_settings.h"
#include "tests/support/child_process.h"

namespace {

const std::string ExamplesDir = WindowsPath(CFGLOAD_SOURCE_DIR "/examples");

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Oem(std::string text) {
    CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

TEST(Examples, SampleSettingsFileGivesTheValuesItsCommentsPromise) {
    LoadSettings(ExamplesDir + "\\cfgload.ini");
    CompleteSettings();
    EXPECT_EQ(Settings.Debug, 1);
    EXPECT_EQ(Settings.BasePath, "D:\\Базы\\Торговля");
    EXPECT_EQ(Settings.Path1CExe, "C:\\Program Files\\1Cv77\\BIN\\1cv7.exe");
    EXPECT_EQ(Settings.NewMDPath, "D:\\Обновления\\Торговля\\1cv7.md");
    EXPECT_EQ(Settings.ForceReplace, 0);
    EXPECT_EQ(Settings.Merge, 0);
    EXPECT_EQ(Settings.DeleteAfter, 0);
    EXPECT_EQ(Settings.Update, 1);
    EXPECT_EQ(Settings.WorkTime, 90);
    EXPECT_EQ(Settings.Hide, 1);
    EXPECT_EQ(Settings.User, "Администратор");
    EXPECT_EQ(Settings.Password, "секрет") << "the coded password in the sample is that of 'секрет'";
    EXPECT_EQ(Settings.ConfigPassword, "конфиг");
    EXPECT_EQ(Settings.NewConfigPassword, "конфиг");
    EXPECT_EQ(Settings.DownloadTo, "D:\\Выгрузка\\?F-?YYYY-?MM-?DD.zip");
    EXPECT_EQ(Settings.VerifyUnload, 1);
    EXPECT_EQ(Settings.KeepUnloads, 14);
    EXPECT_TRUE(Settings.NotNumbers.empty());
}

TEST(Examples, SampleBatchFileLogsTheOutputAndReportsAFailure) {
    char temp[MAX_PATH], dir[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "bat", 0, dir);
    DeleteFileA(dir);
    ASSERT_TRUE(CreateDirectoryA(dir, nullptr));
    std::string folder = dir;
    ASSERT_TRUE(CopyFileA((ExamplesDir + "\\nightly.bat").c_str(), (folder + "\\nightly.bat").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(WindowsPath(CFGLOAD_EXE).c_str(), (folder + "\\cfgload.exe").c_str(), FALSE));
    // Settings without an infobase path: the run fails with exit code 1.
    std::ofstream(folder + "\\cfgload.ini", std::ios::binary) << "User=Admin\r\n";

    ChildResult run = RunChild("cmd /c \"" + folder + "\\nightly.bat\"", folder);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 1u);
    std::string log = ReadAll(folder + "\\cfgload.log");
    EXPECT_NE(log.find(Oem("ОШИБКА! Не задан путь к базе")), std::string::npos) << log;
    // The batch file's own lines are checked by their ASCII marks: how cmd.exe re-encodes
    // its Cyrillic text differs between Windows and Wine.
    EXPECT_NE(log.find("[FAILED]"), std::string::npos) << log;
    EXPECT_EQ(log.find("[OK]"), std::string::npos) << log;
    // The tool's own log of the month, in UTF-8.
    SYSTEMTIME now;
    GetLocalTime(&now);
    char month[32];
    std::snprintf(month, sizeof month, "cfgload-%04u-%02u.log", now.wYear, now.wMonth);
    std::string runLog = ReadAll(folder + "\\" + month);
    EXPECT_NE(runLog.find(u8"ОШИБКА! Не задан путь к базе\r\n"), std::string::npos) << runLog;
    EXPECT_NE(runLog.find(u8"Завершение: код выхода 1, "), std::string::npos) << runLog;

    for (const char* name : {"nightly.bat", "cfgload.exe", "cfgload.ini", "cfgload.log", static_cast<const char*>(month)})
        DeleteFileA((folder + "\\" + name).c_str());
    RemoveDirectoryA(dir);
}

}  // namespace
