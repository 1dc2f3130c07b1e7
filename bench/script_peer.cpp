// The peer for the polling cost: what a hand-written automation script spends while it
// waits for the configurator. Every 250 ms it finds the configurator's top-level windows by
// their process and reads the text of the top one (its title, and a message box's text in
// the static of id 0xFFFF), as such a script would; nothing more.
//   bench_script_peer <process id> <ms> ...   polls that long: "ready" after the first poll,
//                                             at the end "polls=<n> seen=<n> desktop=<n>" (polls
//                                             that found a window; the desktop's top-level
//                                             windows at the last poll, each asked for its process)
// Further arguments only mark the process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Search {
    DWORD processId = 0;
    std::vector<HWND> windows;  // in the desktop's order: the first is on top
    int desktop = 0;
};

BOOL CALLBACK Collect(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    ++search->desktop;
    if (process == search->processId) search->windows.push_back(window);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_script_peer <process id> <ms> ...\n");
        return 2;
    }
    Search search;
    search.processId = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
    const DWORD lengthMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    const DWORD started = GetTickCount();
    int polls = 0, seen = 0;
    char text[1024];
    while (GetTickCount() - started < lengthMs) {
        Sleep(250);
        ++polls;
        search.windows.clear();
        search.desktop = 0;
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.windows) {
            if (!IsWindowVisible(window)) continue;
            ++seen;
            GetWindowTextA(window, text, sizeof text);
            // A control of another process answers WM_GETTEXT only when its thread is free:
            // a script that waits on a busy configurator must not hang with it.
            if (HWND message = GetDlgItem(window, 0xFFFF)) {
                DWORD_PTR copied = 0;
                SendMessageTimeoutA(message, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                    SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &copied);
            }
            break;
        }
        if (polls == 1) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
    std::printf("polls=%d seen=%d desktop=%d\n", polls, seen, search.desktop);
    return 0;
}
