#pragma once
// A dialog shown by the test window host, in a process of its own: for what must work
// across processes (typed text, list reading) and for a configurator that hangs.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win_handles.h"
#include "tests/support/test_dialog.h"
#include "tests/support/window_host_protocol.h"  // HexOf

struct HostCommand {
    int id = 0;
    std::vector<std::pair<int, std::string>> texts;  // control id -> text at that moment
};

class HostedDialog {
public:
    // hostExe: the window host's path. Uses the spec's caption, controls, list items,
    // delays, stay-open ids and default id.
    HostedDialog(const std::string& hostExe, const DialogSpec& spec);
    ~HostedDialog();
    HostedDialog(const HostedDialog&) = delete;
    HostedDialog& operator=(const HostedDialog&) = delete;

    bool started() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    DWORD processId() const { return process_.dwProcessId; }

    // Makes the host's thread sleep for ms without answering (the call returns at once).
    void Hang(DWORD ms);
    // Waits for the host to end by itself; false after the limit.
    bool WaitExit(DWORD limitMs);
    std::vector<std::string> LogLines() const;
    std::vector<HostCommand> Commands() const;

private:
    unique_process_information process_;
    HWND window_ = nullptr;
    std::string descriptionPath_;
    std::string logPath_;
};
