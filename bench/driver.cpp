// bench_driver: measures what driving the configurator costs the program itself. It runs
// cfgload.exe and its instrumented copy cfgload_profile.exe against the stand-in
// configurator, reads the stand-in's journal (millisecond ticks), the program's own totals
// (standard error of the instrumented copy) and the process's CPU time and peak memory, and
// prints a table of figures, goals and results. Every figure is a median over several runs,
// with the smallest and largest value. cfgload's standard output is appended to a log file,
// as examples/nightly.bat does.
//
//   bench_driver [--quick] [--verbose] [--only poll,peer,typical,own,log,list,settings,crowd,memory,record]
//                [--markdown FILE]
//
// Not a test: it passes or misses goals, it does not fail a build.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/win_handles.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/run_folder.h"
#include "tests/support/standin_journal.h"

using bench::Summarise;
using bench::Summary;
using support::JournalEvent;

namespace {

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
const Tools tools;

struct Options {
    bool quick = false;
    bool verbose = false;  // each run's journal and totals on the standard error
    std::set<std::string> only;
    std::string markdown;
    bool Wants(const std::string& part) const { return only.empty() || only.count(part) > 0; }
};
Options options;

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

const JournalEvent* FindEvent(const std::vector<JournalEvent>& journal, const std::string& kind, const std::string& name,
                       const std::string& text = {}, unsigned long long from = 0) {
    for (const JournalEvent& event : journal)
        if (event.tick >= from && event.kind == kind && (name.empty() || event.name == name) &&
            (text.empty() || event.text == text))
            return &event;
    return nullptr;
}

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

LONG runCounter = 0;

std::map<std::string, double> ParseProfile(const std::string& errors) {
    std::map<std::string, double> values;
    size_t at = errors.find("cfgload-profile ");
    if (at == std::string::npos) return values;
    size_t end = errors.find('\n', at);
    std::string line = errors.substr(at, end == std::string::npos ? std::string::npos : end - at);
    size_t position = 0;
    while ((position = line.find(' ', position)) != std::string::npos) {
        ++position;
        size_t equals = line.find('=', position);
        if (equals == std::string::npos) break;
        values[line.substr(position, equals - position)] = std::strtod(line.c_str() + equals + 1, nullptr);
    }
    return values;
}

// A list value of the totals ("a,b,c").
std::vector<double> ProfileList(const std::string& errors, const std::string& key) {
    std::vector<double> values;
    size_t at = errors.find(" " + key + "=");
    if (at == std::string::npos) return values;
    const char* p = errors.c_str() + at + key.size() + 2;
    while (*p && *p != ' ' && *p != '\r' && *p != '\n') {
        char* end = nullptr;
        values.push_back(std::strtod(p, &end));
        if (end == p) break;
        p = *end == ',' ? end + 1 : end;
    }
    return values;
}

// A fresh folder for a run, named by this process and a count (runs go side by side).
support::RunFolder MakeFolder() {
    support::RunFolder f;
    f.Create("cfgload-bench-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(InterlockedIncrement(&runCounter)));
    return f;
}

std::string Expand(const std::string& text, const support::RunFolder& f) {
    return support::Substitute(text, f.PlaceNames(tools.standin));
}

Outcome Execute(const Run& run) {
    Outcome outcome;
    const support::RunFolder f = MakeFolder();
    std::vector<std::string> settings, standin;
    for (const auto& line : run.settings) settings.push_back(Expand(line, f));
    for (const auto& line : run.standin) standin.push_back(Expand(line, f));
    support::WriteWholeFile(f.SettingsFile(), support::Joined(settings));
    support::WriteWholeFile(f.ScenarioFile(), support::Joined(standin));

    const std::string& exe = run.profile ? tools.profile : tools.cfgload;
    support::ChildProcess child;
    double started = bench::NowMs();
    // The standard output goes to a log file, as the nightly batch file sends it.
    const std::string log = f.Work() + "\\cfgload.log";
    std::string commandLine = support::Quoted(exe) + " " + support::Quoted(f.SettingsFile());
    if (!run.logFile.empty()) commandLine += " /LogFile " + support::Quoted(f.Work() + "\\" + run.logFile);
    if (!child.Start(commandLine, f.Work(), log)) {
        outcome.problem = "cfgload did not start";
        return outcome;
    }
    bench::ProcessMeter meter;
    // The settings file's path names this run's process (the stand-in's names the base).
    // A run that ends at once may be gone before it is seen: then no memory figure.
    meter.Attach(child.Process(), f.SettingsFile().substr(support::TempRoot().size()));
    while (!child.Wait(20)) {
        long long peak = meter.PeakKb();
        if (peak > outcome.peakKb) outcome.peakKb = peak;
        if (run.during) run.during(f.JournalFile(), meter);
        if (bench::NowMs() - started > run.limitMs) {
            child.Terminate();
            outcome.problem = "cfgload ran past the limit";
            break;
        }
    }
    outcome.wallMs = bench::NowMs() - started;
    child.Finish();
    outcome.exitCode = child.ExitCode();
    outcome.outputBytes = support::ReadWholeFile(log).size();
    if (!run.logFile.empty()) outcome.logBytes = support::ReadWholeFile(f.Work() + "\\" + run.logFile).size();
    outcome.profile = ParseProfile(child.Errors());
    outcome.searchCycles = ProfileList(child.Errors(), "search_cycle_list");
    outcome.driveCycles = ProfileList(child.Errors(), "drive_cycle_list");
    support::EndStandins(f.JournalFile(), 5000);
    outcome.journal = support::ReadJournal(f.JournalFile());
    if (outcome.problem.empty() && static_cast<int>(outcome.exitCode) != run.expectExit)
        outcome.problem = "exit code " + std::to_string(outcome.exitCode) + ", expected " + std::to_string(run.expectExit);
    for (const JournalEvent& event : outcome.journal)
        if (event.kind == "scenario-error") outcome.problem = "stand-in scenario: " + event.text;
    if (outcome.problem.empty() && run.profile && outcome.profile.empty()) outcome.problem = "no profile totals";
    outcome.ok = outcome.problem.empty();
    if (options.verbose) {
        std::string errors = child.Errors();
        Say("  --- %s: exit %lu, %.0f ms, peak %lld KiB", exe.c_str(), outcome.exitCode, outcome.wallMs, outcome.peakKb);
        if (!errors.empty()) Say("  %s", errors.c_str());
        unsigned long long first = outcome.journal.empty() ? 0 : outcome.journal.front().tick;
        for (const JournalEvent& event : outcome.journal)
            if (event.kind != "cmdline" && event.kind != "cwd")
                Say("  %6llu %s %s %.60s", event.tick - first, event.kind.c_str(), event.name.c_str(), event.text.c_str());
    }
    if (outcome.ok)
        support::RemoveTree(f.Work());
    else
        Say("  run failed (%s); folder kept: %s", outcome.problem.c_str(), f.Work().c_str());
    return outcome;
}

// ---- scenarios ----

// The typical run: log-in, unload, then load with a password for the new configuration,
// the save question, the list of changes, the end of restructuring, exit.
std::vector<std::string> TypicalSettings() {
    return {"BasePath={base}",   "Path1CExe={standin}",   "NewMDPath={new_md}", "User=Администратор",
            "Password=секрет",   "NewConfigPassword=новый", "DownloadTo={unload}"};
}
std::vector<std::string> TypicalStandin() { return {"password=секрет", "new_config_password=новый"}; }

// Reactions of the typical run: from what the stand-in shows to the answer it receives.
struct Reaction {
    const char* label;
    const char* fromKind;
    const char* fromName;
    const char* fromText;
    const char* toKind;
    const char* toName;
    const char* toText;
    double pauseMs;  // the specified pauses between the window appearing and the answer
    const char* pauses;
};
// The pauses: a dialog appears while the loop sleeps CyclePause or idles (500 ms); the log-in
// window is found after the pause before the search; the main window is taken up one search
// step (1 s) after the pass that finds it, which comes up to one step after it appears; the
// first document window is tested once more after a CyclePause before the exit is sent.
const Reaction reactions[] = {
    {"log-in window -> OK", "show", "login", "", "button", "login", "", 500, "CyclePause"},
    {"main window -> unload command", "main", "-", "", "command", "-", "33204", 2000, "2 search steps"},
    {"unload dialog -> OK", "show", "unload", "", "button", "unload", "", 500, "CyclePause"},
    {"unload done -> OK", "show", "unload_done", "", "button", "unload_done", "", 500, "CyclePause"},
    {"unload done OK -> load command", "button", "unload_done", "", "command", "-", "33206", 500, "CyclePause"},
    {"file chooser -> OK", "show", "open_file", "", "button", "open_file", "", 500, "CyclePause"},
    {"new-configuration password -> OK", "show", "new_password", "", "button", "new_password", "", 500, "CyclePause"},
    {"save question -> Yes", "show", "save", "", "button", "save", "", 500, "CyclePause"},
    {"structure list -> OK", "show", "structure", "", "button", "structure", "", 500, "CyclePause"},
    {"restructuring finished -> OK", "show", "done", "", "button", "done", "", 500, "CyclePause"},
    {"document window -> exit command", "document", "-", "", "command", "-", "57665", 1000, "2 x CyclePause"},
};

// ---- the table ----

struct Row {
    std::string section, measure, figure, goal, result;
};
std::vector<Row> rows;

std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Figure(const Summary& s, const char* unit, int decimals = 1) {
    if (s.count == 0) return "no data";
    std::string f = Format("%.*f", decimals, s.median);
    if (s.count > 1) f += Format(" [%.*f-%.*f]", decimals, s.min, decimals, s.max);
    return f + " " + unit + Format(" (n=%d)", s.count);
}

void AddRow(const std::string& section, const std::string& measure, const std::string& figure,
            const std::string& goal, int pass) {
    rows.push_back({section, measure, figure, goal, pass < 0 ? "" : pass ? "pass" : "MISS"});
}

void PrintTable() {
    size_t w[4] = {7, 7, 6, 4};
    for (const Row& r : rows) {
        w[0] = std::max(w[0], r.measure.size() + 2);
        w[1] = std::max(w[1], r.figure.size());
        w[2] = std::max(w[2], r.goal.size());
    }
    std::printf("%-*s  %-*s  %-*s  %s\n", static_cast<int>(w[0]), "measure", static_cast<int>(w[1]), "figure",
                static_cast<int>(w[2]), "goal", "result");
    std::string section;
    for (const Row& r : rows) {
        if (r.section != section) {
            std::printf("%s\n", r.section.c_str());
            section = r.section;
        }
        std::printf("  %-*s  %-*s  %-*s  %s\n", static_cast<int>(w[0] - 2), r.measure.c_str(), static_cast<int>(w[1]),
                    r.figure.c_str(), static_cast<int>(w[2]), r.goal.c_str(), r.result.c_str());
    }
    std::fflush(stdout);
    if (options.markdown.empty()) return;
    std::string md = "| Measure | Figure: median [min-max] | Goal | Result |\n|---|---|---|---|\n";
    section.clear();
    for (const Row& r : rows) {
        if (r.section != section) {
            md += "| **" + r.section + "** | | | |\n";
            section = r.section;
        }
        // Markdown drops leading blanks: each level of indentation becomes "· ".
        size_t depth = r.measure.find_first_not_of(' ');
        if (depth == std::string::npos) depth = 0;
        std::string measure;
        for (size_t level = 0; level < depth / 2; ++level) measure += "· ";
        measure += r.measure.substr(depth);
        md += "| " + measure + " | " + r.figure + " | " + r.goal + " | " + r.result + " |\n";
    }
    support::WriteWholeFile(options.markdown, md);
}

// ---- 1. polling cost ----

struct PollingFigures {
    int repetitions = 0, windowS = 0;
    // With the script peer beside each cfgload, polling the same configurator.
    bool withPeer = false;
    std::vector<double> shares, own, sleeper, server, peer, peerRatio, desktop;
    CRITICAL_SECTION lock;
    int next = 0;
};

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The peer's last line (its count of polls).
std::string PeerSummary(const std::string& output) {
    size_t at = output.find("polls=");
    return at == std::string::npos ? "no count" : Trimmed(output.substr(at));
}

// The configurator's process id, from its journal's start line.
DWORD StandinProcessId(const std::string& journalText) {
    size_t at = journalText.find(" start - pid=");
    return at == std::string::npos ? 0 : static_cast<DWORD>(std::strtoul(journalText.c_str() + at + 13, nullptr, 10));
}

// One run: cfgload and the sleeper (and the peer) sit through the same minute, sampled at
// the same moments. The runs go at the same time, each on a thread of its own, with nothing
// else beside them.
DWORD WINAPI PollingRun(void* data) {
    auto* figures = static_cast<PollingFigures*>(data);
    EnterCriticalSection(&figures->lock);
    const int r = figures->next++;
    LeaveCriticalSection(&figures->lock);
    int serverPid = bench::ProcVisible() ? bench::FindWineserver() : 0;
    {
        const int windowS = figures->windowS;
        std::string marker = "bench-sleeper-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(r);
        support::ChildProcess sleeperChild;
        sleeperChild.Start(support::Quoted(tools.baseline) + " sleep " + std::to_string((windowS + 60) * 1000) + " " + marker);
        bench::ProcessMeter sleeperMeter;
        sleeperMeter.Attach(sleeperChild.Process(), marker);

        // The peer starts once the configurator is busy; the window opens a second after its
        // first poll (its start and its first window call stay out of it).
        const bool withPeer = figures->withPeer;
        const int peerStartMs = withPeer ? 10000 : 0;
        support::ChildProcess peerChild;
        bench::ProcessMeter peerMeter;
        const std::string peerMarker = "bench-peer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(r);

        enum { Waiting, Armed, Done } state = Waiting;
        double at = 0, cpu0 = 0, sleep0 = 0, server0 = 0, cpu1 = 0, sleep1 = 0, server1 = 0, span = 0;
        double peer0 = 0, peer1 = 0;
        Run run;
        run.settings = {"BasePath={base}", "Path1CExe={standin}", "NewMDPath={new_md}", "User=Администратор",
                        "Password=секрет"};
        // Busy restructuring: the configurator answers nothing for the whole window.
        run.standin = {"password=секрет", "restructure_ms=" + std::to_string(windowS * 1000 + peerStartMs + 3000)};
        run.limitMs = (windowS + 90) * 1000;
        run.during = [&](const std::string& journal, const bench::ProcessMeter& meter) {
            double now = bench::NowMs();
            if (state == Waiting) {
                std::string text = support::ReadWholeFile(journal);
                if (text.find(" restructuring ") != std::string::npos) {
                    state = Armed;
                    DWORD configurator = StandinProcessId(text);
                    if (withPeer && configurator &&
                        peerChild.Start(support::Quoted(tools.peer) + " " + std::to_string(configurator) + " " +
                                        std::to_string(windowS * 1000 + peerStartMs + 3000) + " " + peerMarker)) {
                        peerMeter.Attach(peerChild.Process(), peerMarker);
                        peerChild.WaitForOutput("ready", peerStartMs);
                    }
                    at = bench::NowMs() + 1000;  // the structure dialog's press has settled
                }
            } else if (state == Armed && now >= at) {
                cpu0 = meter.CpuMs();
                sleep0 = sleeperMeter.CpuMs();
                peer0 = withPeer ? peerMeter.CpuMs() : 0;
                server0 = serverPid ? bench::UnixCpuMs(serverPid) : 0;
                // The driver itself keeps still through the window (no journal or memory
                // reads), so that the wineserver's time is the others'.
                Sleep(static_cast<DWORD>(windowS * 1000));
                cpu1 = meter.CpuMs();
                sleep1 = sleeperMeter.CpuMs();
                peer1 = withPeer ? peerMeter.CpuMs() : 0;
                server1 = serverPid ? bench::UnixCpuMs(serverPid) : 0;
                span = bench::NowMs() - now;
                state = Done;
            }
        };
        Outcome outcome = Execute(run);
        sleeperChild.Terminate();
        if (withPeer) {
            peerChild.Wait(10000);
            peerChild.Finish();
        }
        if (!outcome.ok || state != Done || cpu0 < 0 || sleep0 < 0 || (withPeer && (peer0 <= 0 || peer1 < peer0))) {
            Say("  polling run %d: no measurement", r + 1);
            return 0;
        }
        double ownMs = cpu1 - cpu0, sleepMs = sleep1 - sleep0, peerMs = peer1 - peer0;
        EnterCriticalSection(&figures->lock);
        figures->shares.push_back((ownMs - sleepMs) / span * 100.0);
        figures->own.push_back(ownMs);
        figures->sleeper.push_back(sleepMs);
        if (serverPid) figures->server.push_back(server1 - server0);
        if (withPeer) {
            figures->peer.push_back(peerMs);
            std::string said = peerChild.Output();
            size_t at = said.find("desktop=");
            if (at != std::string::npos) figures->desktop.push_back(std::strtod(said.c_str() + at + 8, nullptr));
            // Both less what the trivial program costs in the same minute.
            if (peerMs > sleepMs) figures->peerRatio.push_back((ownMs - sleepMs) / (peerMs - sleepMs));
        }
        LeaveCriticalSection(&figures->lock);
        Say("  polling run %d: cfgload %.1f ms CPU, sleeper %.1f ms,%s wineserver %.1f ms in %.1f s", r + 1, ownMs, sleepMs,
            withPeer ? Format(" script peer %.1f ms (%s),", peerMs, PeerSummary(peerChild.Output()).c_str()).c_str() : "",
            server1 - server0, span / 1000);
    }
    return 0;
}

void MeasurePolling(PollingFigures* figures) {
    Say("polling%s: %d run(s) at the same time, %d s each with the configurator busy",
        figures->withPeer ? " beside a script's" : "", figures->repetitions, figures->windowS);
    InitializeCriticalSection(&figures->lock);
    std::vector<unique_handle> threads;
    for (int r = 0; r < figures->repetitions; ++r)
        threads.emplace_back(CreateThread(nullptr, 0, PollingRun, figures, 0, nullptr));
    for (const unique_handle& thread : threads)
        if (thread) WaitForSingleObject(thread.get(), INFINITE);
}

void ReportPolling(const PollingFigures& figures) {
    const char* section = "1. Polling cost, configurator busy";
    Summary share = Summarise(figures.shares);
    AddRow(section, Format("cfgload CPU minus the sleeper's, share of one core (%d s)", figures.windowS),
           Figure(share, "%", 3), "< 0.2 %", share.count ? share.median < 0.2 : 0);
    AddRow(section, "  cfgload CPU time in the window", Figure(Summarise(figures.own), "ms"), "", -1);
    AddRow(section, "  sleeper (trivial program) CPU time in the window", Figure(Summarise(figures.sleeper), "ms"), "", -1);
    if (!figures.server.empty())
        AddRow(section, Format("  wineserver CPU time in the window (whole prefix, %d runs at once)", figures.repetitions),
               Figure(Summarise(figures.server), "ms"), "", -1);
}

void ReportPeer(const PollingFigures& figures) {
    const char* section = "1. Polling cost, configurator busy";
    Summary ratio = Summarise(figures.peerRatio);
    AddRow(section, Format("cfgload CPU / a script's polling the same configurator (%d s, minus the sleeper's)", figures.windowS),
           Figure(ratio, "x", 2), "<= 0.5 x", ratio.count ? ratio.median <= 0.5 : 0);
    AddRow(section, "  cfgload CPU time in the window, beside the script", Figure(Summarise(figures.own), "ms"), "", -1);
    AddRow(section, "  script CPU time (every 250 ms: windows by process, top one's text)", Figure(Summarise(figures.peer), "ms"),
           "", -1);
    AddRow(section, "  sleeper CPU time in the same window", Figure(Summarise(figures.sleeper), "ms"), "", -1);
    // The script's cost grows with them; cfgload's, with the configurator found, does not.
    AddRow(section, "  top-level windows on the desktop, each asked for its process by the script",
           Figure(Summarise(figures.desktop), "windows", 0), "", -1);
}

// ---- 2, 3, 5. the typical run ----

// The first window call of a fresh process, as the trivial program makes it.
std::vector<double> FirstWindowCall(int repetitions) {
    std::vector<double> values;
    for (int r = 0; r < repetitions; ++r) {
        support::ChildProcess child;
        if (!child.Start(support::Quoted(tools.baselineWindow) + " 0")) continue;
        child.Wait(60000);
        child.Finish();
        std::string output = child.Output();
        size_t at = output.find("first_window_call_ms=");
        if (at != std::string::npos) values.push_back(std::strtod(output.c_str() + at + 21, nullptr));
    }
    return values;
}

struct TypicalFigures {
    std::vector<double> own, pause, configurator, start, total, wall, driveMean, driveMax, searchFirst, peakKb;
    std::map<int, std::vector<double>> latency;
    // Wine sets up its window layer at a process's first window call (tens of
    // milliseconds); cfgload's first is the search pass that answers the log-in window.
    // The trivial program's first window call is timed right before each run, and taken
    // off that run's log-in reaction and own work.
    std::vector<double> firstCall, loginLess, ownLess;
    std::vector<double> logBytes;  // the LogFile of each run, when one was asked for
    std::vector<double> runLog;    // own work inside the log's writes (in-program)
};

void RunTypical(bool profile, int repetitions, TypicalFigures* figures, const std::string& logFile = {}) {
    for (int r = 0; r < repetitions; ++r) {
        std::vector<double> first = FirstWindowCall(1);
        if (!first.empty()) figures->firstCall.push_back(first.front());
        Run run;
        run.profile = profile;
        run.settings = TypicalSettings();
        run.standin = TypicalStandin();
        run.logFile = logFile;
        Outcome outcome = Execute(run);
        if (!outcome.ok) continue;
        if (!logFile.empty()) figures->logBytes.push_back(static_cast<double>(outcome.logBytes));
        figures->wall.push_back(outcome.wallMs);
        if (outcome.peakKb > 0) figures->peakKb.push_back(static_cast<double>(outcome.peakKb));
        for (size_t i = 0; i < sizeof reactions / sizeof reactions[0]; ++i) {
            const Reaction& x = reactions[i];
            const JournalEvent* from = FindEvent(outcome.journal, x.fromKind, x.fromName, x.fromText);
            const JournalEvent* to = from ? FindEvent(outcome.journal, x.toKind, x.toName, x.toText, from->tick) : nullptr;
            if (!from || !to) continue;
            double ms = static_cast<double>(to->tick - from->tick);
            figures->latency[static_cast<int>(i)].push_back(ms);
            if (i == 0 && !first.empty()) figures->loginLess.push_back(ms - first.front());
        }
        if (profile) {
            auto& p = outcome.profile;
            figures->own.push_back(p["own"]);
            figures->runLog.push_back(p["run_log"]);
            if (!first.empty()) figures->ownLess.push_back(p["own"] - first.front());
            figures->pause.push_back(p["pause"]);
            figures->configurator.push_back(p["configurator"]);
            figures->start.push_back(p["start"]);
            figures->total.push_back(p["total"]);
            if (p["drive_cycles"] > 0) figures->driveMean.push_back(p["drive_cycle_sum"] / p["drive_cycles"]);
            figures->driveMax.push_back(std::max(p["drive_cycle_first"], p["drive_cycle_max"]));
            figures->searchFirst.push_back(p["search_cycle_first"]);
        }
        Say("  run %d%s: %.0f ms%s", r + 1, logFile.empty() ? "" : " with LogFile", outcome.wallMs,
            profile ? Format(", own work %.1f ms", outcome.profile["own"]).c_str() : "");
    }
}

void MeasureTypical(int repetitions, TypicalFigures* product) {
    Say("typical run (unload, then load), cfgload.exe: %d run(s)", repetitions);
    RunTypical(false, repetitions, product);
    const char* section = "2. Reaction latency, typical run (stand-in journal)";
    for (size_t i = 0; i < sizeof reactions / sizeof reactions[0]; ++i) {
        const std::vector<double>& values = product->latency[static_cast<int>(i)];
        Summary s = Summarise(values);
        double goal = reactions[i].pauseMs + 50;
        if (i != 0) {
            AddRow(section, reactions[i].label, Figure(s, "ms", 0), Format("<= %.0f ms (%s + 50)", goal, reactions[i].pauses),
                   s.count ? s.median <= goal : 0);
            continue;
        }
        // The log-in window is answered by the process's first window call.
        AddRow(section, reactions[i].label, Figure(s, "ms", 0), "", -1);
        Summary l = Summarise(product->loginLess);
        AddRow(section, "  the same less the trivial program's first window call", Figure(l, "ms", 0),
               Format("<= %.0f ms (%s + 50)", goal, reactions[i].pauses), l.count ? l.median <= goal : 0);
    }
}

void ReportOwnWork(const TypicalFigures& figures) {
    const char* section2 = "2. Reaction latency, typical run (stand-in journal)";
    AddRow(section2, "own work of a driving cycle, mean (added to its pause)", Figure(Summarise(figures.driveMean), "ms", 2),
           "", -1);
    AddRow(section2, "own work of a driving cycle, largest in the run", Figure(Summarise(figures.driveMax), "ms", 2), "", -1);
    AddRow(section2, "own work of the first search cycle (answers the log-in)", Figure(Summarise(figures.searchFirst), "ms", 2),
           "", -1);
    AddRow(section2, "  first window call of the trivial program (Wine sets up)", Figure(Summarise(figures.firstCall), "ms", 2),
           "", -1);
    const char* section = "3. Own work, whole typical run (in-program timers)";
    // Judged as timed, Wine's setup at the first window call included.
    Summary own = Summarise(figures.own);
    AddRow(section, "own work: all but the pauses and the waits on the configurator", Figure(own, "ms"), "< 100 ms",
           own.count ? own.median < 100 : 0);
    AddRow(section, "  the same less the trivial program's first window call", Figure(Summarise(figures.ownLess), "ms"), "",
           -1);
    AddRow(section, "  specified pauses", Figure(Summarise(figures.pause), "ms", 0), "", -1);
    AddRow(section, "  waits on the configurator (input idle, replies)", Figure(Summarise(figures.configurator), "ms"), "", -1);
    AddRow(section, "  starting the configurator process (CreateProcess)", Figure(Summarise(figures.start), "ms"), "", -1);
    AddRow(section, "  in-program total (main to exit)", Figure(Summarise(figures.total), "ms", 0), "", -1);
}

void ReportLogCost(const TypicalFigures& without, const TypicalFigures& with, const std::vector<double>& ratios,
                   const std::vector<double>& inside) {
    const char* section = "3. Own work, whole typical run (in-program timers)";
    Summary ratio = Summarise(ratios);
    AddRow(section, "own work with LogFile / the same run without it (pairs)", Figure(ratio, "x", 2), "<= 1.1 x",
           ratio.count ? ratio.median <= 1.1 : 0);
    // Own work is wall time: on a loaded machine either run of a pair may get tens of
    // milliseconds more. The fastest runs are the least disturbed, as the desktop pass's floor.
    Summary with1 = Summarise(with.own), without1 = Summarise(without.own);
    bool both = with1.count && without1.count && without1.min > 0;
    AddRow(section, "  the same, fastest run of each",
           both ? Format("%.2f x (%.1f / %.1f ms)", with1.min / without1.min, with1.min, without1.min) : "no data", "", -1);
    Summary split = Summarise(inside);
    AddRow(section, "  own work with LogFile / the same less its log writes (in-program)",
           split.count ? Figure(split, "x", 2) : "no data: the log's writes are not timed in this build", "<= 1.1 x",
           split.count ? split.median <= 1.1 : -1);
    AddRow(section, "  own work inside the log's writes", Figure(Summarise(with.runLog), "ms", 2), "", -1);
    AddRow(section, "  own work with LogFile", Figure(with1, "ms"), "", -1);
    AddRow(section, "  own work without it", Figure(without1, "ms"), "", -1);
    // A build that does not know the key runs as without it and writes nothing.
    Summary bytes = Summarise(with.logBytes);
    AddRow(section, "  size of the log a run wrote",
           bytes.count && bytes.max == 0 ? "none: LogFile unknown to this build" : Figure(bytes, "bytes", 0), "", -1);
}

void MeasureOwnWork(int repetitions, int pairs) {
    if (tools.profile.empty()) {
        AddRow("3. Own work, whole typical run (in-program timers)", "cfgload_profile.exe not built (CFGLOAD_PROFILE=OFF)",
               "", "", 0);
        return;
    }
    const bool plain = options.Wants("own"), logged = options.Wants("log");
    if (logged) repetitions = std::max(repetitions, pairs);
    Say("typical run, cfgload_profile.exe: %d run(s)%s", repetitions, logged ? ", each with and without LogFile" : "");
    TypicalFigures figures, withLog;
    std::vector<double> ratios, inside;
    for (int r = 0; r < repetitions; ++r) {
        // In pairs, so that both halves of a ratio meet much the same machine load; every
        // other pair the other way round.
        size_t before = figures.own.size(), beforeLog = withLog.own.size();
        if (logged) Say("  pair %d", r + 1);
        if (logged && r % 2) RunTypical(true, 1, &withLog, "cfgload-run.log");
        RunTypical(true, 1, &figures);
        if (!logged) continue;
        if (r % 2 == 0) RunTypical(true, 1, &withLog, "cfgload-run.log");
        if (figures.own.size() > before && withLog.own.size() > beforeLog && figures.own.back() > 0)
            ratios.push_back(withLog.own.back() / figures.own.back());
        // The same run with and without its log writes: no other run's load in it.
        if (withLog.own.size() > beforeLog && withLog.runLog.back() > 0 && withLog.own.back() > withLog.runLog.back())
            inside.push_back(withLog.own.back() / (withLog.own.back() - withLog.runLog.back()));
    }
    if (plain) ReportOwnWork(figures);
    if (logged) ReportLogCost(figures, withLog, ratios, inside);
}

// ---- 4. scale ----

// The bare reads, against the stand-in's own list box in its modal dialog: the same
// receiver as cfgload's reads. Wall time and the CPU time of the processes involved.
struct ListCost {
    double wallMs = -1, cpuMs = -1, sendUs = 0;
};

ListCost FloorList(int items) {
    ListCost cost;
    const support::RunFolder f = MakeFolder();
    support::WriteWholeFile(f.ScenarioFile(), support::Joined({"login=0", "config_window=0", "mdi_child=never",
                                                                  "changes_generated=" + std::to_string(items)}));
    support::ChildProcess floor;
    if (!floor.Start(support::Quoted(tools.floor) + " standin-list " + support::Quoted(tools.standin) + " " +
                     support::Quoted(f.Base()) + " " + support::Quoted(f.NewMd()) + " 1"))
        return cost;
    floor.Wait(900000);
    floor.Finish();
    std::string output = floor.Output();
    support::EndStandins(f.JournalFile(), 5000);
    size_t at = output.find("list_ms="), cpu = output.find("cpu_ms="), send = output.find("send_us=");
    if (at == std::string::npos) {
        Say("  bare reads failed: %s; folder kept: %s", output.c_str(), f.Work().c_str());
        return cost;
    }
    cost.wallMs = std::strtod(output.c_str() + at + 8, nullptr);
    if (cpu != std::string::npos) cost.cpuMs = std::strtod(output.c_str() + cpu + 7, nullptr);
    if (send != std::string::npos) cost.sendUs = std::strtod(output.c_str() + send + 8, nullptr);
    support::RemoveTree(f.Work());
    return cost;
}

void MeasureList(int items, int repetitions) {
    if (tools.profile.empty()) return;
    Say("list of %d changes: %d pair(s) of bare reads and a cfgload run", items, repetitions);
    std::vector<double> floorWall, floorCpu, listing, listingOwn, listingCpu, ratioWall, ratioCpu, ratioInside, peak, sends;
    const int serverPid = bench::ProcVisible() ? bench::FindWineserver() : 0;
    for (int r = 0; r < repetitions; ++r) {
        // In pairs, so that both halves of a ratio meet much the same machine load.
        ListCost bare = FloorList(items);
        if (bare.wallMs > 0) {
            floorWall.push_back(bare.wallMs);
            sends.push_back(bare.sendUs);
        }
        if (bare.cpuMs > 0) floorCpu.push_back(bare.cpuMs);
        Run run;
        run.profile = true;
        run.settings = {"BasePath={base}", "Path1CExe={standin}", "NewMDPath={new_md}", "User=Администратор",
                        "Password=секрет"};
        run.standin = {"password=секрет", "changes_generated=" + std::to_string(items)};
        run.limitMs = 900000;
        // The same processes' CPU time from the list's appearance to its OK.
        enum { Waiting, Reading, Done } state = Waiting;
        std::vector<int> busy;
        double cpu = 0;
        run.during = [&](const std::string& journal, const bench::ProcessMeter& meter) {
            if (state == Done || !meter.UnderWine()) return;
            std::string text = support::ReadWholeFile(journal);
            if (state == Waiting && text.find(" show structure ") != std::string::npos) {
                std::string base = journal.substr(0, journal.rfind('\\'));
                busy = {meter.UnixPid(), bench::FindUnixProcess("/d" + base), serverPid};
                cpu = bench::UnixCpuMs(busy);
                state = Reading;
            } else if (state == Reading && text.find(" button structure ") != std::string::npos) {
                cpu = bench::UnixCpuMs(busy) - cpu;
                state = Done;
            }
        };
        Outcome outcome = Execute(run);
        if (!outcome.ok) continue;
        double ms = outcome.profile["listing"];
        listing.push_back(ms);
        listingOwn.push_back(outcome.profile["listing_own"]);
        if (ms > outcome.profile["listing_own"]) ratioInside.push_back(ms / (ms - outcome.profile["listing_own"]));
        if (bare.wallMs > 0) ratioWall.push_back(ms / bare.wallMs);
        if (state == Done) {
            listingCpu.push_back(cpu);
            if (bare.cpuMs > 0) ratioCpu.push_back(cpu / bare.cpuMs);
        }
        if (outcome.peakKb > 0) peak.push_back(outcome.peakKb / 1024.0);
        Say("  pair %d: bare reads %.0f ms (CPU %.0f ms), cfgload's listing %.0f ms (CPU %.0f ms; %.0f ms outside the "
            "reads), %zu bytes printed",
            r + 1, bare.wallMs, bare.cpuMs, ms, state == Done ? cpu : -1.0, outcome.profile["listing_own"],
            outcome.outputBytes);
    }
    const char* section = "4. Scale";
    // Measured in the same run, so the machine's load falls on both sides alike.
    Summary inside = Summarise(ratioInside);
    AddRow(section, Format("%d-item change list: listing / its reads (in-program)", items), Figure(inside, "x", 2),
           "<= 1.5 x", inside.count ? inside.median <= 1.5 : 0);
    // Runs after one another: a check that cfgload's reads cost what bare reads do, at the
    // mercy of the machine's load between the two.
    Summary cpuRatio = Summarise(ratioCpu);
    AddRow(section, "  listing / bare reads in another process, CPU time", Figure(cpuRatio, "x", 2), "<= 1.5 x",
           cpuRatio.count ? cpuRatio.median <= 1.5 : 0);
    AddRow(section, "  the same in wall time", Figure(Summarise(ratioWall), "x", 2), "", -1);
    AddRow(section, "  cfgload's listing, wall (reads, conversion, one flushed line each)", Figure(Summarise(listing), "ms", 0),
           "", -1);
    AddRow(section, "    of which outside the reads (mostly the line writes)", Figure(Summarise(listingOwn), "ms", 0), "",
           -1);
    AddRow(section, "  bare reads, wall (LB_GETCOUNT; LB_GETTEXTLEN, LB_GETTEXT per item)",
           Figure(Summarise(floorWall), "ms", 0), "", -1);
    AddRow(section, "  CPU of cfgload, stand-in and wineserver while the list is read", Figure(Summarise(listingCpu), "ms", 0),
           "", -1);
    AddRow(section, "  CPU of the bare reader, stand-in and wineserver", Figure(Summarise(floorCpu), "ms", 0), "", -1);
    AddRow(section, "  one bare send to the stand-in's list box", Figure(Summarise(sends), "us", 1), "", -1);
    AddRow(section, "  peak memory of cfgload_profile.exe in this run", Figure(Summarise(peak), "MiB", 1), "", -1);
}

std::string BigSettingsFile(size_t size) {
    // A realistic file grown to the size: comments, every kind of option, some long lines
    // (read in pieces of 510 characters). The run's own lines follow it and name an
    // infobase folder that does not exist, so the run ends right after the settings.
    std::string block =
        "; Выгрузка и загрузка конфигурации, база номер {n}\r\n"
        "BasePath=C:\\Базы\\Торговля{n}\\\r\n"
        "Path1CExe = C:\\Program Files\\1Cv77\\BIN\\1cv7s.exe\r\n"
        "User=Администратор ; пользователь базы\r\n"
        "SecPassword=0h3a2k4b\r\n"
        "DownloadTo=C:\\Выгрузка\\?F?YY-?MM-?DD.zip\r\n"
        "NewMDPath=C:\\Обновления\\1cv7.md\r\n"
        "WorkTime=90\r\n"
        "Debug=1\r\n"
        "Merge=0\r\n"
        "  ForceReplace = 0 ; не заменять чужую конфигурацию\r\n"
        "\r\n";
    std::string longLine = "; " + std::string(700, 'x') + "\r\n";
    std::string text;
    for (int n = 1; text.size() < size - 200; ++n) {
        std::string piece = block;
        for (size_t at = piece.find("{n}"); at != std::string::npos; at = piece.find("{n}", at))
            piece.replace(at, 3, std::to_string(n));
        text += piece;
        if (n % 10 == 0) text += longLine;
    }
    return text;
}

void MeasureSettings(int repetitions) {
    if (tools.profile.empty()) return;
    Say("settings file of 1 MiB: %d run(s)", repetitions);
    std::vector<double> big, small;
    std::string bigFile = BigSettingsFile(1 << 20);
    for (int r = 0; r < repetitions; ++r) {
        for (bool large : {true, false}) {
            Run run;
            run.profile = true;
            run.expectExit = 1;
            run.settings = {"BasePath={work}\\no such infobase", "Path1CExe={standin}"};
            if (large) run.settings.insert(run.settings.begin(), bigFile);
            Outcome outcome = Execute(run);
            if (!outcome.ok) continue;
            (large ? big : small).push_back(outcome.profile["settings"]);
        }
    }
    Summary s = Summarise(big);
    AddRow("4. Scale", Format("settings file of %zu bytes: reading the settings", bigFile.size() + 40), Figure(s, "ms"),
           "< 50 ms", s.count ? s.median < 50 : 0);
    AddRow("4. Scale", "  the same with a settings file of two lines", Figure(Summarise(small), "ms", 2), "", -1);
}

void MeasureCrowd(int windows, int repetitions) {
    if (tools.profile.empty()) return;
    Say("%d unrelated top-level windows: %d run(s)", windows, repetitions);
    support::ChildProcess crowd;
    if (!crowd.Start(support::Quoted(tools.floor) + " host-windows " + std::to_string(windows)) ||
        !crowd.WaitForOutput("ready", 300000)) {
        AddRow("4. Scale", "the other windows could not be created", "", "", 0);
        return;
    }
    // The new windows keep the system busy for a while (painting, the X server): let them
    // settle first.
    WaitForInputIdle(crowd.Process(), 60000);
    Sleep(3000);
    std::vector<double> searchCycle, searchMax, driveCycle, driveMax, searchFirst, floorPass, ratio;
    int seen = 0;
    auto barePass = [&]() {
        support::ChildProcess floor;
        std::vector<double> passes;
        if (floor.Start(support::Quoted(tools.floor) + " enum 5")) {
            floor.Wait(120000);
            floor.Finish();
            std::string output = floor.Output();
            for (size_t at = output.find("\nenum_ms="); at != std::string::npos; at = output.find("\nenum_ms=", at + 1)) {
                passes.push_back(std::strtod(output.c_str() + at + 9, nullptr));
                const char* w = std::strstr(output.c_str() + at, "windows=");
                if (w) seen = std::atoi(w + 8);
            }
        }
        return Summarise(passes);
    };
    for (int r = 0; r < repetitions; ++r) {
        // Bare passes right before and after each run; the fastest of them is the floor.
        Summary before = barePass();

        Run run;
        run.profile = true;
        run.settings = TypicalSettings();
        // An unknown window of the configurator for its first 6 s: the search passes go over
        // the whole desktop and find nothing, five of them after the first.
        run.standin = TypicalStandin();
        run.standin.insert(run.standin.end(), {"extra1.at=start", "extra1.vanish_ms=6000"});
        Outcome outcome = Execute(run);
        Summary after = barePass();
        double bare = -1;
        if (before.count) bare = before.min;
        if (after.count && (bare < 0 || after.min < bare)) bare = after.min;
        if (bare > 0) floorPass.push_back(bare);
        if (!outcome.ok || outcome.searchCycles.size() < 2) continue;
        auto& p = outcome.profile;
        // The search cycles after the first (Wine's setup) up to the log-in (found at the
        // top of the desktop's order, so those passes end early).
        std::vector<double> full(outcome.searchCycles.begin() + 1, outcome.searchCycles.end());
        if (full.size() > 2) full.resize(full.size() - 2);
        Summary search = Summarise(full), drive = Summarise(outcome.driveCycles);
        searchFirst.push_back(p["search_cycle_first"]);
        searchCycle.push_back(search.median);
        searchMax.push_back(search.max);
        driveCycle.push_back(drive.median);
        driveMax.push_back(drive.max);
        if (bare > 0) ratio.push_back(search.median / bare);
        Say("  run %d: full search passes %.1f ms (median of %d; fastest bare pass %.1f ms), driving cycles %.1f ms (median; "
            "largest %.1f)",
            r + 1, search.median, search.count, bare, drive.median, drive.max);
    }
    crowd.Terminate();
    const char* section = "4. Scale";
    Summary search = Summarise(searchCycle), drive = Summarise(driveCycle);
    AddRow(section, Format("%d other windows: own work of a search cycle", windows), Figure(search, "ms"), "< 20 ms",
           search.count ? search.median < 20 : 0);
    AddRow(section, "  bare pass over the desktop (process of each window; fastest of 10)",
           Figure(Summarise(floorPass), "ms") + Format(", %d windows", seen), "", -1);
    AddRow(section, "  search cycle / bare pass", Figure(Summarise(ratio), "x", 2), "", -1);
    AddRow(section, "  largest search cycle after the first", Figure(Summarise(searchMax), "ms"), "", -1);
    AddRow(section, "  first search cycle (with Wine's setup at the first window call)", Figure(Summarise(searchFirst), "ms"),
           "", -1);
    AddRow(section, Format("%d other windows: own work of a driving cycle", windows), Figure(drive, "ms", 2), "< 20 ms",
           drive.count ? drive.median < 20 : 0);
    AddRow(section, "  largest driving cycle", Figure(Summarise(driveMax), "ms"), "", -1);
}

// ---- 5. memory and size ----

std::vector<double> PeakOf(const std::string& arguments, const char* tag, int repetitions) {
    std::vector<double> values;
    for (int r = 0; r < repetitions; ++r) {
        std::string marker = std::string("bench-") + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(r);
        support::ChildProcess child;
        if (!child.Start(arguments + " " + marker)) continue;
        bench::ProcessMeter meter;
        meter.Attach(child.Process(), marker);
        long long peak = -1;
        while (!child.Wait(20)) peak = std::max(peak, meter.PeakKb());
        if (peak > 0) values.push_back(static_cast<double>(peak));
    }
    return values;
}

Summary InMiB(const Summary& s) { return Summary{s.count, s.median / 1024, s.min / 1024, s.max / 1024}; }

void MeasureMemory(const TypicalFigures& product, int repetitions) {
    Say("memory of the baselines: %d run(s) each", repetitions);
    Summary trivial = Summarise(PeakOf(support::Quoted(tools.baseline) + " sleep 1500", "baseline", repetitions));
    Summary windowed = Summarise(PeakOf(support::Quoted(tools.baselineWindow) + " 1500", "window", repetitions));
    const char* section = "5. Memory and size";
    std::vector<double> overTrivial, overWindowed;
    for (double kb : product.peakKb) {
        overTrivial.push_back((kb - trivial.median) / 1024.0);
        overWindowed.push_back((kb - windowed.median) / 1024.0);
    }
    Summary diff = Summarise(overTrivial);
    AddRow(section, "peak working set of cfgload.exe minus the trivial program's", Figure(diff, "MiB", 2), "< 2 MiB",
           diff.count ? diff.median < 2 : 0);
    AddRow(section, "  cfgload.exe, typical run", Figure(InMiB(Summarise(product.peakKb)), "MiB", 2), "", -1);
    AddRow(section, "  trivial console program", Figure(InMiB(trivial), "MiB", 2), "", -1);
    AddRow(section, "  trivial program after one window call (Wine's window layer)", Figure(InMiB(windowed), "MiB", 2), "",
           -1);
    AddRow(section, "  cfgload.exe minus the latter", Figure(Summarise(overWindowed), "MiB", 2), "", -1);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(tools.cfgload.c_str(), GetFileExInfoStandard, &data)) {
        double size = static_cast<double>(data.nFileSizeLow) + 4294967296.0 * data.nFileSizeHigh;
        AddRow(section, "size of cfgload.exe (Release, stripped)", Format("%.0f bytes (%.2f MiB)", size, size / 1048576.0),
               "< 1 MiB", size < 1048576.0);
    }
}

// ---- 6. records of the configurator's windows ----

// The description and picture of the stand-in's log-in dialog (bench_window_record, built
// where automation/window_record.h exists), each run in a fresh process.
void MeasureRecord(int repetitions) {
    const char* section = "6. Records of the configurator's windows";
    if (tools.record.empty()) {
        AddRow(section, "describe and picture one dialog: not built (no automation/window_record.h)", "to be measured",
               "< 50 ms", -1);
        return;
    }
    Say("describing and picturing the log-in dialog: %d process(es), 5 passes each", repetitions);
    std::vector<double> first, later, pictures, pictureKb;
    for (int r = 0; r < repetitions; ++r) {
        const support::RunFolder f = MakeFolder();
        support::WriteWholeFile(f.ScenarioFile(), support::Joined(TypicalStandin()));
        const std::string log = f.Work() + "\\record.log";
        support::ChildProcess child;
        if (!child.Start(support::Quoted(tools.record) + " " + support::Quoted(tools.standin) + " " +
                         support::Quoted(f.Base()) + " " + support::Quoted(log) + " 5"))
            continue;
        child.Wait(120000);
        child.Finish();
        support::EndStandins(f.JournalFile(), 5000);
        std::string output = child.Output();
        std::vector<double> passes;
        for (size_t at = output.find("record_ms="); at != std::string::npos; at = output.find("record_ms=", at + 1))
            passes.push_back(std::strtod(output.c_str() + at + 10, nullptr));
        // The pictures kept next to the log.
        int kept = 0;
        double keptBytes = 0;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((f.Work() + "\\*.png").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do ++kept, keptBytes += found.nFileSizeLow;
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        if (passes.empty()) {
            Say("  record run %d failed: %s; folder kept: %s", r + 1, Trimmed(output).c_str(), f.Work().c_str());
            continue;
        }
        if (options.verbose) Say("%s", support::ReadWholeFile(log).c_str());
        first.push_back(passes.front());
        later.insert(later.end(), passes.begin() + 1, passes.end());
        pictures.push_back(static_cast<double>(kept) / static_cast<double>(passes.size()));
        if (kept) pictureKb.push_back(keptBytes / kept / 1024);
        Say("  run %d: first pass %.1f ms, then %s; %d picture(s)", r + 1, passes.front(),
            Figure(Summarise(std::vector<double>(passes.begin() + 1, passes.end())), "ms").c_str(), kept);
        support::RemoveTree(f.Work());
    }
    // Judged by the first pass of a process: a run records rarely, and then pays the set-up.
    Summary s = Summarise(first);
    AddRow(section, "describe and picture one dialog (log-in), first in the process", Figure(s, "ms"), "< 50 ms",
           s.count ? s.median < 50 : 0);
    AddRow(section, "  the same, later passes", Figure(Summarise(later), "ms"), "", -1);
    AddRow(section, "  pictures kept per pass", Figure(Summarise(pictures), "per pass", 1), "", -1);
    AddRow(section, "  size of one picture (PNG)", Figure(Summarise(pictureKb), "KiB", 1), "", -1);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--quick") {
            options.quick = true;
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--only" && i + 1 < argc) {
            std::string list = argv[++i];
            for (size_t start = 0; start <= list.size();) {
                size_t comma = list.find(',', start);
                options.only.insert(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (argument == "--markdown" && i + 1 < argc) {
            options.markdown = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_driver [--quick] [--verbose] [--only poll,peer,typical,own,log,list,"
                                 "settings,crowd,memory,record] [--markdown FILE]\n");
            return 2;
        }
    }
    if (!bench::ProcVisible()) Say("note: no /proc through Z: (not Wine?): the system's process counters are used");
    const bool quick = options.quick;
    double started = bench::NowMs();

    PollingFigures polling;
    polling.repetitions = quick ? 2 : 3;
    polling.windowS = quick ? 20 : 60;
    if (options.Wants("poll")) {
        MeasurePolling(&polling);
        ReportPolling(polling);
    }
    // Apart from the polling minute above, which has nothing else beside it.
    if (options.Wants("peer")) {
        PollingFigures peer;
        peer.repetitions = polling.repetitions;
        peer.windowS = polling.windowS;
        peer.withPeer = true;
        MeasurePolling(&peer);
        ReportPeer(peer);
    }

    TypicalFigures product;
    if (options.Wants("typical") || options.Wants("memory")) MeasureTypical(quick ? 2 : 5, &product);
    if (options.Wants("own") || options.Wants("log")) MeasureOwnWork(quick ? 2 : 5, quick ? 4 : 8);
    if (options.Wants("settings")) MeasureSettings(quick ? 2 : 5);
    if (options.Wants("memory")) MeasureMemory(product, quick ? 2 : 3);
    if (options.Wants("crowd")) MeasureCrowd(2000, quick ? 1 : 2);
    if (options.Wants("list")) MeasureList(50000, quick ? 1 : 2);
    if (options.Wants("record")) MeasureRecord(quick ? 2 : 5);

    // In the order of the sections.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.section < b.section; });
    PrintTable();
    std::printf("(figures: median [min-max] over n runs; %.1f minutes in all)\n", (bench::NowMs() - started) / 60000);
    return 0;
}
