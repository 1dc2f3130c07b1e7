#pragma once
// What the stand-in's run files share among themselves: the main frame and its commands
// (work.cpp), the work each command does (commands.cpp), the scenario's extra dialogs
// (extras.cpp) and the windows before the main window (start_windows.cpp).

#include <windows.h>

#include <string>

#include "standin/work.h"

constexpr int RetryDialog = 100;  // a dialog ended so that it is shown anew

// Journals why a window of the run could not be made, with the system's error code.
bool Made(bool done, const char* window);

// The main window stays disabled while a command is carried out, as during any modal work.
class BusyMainWindow {
public:
    BusyMainWindow() : wasBusy_(Run.busy) {
        Run.busy = true;
        if (Run.mainWindow) EnableWindow(Run.mainWindow, FALSE);
    }
    ~BusyMainWindow() {
        Run.busy = wasBusy_;
        if (!wasBusy_ && Run.mainWindow && IsWindow(Run.mainWindow)) EnableWindow(Run.mainWindow, TRUE);
    }

private:
    bool wasBusy_;
};

void CloseMainWindow(const std::string& why);

// The first document window, which marks the end of a load or merge.
void OpenFirstDocument();

// The extra dialogs that the scenario places at this point ("extraN.at").
void ShowExtras(const std::string& point);

// The four menu commands' work, each inside its own modal loops.
void Unload();
void Load();
void Merge();
void Exit();
