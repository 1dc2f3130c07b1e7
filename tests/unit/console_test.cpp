// Console lines: stamp, prefix, OEM code page, Debug switch, system error texts.
#include <windows.h>

#include <cstdio>
#include <regex>

#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "run/console.h"
#include "run/run_log.h"
#include "settings/run_settings.h"
#include "tests/support/stdout_capture.h"

namespace {

std::string ToOem(std::string text) {
    CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

const std::regex Stamp(R"(^\[[0-2][0-9]:[0-5][0-9]\] )");

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override { Settings = RunSettings{}; }
};

TEST_F(ConsoleTest, ErrorLineIsStampedPrefixedAndInOemCodePage) {
    std::string message = "Путь [%s] не есть существующий каталог";
    std::string argument = "C:\\Базы\\Торговля";
    StdoutCapture capture;
    ReportError(message.c_str(), argument.c_str());
    std::string out = capture.Finish();

    std::smatch stamp;
    ASSERT_TRUE(std::regex_search(out, stamp, Stamp)) << out;
    // The stamp is the local time now; hours and minutes may have just rolled over.
    SYSTEMTIME now;
    GetLocalTime(&now);
    char expectedHour[3];
    std::snprintf(expectedHour, sizeof expectedHour, "%02d", now.wHour);
    EXPECT_TRUE(out.substr(1, 2) == expectedHour || now.wMinute == 0) << out;
    EXPECT_EQ(out.substr(8),
              ToOem("ОШИБКА! Путь [C:\\Базы\\Торговля] не есть существующий каталог") + "\r\n");
    EXPECT_EQ(argument, "C:\\Базы\\Торговля") << "the caller's text must stay in Windows-1251";
    // "О" is 0xCE in Windows-1251 and 0x8E in CP866.
    EXPECT_EQ(static_cast<unsigned char>(out[8]), 0x8E);
}

TEST_F(ConsoleTest, InfoLineHasNoPrefixAndFormatsNumbers) {
    StdoutCapture capture;
    ReportInfo("  ИД процесса: %d", 4242);
    std::string out = capture.Finish();
    ASSERT_TRUE(std::regex_search(out, Stamp)) << out;
    EXPECT_EQ(out.substr(8), ToOem("  ИД процесса: 4242") + "\r\n");
}

TEST_F(ConsoleTest, DebugZeroSilencesErrorsAndInfo) {
    Settings.Debug = 0;
    StdoutCapture capture;
    ReportError("Не задан путь к базе");
    ReportInfo("Поиск окна конфигуратора");
    EXPECT_EQ(capture.Finish(), "");
}

TEST_F(ConsoleTest, DebugIsReadAnewForEveryLine) {
    Settings.Debug = 0;
    StdoutCapture capture;
    ReportInfo("first");
    Settings.Debug = -5;
    ReportInfo("second");
    std::string out = capture.Finish();
    EXPECT_EQ(out.find("first"), std::string::npos);
    EXPECT_NE(out.find("second\r\n"), std::string::npos);
}

TEST_F(ConsoleTest, EmbeddedLineBreaksAndLongTextsAreKept) {
    std::string longText(100000, 'x');
    StdoutCapture capture;
    ReportInfo("  1C: %s\n  База: %s\n", "a", "b");
    ReportInfo("%s", longText.c_str());
    std::string out = capture.Finish();
    std::string first = ToOem("  1C: a\r\n  База: b\r\n") + "\r\n";
    EXPECT_EQ(out.substr(8, first.size()), first);
    EXPECT_NE(out.find(longText + "\r\n"), std::string::npos);
}

TEST_F(ConsoleTest, FormatDirectivesInArgumentsArePrintedLiterally) {
    StdoutCapture capture;
    ReportInfo("%s", "100%s %n %d");
    std::string out = capture.Finish();
    EXPECT_EQ(out.substr(8), "100%s %n %d\r\n");
}

TEST(RunLog, EntryIsDatedToTheSecondInUtf8WithCrLf) {
    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 11;
    date.tm_mday = 9;
    date.tm_hour = 3;
    date.tm_min = 4;
    date.tm_sec = 5;
    EXPECT_EQ(LogEntryText(&date, "ОШИБКА! Сбой\n =OK="),
              u8"2026-12-09 03:04:05 ОШИБКА! Сбой\r\n =OK=\r\n");
    EXPECT_EQ(LogEntryText(&date, "(3) Путь.\r\n"), u8"2026-12-09 03:04:05 (3) Путь.\r\n\r\n")
        << "a line break in Windows' form stays one";
}

// The check that opens nothing for good: a log that is not there yet is made and removed.
TEST(RunLog, CanOpenLeavesNoFileAndGivesTheReason) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string log = std::string(temp) + "cfgload-check-" + std::to_string(GetCurrentProcessId()) + ".log";
    Settings = RunSettings{};
    Settings.LogFile = log;
    std::string path, reason;
    EXPECT_TRUE(CanOpenRunLog(path, reason)) << reason;
    EXPECT_EQ(path, log);
    EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
    Settings.LogFile = std::string(temp) + "cfgload-no-such-folder\\run.log";
    EXPECT_FALSE(CanOpenRunLog(path, reason));
    EXPECT_EQ(reason.rfind("(3) ", 0), 0u) << reason;
}

TEST(SystemErrorText, StartsWithTheCodeAndKeepsTheSystemTextWhole) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    std::string text = SystemErrorText();
    ASSERT_EQ(text.rfind("(2) ", 0), 0u) << text;
    char* system = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, 2, 0x400, reinterpret_cast<char*>(&system), 0, nullptr);
    unique_hlocal owner(system);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(text, std::string("(2) ") + system);
    EXPECT_EQ(text.back(), '\n') << "the system's closing line break stays";
}

TEST(SystemErrorText, UnknownCodeStillGivesTheCode) {
    SetLastError(0x2FFFFFFF);
    std::string text = SystemErrorText();
    EXPECT_EQ(text.rfind("(805306367) ", 0), 0u) << text;
}

}  // namespace
