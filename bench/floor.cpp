// The floor under the program's figures: the bare cross-process calls that a step cannot
// avoid, timed with nothing else around them.
//
//   bench_floor standin-list <stand-in exe> <infobase folder> <file to load> <passes>
//       starts the stand-in configurator (its scenario already in the folder), brings it
//       to its list of structure changes with the fewest possible steps and reads that list
//       box exactly as the list must be read (LB_GETCOUNT, then LB_GETTEXTLEN and
//       LB_GETTEXT per item, wide), with nothing else: "list_ms=<ms> items=<n> cpu_ms=<ms>"
//       per pass (the CPU time of this process, the stand-in and the wineserver),
//       then one bare send's round trip "send_us=<us>"; then lets the stand-in end.
//   bench_floor enum <passes>
//       one pass over the desktop's top-level windows asking each for its process (what
//       the search for the main window must do): the process's first pass apart as
//       "first_enum_ms=<ms>", then "enum_ms=<ms> windows=<n>" per pass.
//   bench_floor host-windows <count>
//       that many unrelated visible top-level windows; prints "ready" once they exist and
//       runs until it is ended.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/win_handles.h"

namespace {

const char CrowdClass[] = "CfgloadBenchCrowd";
// The stand-in's file chooser, by its title (Windows-1251, as the source compiles it).
const char FileChooserTitle[] = "Открыть файл конфигурации";

LRESULT CALLBACK CrowdProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

int HostWindows(int count) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CrowdProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = CrowdClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&windowClass);
    for (int i = 0; i < count; ++i) {
        std::string title = "Окно " + std::to_string(i + 1);
        // Visible, small and spread over the screen, as other programs' windows would be.
        CreateWindowExA(0, CrowdClass, title.c_str(), WS_POPUP | WS_VISIBLE | WS_BORDER, (i * 37) % 1200,
                        (i * 23) % 960, 40, 30, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

bool SendW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) {
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
    if (answer) *answer = static_cast<LRESULT>(result);
    return sent != 0;
}

void Press(HWND dialog, int id) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 5000, &ignored);
}

double ReadList(HWND list, int* items) {
    static std::vector<wchar_t> buffer(256);
    double start = bench::NowMs();
    LRESULT count = 0, read = 0;
    SendW(list, LB_GETCOUNT, 0, 0, &count);
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = 0;
        if (!SendW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, &length) || length < 0) break;
        if (buffer.size() < static_cast<size_t>(length) + 16) buffer.resize(static_cast<size_t>(length) + 16);
        if (!SendW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()), &read)) break;
    }
    *items = static_cast<int>(count);
    return bench::NowMs() - start;
}

struct Search {
    DWORD processId = 0;
    HWND main = nullptr;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->processId && FindWindowExA(window, nullptr, "MDIClient", nullptr)) {
        search->main = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (window != search->main && IsWindowVisible(window) && GetWindow(window, GW_OWNER)) {
        search->dialog = window;
        return FALSE;
    }
    return TRUE;
}

int StandinList(const std::string& standin, const std::string& base, const std::string& fileToLoad, int passes) {
    unique_process_information process;
    if (!bench::StartStandin(standin, base, process)) {
        std::printf("error=start\n");
        return 1;
    }
    WaitForInputIdle(process.hProcess, 30000);
    Search search;
    search.processId = process.dwProcessId;
    for (int i = 0; i < 1000 && !search.main; ++i) {
        EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
        if (!search.main) Sleep(10);
    }
    if (!search.main) {
        std::printf("error=main\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    DWORD thread = GetWindowThreadProcessId(search.main, nullptr);
    PostMessageA(search.main, WM_COMMAND, 33206, 0);  // load a configuration

    // Answer what comes with the fewest steps until the list has been read and the
    // command has ended.
    std::set<HWND> answered;
    bool measured = false;
    double until = bench::NowMs() + 600000;
    while (bench::NowMs() < until && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        search.dialog = nullptr;
        EnumThreadWindows(thread, FindDialog, reinterpret_cast<LPARAM>(&search));
        HWND dialog = search.dialog;
        if (!dialog || answered.count(dialog)) {
            if (measured && !dialog && IsWindowEnabled(search.main)) break;
            Sleep(10);
            continue;
        }
        answered.insert(dialog);
        char title[256] = {};
        GetWindowTextA(dialog, title, sizeof title);
        if (HWND list = FindWindowExA(dialog, nullptr, "ListBox", nullptr)) {
            // The CPU time of the three processes that the reads keep busy: this one, the
            // stand-in and the wineserver (0 where /proc is not visible).
            std::vector<int> busy;
            if (bench::ProcVisible())
                busy = {bench::OwnUnixPid(), bench::FindUnixProcess("/d" + base), bench::FindWineserver()};
            for (int pass = 0; pass < passes; ++pass) {
                int items = 0;
                double cpu = bench::UnixCpuMs(busy);
                double ms = ReadList(list, &items);
                cpu = bench::UnixCpuMs(busy) - cpu;
                std::printf("list_ms=%.3f items=%d cpu_ms=%.3f\n", ms, items, cpu);
                std::fflush(stdout);
            }
            const int sends = 1000;
            double start = bench::NowMs();
            for (int i = 0; i < sends; ++i) SendW(list, WM_NULL, 0, 0, nullptr);
            std::printf("send_us=%.2f\n", (bench::NowMs() - start) * 1000.0 / sends);
            std::fflush(stdout);
            measured = true;
            Press(dialog, IDOK);
        } else if (std::strcmp(title, FileChooserTitle) == 0) {
            if (HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr))
                SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileToLoad.c_str()));
            Press(dialog, IDOK);
        } else if (GetDlgItem(dialog, IDYES)) {
            Press(dialog, IDYES);
        } else {
            Press(dialog, GetDlgItem(dialog, IDOK) ? IDOK : IDCANCEL);
        }
    }
    PostMessageA(search.main, WM_COMMAND, 57665, 0);  // exit
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    return measured ? 0 : 1;
}

struct EnumCount {
    DWORD lookFor = 0;
    int windows = 0;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
    auto* counter = reinterpret_cast<EnumCount*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    ++counter->windows;
    return process == counter->lookFor ? FALSE : TRUE;
}

double EnumPass(int* windows) {
    EnumCount counter;
    counter.lookFor = 0xFFFFFFF0;  // no such process: every window is looked at
    double start = bench::NowMs();
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&counter));
    *windows = counter.windows;
    return bench::NowMs() - start;
}

int MeasureEnum(int passes) {
    // cfgload.exe has waited for messages (its pause) before it searches. (Under Wine the
    // same pass takes from about 15 to over 200 ms from one moment to the next; the driver
    // takes the fastest.)
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    int windows = 0;
    // The first pass of a process also sets up Wine's window layer: given apart.
    std::printf("first_enum_ms=%.3f\n", EnumPass(&windows));
    for (int pass = 0; pass < passes; ++pass) {
        double ms = EnumPass(&windows);
        std::printf("enum_ms=%.3f windows=%d\n", ms, windows);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "standin-list" && argc >= 6) return StandinList(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    if (mode == "enum") return MeasureEnum(argc > 2 ? std::atoi(argv[2]) : 1);
    if (mode == "host-windows" && argc > 2) return HostWindows(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: bench_floor standin-list <stand-in> <infobase> <file> <passes> | enum <passes> | "
                         "host-windows <count>\n");
    return 2;
}
