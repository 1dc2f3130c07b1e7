#include "run/interruption.h"

#include "automation/supervisor.h"
#include "run/console.h"
#include "run/run_log.h"

namespace {

// The console control handler runs on a thread of its own, while the main thread may be
// anywhere in the loop. It needs to know which configurator to show again: this id,
// taken (set to 0) by the handler under HidingLock, after which the loop hides nothing.
DWORD HiddenConfiguratorId = 0;

// A critical section: present on every Windows the tool runs on, and usable from the
// handler's thread (the C++ library's mutex is missing from mingw-w64's win32 variant).
class HidingLockType {
public:
    HidingLockType() { InitializeCriticalSection(&section_); }
    ~HidingLockType() { DeleteCriticalSection(&section_); }
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
} HidingLock;

struct HidingLocked {
    HidingLocked() { HidingLock.lock(); }
    ~HidingLocked() { HidingLock.unlock(); }
};

// For the line being written by the main thread to end; well within the few seconds that
// the system allows a handler when the console is closed.
constexpr unsigned LineWaitMs = 2000;

// Only calls that send the configurator no message and wait for nothing it does: it may
// be busy restructuring or hung.
BOOL CALLBACK ShowIfMainFrame(HWND window, LPARAM configuratorId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != static_cast<DWORD>(configuratorId) || !MainFrameClient(window)) return TRUE;
    ShowWindowAsync(window, SW_SHOW);
    return FALSE;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    DWORD hidden;
    {
        HidingLocked lock;
        hidden = HiddenConfiguratorId;
        HiddenConfiguratorId = 0;
    }
    // Looked for here, not taken from the loop: started with Hide, the configurator makes
    // its main window hidden, possibly before the loop has found it.
    if (hidden != 0) EnumWindows(ShowIfMainFrame, static_cast<LPARAM>(hidden));
    // The log's last line follows under the same lock; when the lock could not be got, the
    // main thread may be writing to the log, and it is left as it is.
    if (ReportFinalError(LineWaitMs, "Работа прервана: конфигуратор оставлен открытым."))
        CloseRunLogLocked(1);
    // Ended at once, without the C runtime's clean-up: the main thread stops wherever it is
    // and may hold the runtime's own locks, which that clean-up would wait for. The line
    // has been flushed already.
    TerminateProcess(GetCurrentProcess(), 1);
    return TRUE;
}

}  // namespace

InterruptionHandler::InterruptionHandler(DWORD hiddenConfiguratorId) {
    {
        HidingLocked lock;
        HiddenConfiguratorId = hiddenConfiguratorId;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// SetConsoleCtrlHandler never under HidingLock: the system may hold a lock of its own
// while a handler runs, and the handler takes HidingLock.
InterruptionHandler::~InterruptionHandler() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    HidingLocked lock;
    HiddenConfiguratorId = 0;
}

void HideConfiguratorWindow(HWND mainWindow) {
    HidingLocked lock;
    if (HiddenConfiguratorId != 0) ShowWindowAsync(mainWindow, SW_HIDE);
}
