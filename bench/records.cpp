// bench_driver, 6: describing and picturing one dialog of the stand-in.
#include "bench/driver.h"

#include <cstdlib>

#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace bench {
namespace {

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

void MeasureRecords() { MeasureRecord(options.quick ? 2 : 5); }

}  // namespace bench
