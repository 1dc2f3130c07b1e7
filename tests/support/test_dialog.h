#pragma once
// A real dialog, built from an in-memory template, running in a thread of its own in this
// process, as a configurator dialog runs in a thread that is not the program's. It records
// every command it receives (WM_COMMAND with notification code 0) with the texts of its
// edit fields at that moment, so tests can see what was typed and pressed, and when.

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/dialog_template.h"

struct DialogSpec {
    std::string caption;
    std::vector<ControlSpec> controls;
    std::vector<std::string> listItems;  // added to the first ListBox
    std::map<int, DWORD> delayOn;        // command id -> ms the thread sleeps before acting
    std::set<int> stayOpenOn;            // command ids that do not close the dialog
    int defaultId = 0;                   // DM_SETDEFID at start when not 0
    bool owned = false;                  // owned by a frame window of the same thread
    // A modal dialog opened (and waited for) inside the handling of this command id.
    int modalOn = 0;
    std::shared_ptr<DialogSpec> modal;
};

struct CommandEvent {
    HWND window = nullptr;
    int id = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    ULONGLONG received = 0;   // GetTickCount64 when the command arrived
    ULONGLONG processed = 0;  // when its handling ended (0 while it runs)
    std::map<int, std::string> texts;  // control id -> text, for Edit and ComboBox controls
};

class TestDialog {
public:
    explicit TestDialog(DialogSpec spec);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND window() const { return window_; }
    HWND owner() const { return owner_; }
    DWORD threadId() const { return threadId_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    // The modal dialog currently open, or the last one opened.
    HWND modal() const;

    std::vector<CommandEvent> Events() const;
    std::vector<int> CommandIds() const;
    // Waits (with Sleep, which delivers no completions) until a command with the id has
    // been handled completely; false after the limit.
    bool WaitProcessed(int id, DWORD limitMs = 10000) const;
    // Waits until the dialog is no window any more.
    bool WaitClosed(DWORD limitMs = 10000) const;

    // For the dialog procedure.
    struct Context;

private:
    void Run(DialogSpec spec);

    std::thread thread_;
    HWND window_ = nullptr;
    HWND owner_ = nullptr;
    DWORD threadId_ = 0;
    mutable std::mutex mutex_;
    HWND modal_ = nullptr;
    std::vector<CommandEvent> events_;
    std::vector<std::unique_ptr<Context>> contexts_;
    friend INT_PTR CALLBACK TestDialogProc(HWND, UINT, WPARAM, LPARAM);
};
