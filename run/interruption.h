#pragma once
// Ctrl+C, Ctrl+Break or a closed console while the configurator works. The configurator is
// left running, as it may be restructuring the infobase, but a main window that Hide keeps
// hidden is shown again: an invisible configurator would hold the infobase with nobody
// able to see it. The run ends with an error line and exit code 1.

#include <windows.h>

// While it lives, those console events end the run as above; before and after, the
// system's default applies. hiddenConfiguratorId: the configurator started with Hide, 0
// when it was started visible. Its process handle must stay open as long as this lives,
// so that the id cannot pass to another process meanwhile.
class InterruptionHandler {
public:
    explicit InterruptionHandler(DWORD hiddenConfiguratorId);
    ~InterruptionHandler();
    InterruptionHandler(const InterruptionHandler&) = delete;
    InterruptionHandler& operator=(const InterruptionHandler&) = delete;
};

// Hide's hiding of the main window, asynchronous (a configurator that does not answer
// must not hold up the loop). Done only for the configurator given to InterruptionHandler
// and never once the run is interrupted, so that it cannot undo the showing.
void HideConfiguratorWindow(HWND mainWindow);
