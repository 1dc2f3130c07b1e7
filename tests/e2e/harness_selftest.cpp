// The harness's own parts: sequence matching, console decoding, journal reading, running.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace {

using e2e::MatchEntry;
using e2e::MatchSequence;

TEST(HarnessMatch, EntriesWithWildcards) {
    EXPECT_TRUE(MatchEntry("  ИД процесса: {*}", "  ИД процесса: 1234"));
    EXPECT_TRUE(MatchEntry("{*}", ""));
    EXPECT_TRUE(MatchEntry("a{*}b{*}c", "a-b-b-c"));
    EXPECT_FALSE(MatchEntry("a{*}b{*}c", "a-c"));
    EXPECT_FALSE(MatchEntry("Конфигурация *", "Конфигурация"));
    EXPECT_TRUE(MatchEntry("Конфигурация *", "Конфигурация *"));
    EXPECT_FALSE(MatchEntry("abc", "abc "));
}

TEST(HarnessMatch, SequencesWithGaps) {
    std::vector<std::string> actual = {"a", "b", "c", "d"};
    EXPECT_TRUE(MatchSequence("x", {"a", "b", "c", "d"}, actual));
    EXPECT_TRUE(MatchSequence("x", {"a", "...", "d"}, actual));
    EXPECT_TRUE(MatchSequence("x", {"...", "c", "..."}, actual));
    EXPECT_TRUE(MatchSequence("x", {"a", "b", "c", "d", "..."}, actual));
    EXPECT_FALSE(MatchSequence("x", {"a", "c", "..."}, actual));
    EXPECT_FALSE(MatchSequence("x", {"a", "b", "c"}, actual));
    EXPECT_TRUE(MatchSequence("x", {"a", e2e::Optional("b"), "c", "d"}, actual));
    EXPECT_TRUE(MatchSequence("x", {"a", e2e::Optional("x"), "b", "c", "d"}, actual));
    EXPECT_TRUE(MatchSequence("x", {"a", "b", "c", "d", e2e::Optional("e")}, actual));
    EXPECT_TRUE(MatchSequence("x", {"...", e2e::Optional("{*}"), "d"}, actual));
    EXPECT_FALSE(MatchSequence("x", {"a", e2e::Optional("b"), "d"}, actual));  // one entry at the most
    EXPECT_FALSE(MatchSequence("x", {"a", "b", e2e::Optional("b"), "d"}, actual));
    EXPECT_TRUE(MatchEntry(e2e::Optional("a{*}"), "ab"));
    ::testing::AssertionResult failure = MatchSequence("journal", {"a", "...", "x", "d"}, actual);
    ASSERT_FALSE(failure);
    EXPECT_NE(std::string(failure.message()).find("expected entry 3 of 4: \"x\""), std::string::npos)
        << failure.message();
    failure = MatchSequence("journal", {"a", e2e::Optional("x"), "c", "d"}, actual);
    ASSERT_FALSE(failure);
    EXPECT_NE(std::string(failure.message()).find("expected entry 3 of 4: \"c\" not found at actual entry 2"),
              std::string::npos)
        << failure.message();
}

TEST(HarnessConsole, StampsAndLineEndsAndCodePage) {
    std::string ansi = "[09:05] Поиск окна конфигуратора\r\n  База: C:\\Б\r\n\r\n[21:40] ОШИБКА! x\r\n";
    std::string oem = ansi;
    CharToOemBuffA(oem.data(), oem.data(), static_cast<DWORD>(oem.size()));
    EXPECT_EQ(e2e::ConsoleLines(oem),
              (std::vector<std::string>{"Поиск окна конфигуратора", "  База: C:\\Б", "", "ОШИБКА! x"}));
}

class HarnessRun : public e2e::EndToEnd {};

TEST_F(HarnessRun, JournalLinesAreUnescaped) {
    WriteFile(JournalFile(),
              "100 start - pid=1 flags=0 show=1\n"
              "101 show save a\\nb\\\\c\\x01\n"
              "102 vanished extra1 \n"
              "103 command-queued - 33206\n");
    std::vector<e2e::JournalEvent> events = Journal();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].tick, 101u);
    EXPECT_EQ(events[1].text, "a\nb\\c\x01");
    EXPECT_EQ(events[2].Line(), "vanished extra1 ");
    e2e::RunResult run;
    run.journal = events;
    EXPECT_EQ(run.JournalLines(), (std::vector<std::string>{"show save a\nb\\c\x01", "vanished extra1 "}));
}

TEST_F(HarnessRun, RunsCfgloadAndCapturesItsOutput) {
    e2e::RunResult run = Run({}, {}, {"/code", "abc"}, 30000);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.output.empty());
    EXPECT_EQ(run.standinStarts, 0);
}

}  // namespace
