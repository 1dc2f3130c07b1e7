// The time to describe and picture the configurator's windows (RecordWindows), against the
// stand-in's log-in dialog: then the only window of its process, with a combo box, a
// password edit and two buttons. A process of its own, as cfgload records in its own: it
// has made window calls before (the search for the dialog) but no drawing ones, so its
// first pass pays the drawing calls' set-up.
//   bench_window_record <stand-in exe> <infobase folder> <log file> <passes>
//       starts the stand-in (its scenario already in the folder), waits for the log-in
//       dialog, opens the log (pictures are named after it), then prints
//       "record_ms=<ms> chars=<n>" per pass; then lets the stand-in end.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation/window_record.h"
#include "bench/bench_support.h"
#include "common/win_handles.h"
#include "run/run_log.h"
#include "settings/run_settings.h"
#include "tests/support/files.h"

namespace {

struct Search {
    DWORD processId = 0;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->processId || !IsWindowVisible(window)) return TRUE;
    search->dialog = window;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_window_record <stand-in> <infobase> <log file> <passes>\n");
        return 2;
    }
    const std::string standin = argv[1], base = argv[2], log = argv[3];
    const int passes = std::atoi(argv[4]);
    unique_process_information process;
    if (!bench::StartStandin(standin, base, process)) {
        std::printf("error=start\n");
        return 1;
    }
    // The dialog is shown once the journal says so; then it is the process's top window.
    const std::string journal = base + "\\standin.journal";
    Search search;
    search.processId = process.dwProcessId;
    for (int i = 0; i < 3000 && !search.dialog; ++i) {
        if (support::ReadWholeFile(journal).find(" show login ") != std::string::npos)
            EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (!search.dialog) Sleep(10);
    }
    if (!search.dialog) {
        std::printf("error=dialog\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    SetOption("logfile", log);
    OpenRunLog("bench");
    for (int pass = 0; pass < passes; ++pass) {
        double start = bench::NowMs();
        std::string record = RecordWindow(search.dialog, RunLogPath(), true);
        double ms = bench::NowMs() - start;
        std::printf("record_ms=%.3f chars=%zu\n", ms, record.size());
        std::fflush(stdout);
    }
    CloseRunLog(0);
    // Cancel in the log-in dialog ends the stand-in.
    DWORD_PTR ignored;
    SendMessageTimeoutA(search.dialog, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL, 5000, &ignored);
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    return 0;
}
