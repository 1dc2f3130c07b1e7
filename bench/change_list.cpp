// bench_driver, 4: a long list of structure changes, cfgload's listing beside bare reads of
// the same list box.
#include "bench/driver.h"

#include <cstdlib>

#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace bench {
namespace {

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

}  // namespace

void MeasureChangeList() { MeasureList(50000, options.quick ? 1 : 2); }

}  // namespace bench
