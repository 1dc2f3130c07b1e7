// bench_driver, 2 and 3: the typical run (unload, then load): reaction latency from the
// stand-in's journal, own work from the instrumented copy's timers, and the cost of LogFile.
#include "bench/driver.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/child_process.h"

namespace bench {
namespace {

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

}  // namespace

void MeasureTypicalRun() {
    TypicalFigures product;
    MeasureTypical(options.quick ? 2 : 5, &product);
    TypicalPeakKb = product.peakKb;
}

void MeasureOwnWorkRuns() { MeasureOwnWork(options.quick ? 2 : 5, options.quick ? 4 : 8); }

}  // namespace bench
