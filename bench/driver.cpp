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
#include "bench/driver.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace bench {

const Tools tools;
Options options;
std::vector<double> TypicalPeakKb;

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

const JournalEvent* FindEvent(const std::vector<JournalEvent>& journal, const std::string& kind, const std::string& name,
                              const std::string& text, unsigned long long from) {
    for (const JournalEvent& event : journal)
        if (event.tick >= from && event.kind == kind && (name.empty() || event.name == name) &&
            (text.empty() || event.text == text))
            return &event;
    return nullptr;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

namespace {

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


std::string Expand(const std::string& text, const support::RunFolder& f) {
    return support::Substitute(text, f.PlaceNames(tools.standin));
}

struct Row {
    std::string section, measure, figure, goal, result;
};
std::vector<Row> rows;

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

// The measured subjects, in the order they run: the words of --only that ask for each, and
// its procedure. A new subject is a file of its own and one row here.
struct Subject {
    std::vector<std::string> words;
    void (*measure)();
};
const Subject Subjects[] = {
    {{"poll"}, MeasurePollingCost},
    {{"peer"}, MeasurePeerCost},
    {{"typical", "memory"}, MeasureTypicalRun},
    {{"own", "log"}, MeasureOwnWorkRuns},
    {{"settings"}, MeasureSettingsFile},
    {{"memory"}, MeasureMemoryAndSize},
    {{"crowd"}, MeasureCrowdOfWindows},
    {{"list"}, MeasureChangeList},
    {{"record"}, MeasureRecords},
};

bool Wanted(const Subject& subject) {
    return std::any_of(subject.words.begin(), subject.words.end(), [](const std::string& word) { return options.Wants(word); });
}

int Usage() {
    std::string words;
    for (const Subject& subject : Subjects)
        for (const std::string& word : subject.words)
            if (words.find(word) == std::string::npos) words += (words.empty() ? "" : ",") + word;
    std::fprintf(stderr, "usage: bench_driver [--quick] [--verbose] [--only %s] [--markdown FILE]\n", words.c_str());
    return 2;
}

}  // namespace

support::RunFolder MakeFolder() {
    support::RunFolder f;
    f.Create("cfgload-bench-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(InterlockedIncrement(&runCounter)));
    return f;
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

std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Figure(const Summary& s, const char* unit, int decimals) {
    if (s.count == 0) return "no data";
    std::string f = Format("%.*f", decimals, s.median);
    if (s.count > 1) f += Format(" [%.*f-%.*f]", decimals, s.min, decimals, s.max);
    return f + " " + unit + Format(" (n=%d)", s.count);
}

void AddRow(const std::string& section, const std::string& measure, const std::string& figure,
            const std::string& goal, int pass) {
    rows.push_back({section, measure, figure, goal, pass < 0 ? "" : pass ? "pass" : "MISS"});
}

}  // namespace bench

using namespace bench;

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
            return Usage();
        }
    }
    if (!ProcVisible()) Say("note: no /proc through Z: (not Wine?): the system's process counters are used");
    double started = NowMs();
    for (const Subject& subject : Subjects)
        if (Wanted(subject)) subject.measure();

    // In the order of the sections.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.section < b.section; });
    PrintTable();
    std::printf("(figures: median [min-max] over n runs; %.1f minutes in all)\n", (NowMs() - started) / 60000);
    return 0;
}
