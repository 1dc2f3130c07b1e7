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
};

// 0 for success, 1 for failure.
int SuperviseConfigurator(DWORD processId, HANDLE process);

// WaitForInputIdle, repeated while it times out; 0 on success.
DWORD WaitUntilIdle(HANDLE process);

bool FindMainWindow(SupervisorState& state);
bool FindNewDialog(SupervisorState& state);
bool FindFirstMdiChild(SupervisorState& state);
