// The configurator's main window is known by its extended style, exactly 0x110, and an MDI
// client: a frame of the configurator's process with one style bit more is never taken for
// it. Against the stand-in configurator, whose frame lives in a process of its own.
#include <windows.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "automation/shared_words.h"
#include "common/win_handles.h"
#include "automation/supervisor.h"
#include "tests/support/child_process.h"

namespace {

// The stand-in started with no log-in, so that its main frame, with the given extended
// style, comes at once; ended with the object.
class StandinFrame {
public:
    explicit StandinFrame(DWORD exStyle) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "cfgload-frame-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(exStyle);
        CreateDirectoryA(folder_.c_str(), nullptr);
        std::ofstream(folder_ + "\\standin.scenario") << "login=0\nconfig_window=0\nmain_ex_style="
                                                       << exStyle << "\n";
        std::string commandLine = "\"" + WindowsPath(STANDIN_EXE) + "\" config /d\"" + folder_ + "\" /u\"" +
                                  folder_ + "\" /nТест";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                            &startup, &process_))
            process_.reset();
        // Until its frame has its MDI client.
        for (ULONGLONG end = GetTickCount64() + 30000; process_.hProcess && GetTickCount64() < end; Sleep(20)) {
            EnumWindows(FindFrame, reinterpret_cast<LPARAM>(this));
            if (frame_ && FindWindowExA(frame_, nullptr, "MDIClient", nullptr)) break;
            frame_ = nullptr;
        }
    }
    ~StandinFrame() {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        DeleteFileA((folder_ + "\\standin.scenario").c_str());
        DeleteFileA((folder_ + "\\standin.journal").c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    StandinFrame(const StandinFrame&) = delete;
    StandinFrame& operator=(const StandinFrame&) = delete;

    DWORD processId() const { return process_.dwProcessId; }
    HWND frame() const { return frame_; }

private:
    static BOOL CALLBACK FindFrame(HWND window, LPARAM data) {
        auto* self = reinterpret_cast<StandinFrame*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[32] = "";
        GetClassNameA(window, className, sizeof className);
        if (owner != self->process_.dwProcessId || std::string(className) != "StandinFrame") return TRUE;
        self->frame_ = window;
        return FALSE;
    }

    std::string folder_;
    unique_process_information process_;
    HWND frame_ = nullptr;
};

TEST(MainWindow, OnlyTheExactExtendedStyleMakesAFrameTheMainWindow) {
    const struct {
        DWORD exStyle;
        bool taken;
    } rows[] = {
        {WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, true},
        {WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES | WS_EX_TOPMOST, false},
        {WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES | WS_EX_CONTROLPARENT, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "extended style 0x" << std::hex << row.exStyle);
        StandinFrame standin(row.exStyle);
        ASSERT_NE(standin.frame(), nullptr) << "the stand-in's frame did not come";
        ASSERT_EQ(static_cast<DWORD>(GetWindowLongA(standin.frame(), GWL_EXSTYLE)), row.exStyle);

        PendingCommand = 0;
        SupervisorState state;
        state.processId = standin.processId();
        EXPECT_TRUE(FindMainWindow(state));
        EXPECT_EQ(state.mainWindow, row.taken ? standin.frame() : nullptr);
        EXPECT_EQ(PendingCommand != 0, row.taken) << "a first command only for the main window";
    }
}

}  // namespace
