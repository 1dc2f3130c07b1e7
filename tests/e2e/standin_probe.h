#pragma once
// Driving the stand-in configurator by hand from a test, the way cfgload drives the real
// one: finding its windows, typing, pressing, sending commands; every wait bounded.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "standin/texts.h"
#include "tests/e2e/harness.h"
#include "tests/support/child_process.h"

namespace probe {

using e2e::MatchSequence;

constexpr DWORD WaitLimitMs = 10000;

inline std::string Text(HWND window) {
    char buffer[70000];
    int length = GetWindowTextA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

inline std::string ClassOf(HWND window) {
    char buffer[256];
    int length = GetClassNameA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

inline std::string MessageTextOf(HWND window) {
    HWND text = GetDlgItem(window, 0xFFFF);
    return Text(text ? text : window);
}

inline HWND WaitFor(const std::function<HWND()>& find, DWORD limitMs = WaitLimitMs) {
    for (ULONGLONG until = GetTickCount64() + limitMs;;) {
        if (HWND found = find()) return found;
        if (GetTickCount64() > until) return nullptr;
        Sleep(30);
    }
}

inline bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = WaitLimitMs) {
    return WaitFor([&] { return condition() ? HWND(1) : nullptr; }, limitMs) != nullptr;
}

struct Search {
    DWORD pid;  // 0: any process
    std::function<bool(HWND)> wanted;
    HWND found;
};

// Enumeration callbacks are named functions: a lambda does not convert to a 32-bit
// CALLBACK (stdcall) pointer.
inline BOOL CALLBACK InspectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->pid && owner != search->pid) || !search->wanted(window)) return TRUE;
    search->found = window;
    return FALSE;
}

inline HWND FindTopLevel(DWORD pid, const std::function<bool(HWND)>& wanted) {
    Search search{pid, wanted, nullptr};
    EnumWindows(&InspectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND TopLevelOwner(HWND window) {
    HWND result = nullptr;
    while (window) {
        result = window;
        HWND parent = GetParent(window);
        window = parent ? parent : GetWindow(window, GW_OWNER);
    }
    return result;
}

// A dialog as the tool looks for one: a visible top-level window of the main window's
// thread, no tool window, not the metadata window, owned (in the end) by the main window.
inline HWND FindDialog(HWND mainWindow) {
    Search search{0, nullptr, nullptr};
    search.wanted = [mainWindow](HWND window) {
        if (window == mainWindow || !IsWindowVisible(window)) return false;
        if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return false;
        if (GetParent(window) && Text(window) == MetadataWindowTitle) return false;
        return TopLevelOwner(window) == mainWindow;
    };
    EnumThreadWindows(GetWindowThreadProcessId(mainWindow, nullptr), &InspectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND WaitDialog(HWND mainWindow, const std::string& text) {
    std::string seen;
    HWND dialog = WaitFor([&] {
        HWND candidate = FindDialog(mainWindow);
        if (!candidate) return HWND();
        seen = MessageTextOf(candidate);
        return seen == text ? candidate : HWND();
    });
    EXPECT_NE(dialog, nullptr) << "no dialog \"" << e2e::Printable(text) << "\"; last seen: \"" << e2e::Printable(seen)
                               << "\"";
    return dialog;
}

inline void Type(HWND edit, const std::string& text) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 2000, &answer);
}

// A press as the tool makes it: WM_COMMAND to the dialog itself, 1000 ms at most.
inline void Press(HWND dialog, int id) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 1000, &answer);
}

inline void CALLBACK NoCompletion(HWND, UINT, ULONG_PTR, LRESULT) {}

// Menu commands go to the main window asynchronously, as the tool sends them.
inline void Command(HWND mainWindow, int id) {
    SendMessageCallbackA(mainWindow, WM_COMMAND, static_cast<WPARAM>(id), 0, &NoCompletion, 0);
}

// Items read the way that is right on Windows and safe under Wine: as UTF-16, then turned
// into the ANSI code page.
inline std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(static_cast<size_t>(length) * 2 + 2, L'\0');
        LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(got > 0 ? static_cast<size_t>(got) : 0);
        std::string ansi(wide.size() * 2 + 1, '\0');
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                                        static_cast<int>(ansi.size()), nullptr, nullptr);
        ansi.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
        items.push_back(ansi);
    }
    return items;
}

inline std::vector<int> ButtonIds(HWND dialog) {
    std::vector<int> ids;
    for (int id = 1; id <= 9; ++id)
        if (HWND button = GetDlgItem(dialog, id); button && ClassOf(button) == "Button") ids.push_back(id);
    return ids;
}

// What every dialog of the working configurator must be.
inline void ExpectModalDialog(HWND dialog, HWND mainWindow) {
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetWindowThreadProcessId(dialog, nullptr), GetWindowThreadProcessId(mainWindow, nullptr));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), mainWindow);
    EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "the main window must be disabled while a dialog is open";
}

inline void ExpectMessageBox(HWND box, const std::string& text, const std::vector<int>& buttons) {
    HWND message = GetDlgItem(box, 0xFFFF);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(ClassOf(message), "Static");
    EXPECT_EQ(GetParent(message), box);
    EXPECT_EQ(Text(message), text);
    EXPECT_EQ(ButtonIds(box), buttons);
}

class StandinProcess {
public:
    StandinProcess(const std::string& base, const std::string& user) {
        std::string exe = WindowsPath(STANDIN_EXE);
        std::string line = "\"" + exe + "\" config /d\"" + base + "\" /u\"" + base + "\" /n" + user;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                                  CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS, nullptr, base.c_str(), &startup,
                                  &info_) != 0;
        if (!started_) info_.release();  // not filled in: nothing to close
    }
    ~StandinProcess() {
        if (started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 999);
    }
    bool Started() const { return started_; }
    DWORD Pid() const { return info_.dwProcessId; }
    // The exit code, or -1 when it is still running after the limit.
    long WaitExit(DWORD limitMs = WaitLimitMs) const {
        if (WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    bool started_ = false;
    unique_process_information info_;
};

class StandinSelfTest : public e2e::EndToEnd {
protected:
    void Scenario(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : Expand(lines)) text += line + "\r\n";
        WriteFile(Base() + "\\standin.scenario", text);
    }

    HWND WaitMainWindow(DWORD pid) {
        HWND mainWindow = WaitFor([&] {
            return FindTopLevel(pid, [](HWND window) {
                return GetWindowLongA(window, GWL_EXSTYLE) == 0x110 && FindWindowExA(window, nullptr, "MDIClient", nullptr);
            });
        });
        EXPECT_NE(mainWindow, nullptr) << "no main window";
        return mainWindow;
    }

    std::vector<std::string> JournalLines() {
        e2e::RunResult run;
        run.journal = Journal();
        return run.JournalLines();
    }

    // Starts the stand-in on the scenario; its main window once shown and enabled (null
    // when the scenario shows windows before it).
    HWND Start(const std::vector<std::string>& lines, bool toMainWindow = true) {
        Scenario(lines);
        standin_ = std::make_unique<StandinProcess>(Base(), "Администратор");
        EXPECT_TRUE(standin_->Started());
        if (!toMainWindow) return nullptr;
        HWND mainWindow = WaitMainWindow(standin_->Pid());
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
        return mainWindow;
    }
    StandinProcess& Standin() { return *standin_; }

private:
    std::unique_ptr<StandinProcess> standin_;
};


}  // namespace probe
