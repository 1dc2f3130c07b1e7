#pragma once
// What the parts of bench_driver share: the programs it runs, its options, one run of
// cfgload against the stand-in, and the table of figures, goals and results. Each measured
// subject is a file of its own (bench/<subject>.cpp) with one procedure, named in the
// driver's table of subjects (driver.cpp).
#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/support/child_process.h"
#include "tests/support/run_folder.h"
#include "tests/support/standin_journal.h"

namespace bench {

using support::JournalEvent;

// ---- the programs ----

struct Tools {
    std::string cfgload = WindowsPath(BENCH_CFGLOAD_EXE);
#ifdef BENCH_PROFILE_EXE
    std::string profile = WindowsPath(BENCH_PROFILE_EXE);
#else
    std::string profile;
#endif
    std::string standin = WindowsPath(BENCH_STANDIN_EXE);
    std::string baseline = WindowsPath(BENCH_BASELINE_EXE);
    std::string baselineWindow = WindowsPath(BENCH_BASELINE_WINDOW_EXE);
    std::string floor = WindowsPath(BENCH_FLOOR_EXE);
    std::string peer = WindowsPath(BENCH_SCRIPT_PEER_EXE);
#ifdef BENCH_RECORD_EXE
    std::string record = WindowsPath(BENCH_RECORD_EXE);
#else
    std::string record;
#endif
};
extern const Tools tools;

struct Options {
    bool quick = false;
    bool verbose = false;  // each run's journal and totals on the standard error
    std::set<std::string> only;
    std::string markdown;
    bool Wants(const std::string& part) const { return only.empty() || only.count(part) > 0; }
};
extern Options options;

// A line on the standard error (progress; the table goes to the standard output).
void Say(const char* format, ...);

const JournalEvent* FindEvent(const std::vector<JournalEvent>& journal, const std::string& kind, const std::string& name,
                              const std::string& text = {}, unsigned long long from = 0);

// Trailing line ends taken off.
std::string Trimmed(std::string text);

// ---- one run of cfgload against the stand-in ----

struct Run {
    std::vector<std::string> settings;  // settings file lines
    std::vector<std::string> standin;   // standin.scenario lines
    bool profile = false;               // the instrumented copy
    int expectExit = 0;
    DWORD limitMs = 120000;
    // When set, "/LogFile <this file in the run folder>" follows the settings file.
    std::string logFile;
    // Called about every 20 ms while cfgload runs, with the run's journal path and meter.
    std::function<void(const std::string& journal, const bench::ProcessMeter& meter)> during;
};

struct Outcome {
    bool ok = false;
    std::string problem;
    DWORD exitCode = 0;
    double wallMs = 0;
    long long peakKb = -1;
    std::vector<JournalEvent> journal;
    std::map<std::string, double> profile;
    std::vector<double> searchCycles, driveCycles;  // own work of each cycle
    size_t outputBytes = 0;
    size_t logBytes = 0;  // of Run::logFile at the end
};

// A fresh folder for a run, named by this process and a count (runs go side by side).
support::RunFolder MakeFolder();

// Runs cfgload (or its instrumented copy) with the run's settings and the stand-in's scenario
// in a fresh folder, kept only when the run failed.
Outcome Execute(const Run& run);

// The typical run: log-in, unload, then load with a password for the new configuration,
// the save question, the list of changes, the end of restructuring, exit.
inline std::vector<std::string> TypicalSettings() {
    return {"BasePath={base}",   "Path1CExe={standin}",   "NewMDPath={new_md}", "User=Администратор",
            "Password=секрет",   "NewConfigPassword=новый", "DownloadTo={unload}"};
}
inline std::vector<std::string> TypicalStandin() { return {"password=секрет", "new_config_password=новый"}; }

// What the typical run leaves for the memory figures: its peak memory per run, in KiB.
extern std::vector<double> TypicalPeakKb;

// ---- the table ----

std::string Format(const char* format, ...);
// "median [min-max] unit (n=count)"
std::string Figure(const Summary& s, const char* unit, int decimals = 1);
// pass: 1 pass, 0 miss, -1 no goal.
void AddRow(const std::string& section, const std::string& measure, const std::string& figure,
            const std::string& goal, int pass);

// ---- the measured subjects, one file each ----

void MeasurePollingCost();   // polling.cpp
void MeasurePeerCost();      // polling.cpp
void MeasureTypicalRun();    // typical_run.cpp
void MeasureOwnWorkRuns();   // typical_run.cpp
void MeasureSettingsFile();  // settings_file.cpp
void MeasureMemoryAndSize(); // memory.cpp
void MeasureCrowdOfWindows(); // crowd.cpp
void MeasureChangeList();    // change_list.cpp
void MeasureRecords();       // records.cpp

}  // namespace bench
