#pragma once
// End-to-end harness: cfgload.exe against the stand-in configurator, from a fresh temporary
// infobase per test. A scenario is data (settings, the stand-in's scenario, the expected exit
// code, console lines and journal events) checked by one call that prints readable
// differences. Texts are Windows-1251 bytes, as the test sources compile them.
//
// Placeholders, replaced in settings, stand-in lines, arguments and expectations:
//   {work} the test's folder   {base} the infobase ({work}\base)   {new_md} {work}\new.md
//   {unload} {work}\unload.zip   {settings} {work}\cfgload.ini   {standin} the stand-in's .exe
//   {cfgload} cfgload.exe   {unload_lower} {unload} lower-cased, as cfgload passes DownloadTo on
// Expected entries may also hold {*} (any text within the entry); an entry "..." stands for
// any number of entries, and an entry marked Optional(...) (it starts with "{?}") for itself
// or for nothing: for one entry that may or may not come, where "..." would hide others.
//
//   e2e::Case run;                                  // fields by name: aggregate
//   run.settings = {"Password=секрет"};             // initialisation of only some
//   run.standin = {"password=секрет"};              // fields warns under -Wextra
//   run.console = {"Подготовка командной строки...", "..."};
//   run.journal = {"show login Авторизация  доступа", "typed login секрет", "...", "exit - 0"};
//   Check(run);

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/run_folder.h"
#include "tests/support/standin_journal.h"

namespace e2e {

// The cfgload.exe under test: the one just built, or the one named by the environment
// variable CFGLOAD_EXE_UNDER_TEST (a Windows path), so that a packed release can be tested.
std::string CfgloadUnderTest();

// The stand-in's journal lines (see standin/README.md), shared with the benchmark.
using support::JournalEvent;
using support::ReadJournal;

// Standard output of cfgload: CP866 to Windows-1251, split at line ends (CR LF or LF), the
// "[HH:MM] " stamp taken off the lines that carry one.
std::vector<std::string> ConsoleLines(const std::string& output);

// A run log's lines (LogFile): after the byte-order mark, UTF-8 to Windows-1251, split at
// CR LF, the "YYYY-MM-DD HH:MM:SS " stamp taken off the lines that carry one; stamped, when
// given, says which did.
std::vector<std::string> LogLines(const std::string& contents, std::vector<bool>* stamped = nullptr);

struct RunResult {
    bool started = false;
    bool timedOut = false;            // cfgload was killed at the wall-clock limit
    DWORD exitCode = 0;
    DWORD elapsedMs = 0;
    std::string output;               // standard output, raw bytes
    std::vector<std::string> console; // ConsoleLines(output)
    std::vector<JournalEvent> journal;
    int standinStarts = 0;            // stand-in processes that wrote "start"
    bool standinLeftRunning = false;  // one was still running after cfgload (the harness ended it)

    // Journal lines "kind name text" without "start", "cmdline" and "cwd", and without
    // "command-queued" (whether a command arrives during the previous one is timing).
    std::vector<std::string> JournalLines() const;
    // The first event of that kind (and name, when given), or null.
    const JournalEvent* Find(const std::string& kind, const std::string& name = {}) const;
};

// An end-to-end scenario as data.
struct Case {
    std::vector<std::string> settings;   // settings file lines, after the defaults (DefaultSettings)
    std::vector<std::string> standin;    // standin.scenario lines
    int exitCode = 0;
    std::vector<std::string> console;    // expected console lines, in order
    std::vector<std::string> journal;    // expected journal lines "kind name text", in order
    std::vector<std::string> arguments;  // cfgload arguments after the settings file name
    DWORD limitMs = 60000;               // wall-clock limit of the run
    bool noDefaultSettings = false;
};

// Matches a sequence against the expected entries ({*}, "..." and Optional as above); on a
// mismatch the message shows both sides around the first entry that could not be matched.
::testing::AssertionResult MatchSequence(const std::string& what, const std::vector<std::string>& expected,
                                         const std::vector<std::string>& actual);
// One entry against one text ({*} wildcards; an optional entry as the entry itself).
bool MatchEntry(const std::string& entry, const std::string& text);
// An expected entry that may be missing.
inline std::string Optional(const std::string& entry) { return "{?}" + entry; }

// Windows-1251 bytes as UTF-8, control characters escaped: for failure messages.
std::string Printable(const std::string& text);

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Settings written before a case's own lines: BasePath, Path1CExe, NewMDPath, User.
    static std::vector<std::string> DefaultSettings();

    std::string Work() const { return folder_.Work(); }
    std::string Base() const { return folder_.Base(); }
    std::string NewMd() const { return folder_.NewMd(); }
    std::string UnloadFile() const { return folder_.UnloadFile(); }
    std::string SettingsFile() const { return folder_.SettingsFile(); }
    std::string JournalFile() const { return folder_.JournalFile(); }
    std::string InfobaseMd() const { return folder_.InfobaseMd(); }
    // Contents the fixture writes: the infobase's 1cv7.md and new.md (they differ).
    static const char* const OriginalMd;
    static const char* const NewMdContents;

    // Lower case by the ANSI code page, as cfgload lower-cases DownloadTo.
    static std::string Lower(std::string text);
    std::string Expand(const std::string& text) const;
    std::vector<std::string> Expand(const std::vector<std::string>& lines) const;

    static void WriteFile(const std::string& path, const std::string& bytes);
    static std::string ReadFile(const std::string& path);
    static bool FileExists(const std::string& path);

    // Writes the settings file and standin.scenario, runs cfgload with the settings file
    // name and the arguments, waits up to limitMs, then gives any stand-in still running a
    // moment to end before ending it. Scenario problems the stand-in reports fail the test,
    // and so does a password of the settings or arguments that shows (tests/e2e/secrets.h).
    RunResult Run(const std::vector<std::string>& settings, const std::vector<std::string>& standin,
                  const std::vector<std::string>& arguments = {}, DWORD limitMs = 60000,
                  bool noDefaultSettings = false);

    // Run, then check the exit code, console lines and journal lines of the case.
    RunResult Check(const Case& scenario);

    // The stand-in's journal and its cleaning up, for tests that start it themselves.
    std::vector<JournalEvent> Journal() const { return ReadJournal(JournalFile()); }
    // Waits up to graceMs for every stand-in of the journal to end, then terminates those
    // left; true when one had to be terminated.
    bool EndStandins(DWORD graceMs) const;

private:
    support::RunFolder folder_;
};

}  // namespace e2e
