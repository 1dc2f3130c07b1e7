#pragma once
// The stand-in's run: the windows before the main window, the main frame with its MDI
// client, the four menu commands and the scenario's points of failure.

#include <windows.h>

#include <string>

struct StandinRun {
    std::string baseDir;  // the infobase directory: "/d" of the command line, else the current one
    HWND mainWindow = nullptr;
    HWND mdiClient = nullptr;
    HWND metadataWindow = nullptr;
    HWND firstDocument = nullptr;
    bool busy = false;  // a command is being carried out
};

extern StandinRun Run;

// A named place in the run where the scenario may hang, crash or close the main window
// ("hang", "crash", "close" keys) and where extra dialogs appear ("extraN.at").
void Point(const std::string& name);

// Registration, log-in and a metadata lock; false when the run ends before the main window.
bool PassStartWindows();

// Creates the main frame, its MDI client and the owned metadata window; false (journaled as
// "window-error") when one of them cannot be made.
bool CreateMainWindow(int show);

// Runs the message loop until the main window is gone; returns the exit code.
int RunMessageLoop();

[[noreturn]] void EndProcess(int code);
