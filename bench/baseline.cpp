// The benchmark's baseline: a trivial Windows console program. Whatever Wine costs every
// process (start, its own threads, its memory) this program costs too, so the figures of
// cfgload.exe are taken against it.
//   bench_baseline                       returns at once
//   bench_baseline sleep <ms> ...        sleeps that long
//   bench_baseline window <ms> ...       makes one window call first (one pass over the
//                                        desktop's windows), prints how long it took as
//                                        "first_window_call_ms=<ms>", then sleeps
// Further arguments only mark the process. The window layer is loaded only for "window",
// so the plain forms stay a program of the kernel alone.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    if (argc < 3) return 0;
    DWORD sleepMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    if (std::strcmp(argv[1], "window") == 0) {
        double start = NowMs();
        HMODULE user = LoadLibraryA("user32.dll");
        using EnumWindowsCall = BOOL(WINAPI*)(WNDENUMPROC, LPARAM);
        auto enumWindows = user ? reinterpret_cast<EnumWindowsCall>(
                                     reinterpret_cast<void (*)()>(GetProcAddress(user, "EnumWindows"))) : nullptr;
        if (enumWindows) enumWindows(Next, 0);
        std::printf("first_window_call_ms=%.3f\n", NowMs() - start);
        std::fflush(stdout);
    }
    Sleep(sleepMs);
    return 0;
}
