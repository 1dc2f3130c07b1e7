// The time to read an unload archive back as cfgload does with VerifyUnload 1 (the same
// procedure, the same file reads), in a process of its own.
//   bench_unload_check <archive> <passes>
//       prints "verify_ms=<ms> ok=<0|1>" per pass.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "run/unload_archive.h"
#include "run/unload_check.h"
#include "settings/run_settings.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_unload_check <archive> <passes>\n");
        return 2;
    }
    const std::string archive = argv[1];
    const int passes = std::atoi(argv[2]);
    Settings.DownloadTo = archive;
    Settings.BasePath = "C:\\";
    Settings.VerifyUnload = 1;
    Settings.Debug = 0;  // the info line is the caller's to print; here only the figures
    bool ok = true;
    for (int pass = 0; pass < passes; ++pass) {
        const double started = bench::NowMs();
        ok = UnloadFileInOrder([] { return false; });
        const double elapsed = bench::NowMs() - started;
        std::printf("verify_ms=%.1f ok=%d\n", elapsed, ok ? 1 : 0);
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
