#pragma once
// Drives a running configurator from outside until its work is done.

#include <windows.h>

struct SupervisorState {
    DWORD processId = 0;
    HWND mainWindow = nullptr;
    DWORD mainThreadId = 0;
    HWND mdiClient = nullptr;
    HWND firstMdiChild = nullptr;
    HWND currentDialog = nullptr;
    // Set when a work command (unload, load, merge) is sent, with the top document window
    // of that moment: a window that was open before the work is no sign of its end.
    bool workSent = false;
    HWND mdiChildBeforeWork = nullptr;
};

// 0 for success, 1 for failure.
int SuperviseConfigurator(DWORD processId, HANDLE process);

// WaitForInputIdle, repeated while it times out; 0 on success.
DWORD WaitUntilIdle(HANDLE process);

// The same wait, given up after the limit: WAIT_TIMEOUT when the configurator has not
// become idle by then.
DWORD WaitUntilIdleFor(HANDLE process, unsigned long long limitMs);

// At the deadline: the error line, then the configurator is terminated with exit code 3
// (a failure to terminate is reported with the system's text). The run's result: 1.
int TerminateAtDeadline(HANDLE process);

// The "MDIClient" child of a configurator main frame (extended style 0x110 exactly);
// null when the window is none. Sends the window no message.
HWND MainFrameClient(HWND window);

bool FindMainWindow(SupervisorState& state);
bool FindNewDialog(SupervisorState& state);
bool FindFirstMdiChild(SupervisorState& state);

// EnumWindows and EnumThreadWindows callbacks; the data is the SupervisorState.
BOOL CALLBACK InspectProcessWindow(HWND window, LPARAM state);
BOOL CALLBACK InspectThreadWindow(HWND window, LPARAM state);
