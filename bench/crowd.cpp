// bench_driver, 4: the search and driving cycles among 2,000 unrelated top-level windows.
#include "bench/driver.h"

#include <cstdlib>
#include <cstring>

#include "tests/support/child_process.h"

namespace bench {
namespace {

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

}  // namespace

void MeasureCrowdOfWindows() { MeasureCrowd(2000, options.quick ? 1 : 2); }

}  // namespace bench
