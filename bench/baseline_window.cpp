// The baseline for window work: the trivial program (baseline.cpp) with the window layer
// loaded at start, as cfgload.exe has it, and one window call, timed: Wine sets up its
// window layer at a process's first window call, which in cfgload.exe is the search pass
// that answers the log-in window.
//   bench_baseline_window <ms> ...   prints "first_window_call_ms=<ms>", then sleeps
// Further arguments only mark the process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

BOOL CALLBACK Next(HWND, LPARAM) { return TRUE; }

double NowMs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    // As cfgload.exe does before its first search pass: a short wait for messages (its
    // pause), which does not yet set the window layer up.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    double start = NowMs();
    EnumWindows(Next, 0);
    std::printf("first_window_call_ms=%.3f\n", NowMs() - start);
    std::fflush(stdout);
    if (argc > 1) Sleep(static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)));
    return 0;
}
