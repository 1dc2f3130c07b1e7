// KeepUnloads over a large unload folder: 5,000 files, of which 1,000 are unloads of the
// pattern and the rest look alike or are other files. Times, in this process and with the
// procedures cfgload runs, /check's listing (the free space, the count and the 991 files a
// good night would delete, each line written to a log file as examples/nightly.bat keeps
// it) and the pruning itself (991 deletions, KeepUnloads 10); then a whole `cfgload /check`
// in a process of its own.
//   bench_unload_pruning <cfgload.exe> <passes>
//       prints "check_ms=<ms> prune_ms=<ms> deleted=<n> whole_check_ms=<ms>" per pass.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "run/unload_name.h"
#include "run/unload_pruning.h"
#include "settings/run_settings.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace {

constexpr int Files = 5000;
constexpr int Unloads = 1000;
constexpr int Keep = 10;
const char Pattern[] = "?F-?YYYY-?MM-?DD.zip";

std::string DatedName(const char* stem, int i, const char* end) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%04d-%02d-%02d%s", stem, 2000 + i / 336, 1 + i / 28 % 12, 1 + i % 28, end);
    return name;
}

// The folder's files: the unloads dated one a day, each a day older than the next, and
// look-alikes and other files beside them. Those present already are left as they are.
void FillFolder(const std::string& folder) {
    const char* const others[] = {".zip_old", ".zip.bak", ".txt"};
    FILETIME day{};
    GetSystemTimeAsFileTime(&day);
    for (int i = 0; i < Files; ++i) {
        const bool unload = i < Unloads;
        const std::string name = unload ? DatedName("Base", i, ".zip")
                                        : DatedName(i % 4 == 3 ? "other" : "base", i, others[i % 4 % 3]);
        const std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        DWORD written = 0;
        WriteFile(file, "PK\5\6", 4, &written, nullptr);
        ULARGE_INTEGER time{{day.dwLowDateTime, day.dwHighDateTime}};
        time.QuadPart -= static_cast<unsigned long long>(Files - i) * 864000000000ULL;
        const FILETIME written_at{time.LowPart, time.HighPart};
        SetFileTime(file, nullptr, nullptr, &written_at);
        CloseHandle(file);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_unload_pruning <cfgload.exe> <passes>\n");
        return 2;
    }
    const std::string cfgload = argv[1];
    const int passes = std::atoi(argv[2]);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string work = std::string(temp) + "cfgload-bench-pruning-" + std::to_string(GetCurrentProcessId());
    const std::string base = work + "\\base", unloads = work + "\\unloads", log = work + "\\check.log";
    CreateDirectoryA(work.c_str(), nullptr);
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA(unloads.c_str(), nullptr);
    support::WriteWholeFile(base + "\\1cv7.md", "MD");
    const std::string pattern = unloads + "\\" + Pattern;
    support::WriteWholeFile(work + "\\cfgload.ini",
                            support::Joined({"BasePath=" + base, "Path1CExe=" + cfgload, "NewMDPath=nul",
                                             "DownloadTo=" + pattern, "KeepUnloads=" + std::to_string(Keep)}));

    // The lines go to a log file, as a night's do; the figures to the standard error.
    if (!std::freopen(log.c_str(), "w", stdout)) return 1;
    Settings.BasePath = base;
    Settings.KeepUnloads = Keep;
    Settings.DownloadTo = pattern;
    ExpandUnloadName();
    support::WriteWholeFile(Settings.DownloadTo, "tonight");
    bool ok = true;
    for (int pass = 0; pass < passes; ++pass) {
        FillFolder(unloads);
        double started = bench::NowMs();
        ok = CheckUnloadsKept(pattern) && ok;
        const double check = bench::NowMs() - started;

        started = bench::NowMs();
        KeepNewestUnloads(pattern);
        const double prune = bench::NowMs() - started;
        std::vector<FolderEntry> left;
        ListFolder(unloads, left);
        const int deleted = Files + 1 - static_cast<int>(left.size());

        FillFolder(unloads);
        started = bench::NowMs();
        const ChildResult whole = RunChild(support::Quoted(cfgload) + " " + support::Quoted(work + "\\cfgload.ini") +
                                           " /check", work, 60000);
        const double wholeCheck = bench::NowMs() - started;
        ok = ok && whole.exitCode == 0 && deleted == Unloads + 1 - Keep;
        std::fprintf(stderr, "check_ms=%.1f prune_ms=%.1f deleted=%d whole_check_ms=%.1f ok=%d\n", check, prune, deleted,
                     wholeCheck, ok ? 1 : 0);
    }
    std::fclose(stdout);
    support::RemoveTree(work);
    return ok ? 0 : 1;
}
