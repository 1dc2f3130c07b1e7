// bench_driver, 5: peak memory of the typical run beside trivial programs', and the size of
// cfgload.exe.
#include "bench/driver.h"

#include <algorithm>

#include "tests/support/child_process.h"

namespace bench {
namespace {

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

void MeasureMemory(const std::vector<double>& typicalPeakKb, int repetitions) {
    Say("memory of the baselines: %d run(s) each", repetitions);
    Summary trivial = Summarise(PeakOf(support::Quoted(tools.baseline) + " sleep 1500", "baseline", repetitions));
    Summary windowed = Summarise(PeakOf(support::Quoted(tools.baselineWindow) + " 1500", "window", repetitions));
    const char* section = "5. Memory and size";
    std::vector<double> overTrivial, overWindowed;
    for (double kb : typicalPeakKb) {
        overTrivial.push_back((kb - trivial.median) / 1024.0);
        overWindowed.push_back((kb - windowed.median) / 1024.0);
    }
    Summary diff = Summarise(overTrivial);
    AddRow(section, "peak working set of cfgload.exe minus the trivial program's", Figure(diff, "MiB", 2), "< 2 MiB",
           diff.count ? diff.median < 2 : 0);
    AddRow(section, "  cfgload.exe, typical run", Figure(InMiB(Summarise(typicalPeakKb)), "MiB", 2), "", -1);
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

}  // namespace

void MeasureMemoryAndSize() { MeasureMemory(TypicalPeakKb, options.quick ? 2 : 3); }

}  // namespace bench
