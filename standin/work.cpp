#include "standin/work.h"

#include <deque>

#include "standin/journal.h"
#include "standin/run_parts.h"
#include "standin/scenario.h"
#include "standin/texts.h"

StandinRun Run;

namespace {

// Configurator menu commands.
constexpr int UnloadCommand = 33204;
constexpr int LoadCommand = 33206;
constexpr int MergeCommand = 33260;
constexpr int ExitCommand = 57665;

constexpr UINT FirstIdleMessage = WM_APP + 1;
constexpr UINT QueuedCommandMessage = WM_APP + 2;
constexpr UINT_PTR EnableDocumentTimer = 1;
constexpr UINT_PTR DisabledDocumentTimer = 2;

const char FrameClass[] = "StandinFrame";
const char DocumentClass[] = "StandinDocument";
const char MetadataClass[] = "StandinMetadata";

std::deque<int> queuedCommands;

void CarryOut(int command) {
    Journal("command", "-", std::to_string(command));
    BusyMainWindow busy;
    switch (command) {
        case UnloadCommand: Unload(); break;
        case LoadCommand: Load(); break;
        case MergeCommand: Merge(); break;
        case ExitCommand: Exit(); break;
        default: break;
    }
}

void OnCommand(int command) {
    if (Run.busy) {
        // Carried out once the current work is over (journaled then as "command").
        Journal("command-queued", "-", std::to_string(command));
        queuedCommands.push_back(command);
        return;
    }
    CarryOut(command);
    if (!queuedCommands.empty() && Run.mainWindow && IsWindow(Run.mainWindow))
        PostMessageA(Run.mainWindow, QueuedCommandMessage, 0, 0);
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            CLIENTCREATESTRUCT client{};
            client.idFirstChild = 0xFF00;  // above every command id
            Run.mdiClient = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                            WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0,
                                            0, 0, window, nullptr, GetModuleHandleA(nullptr), &client);
            // Without it the frame is no configurator's: its creation fails.
            return Made(Run.mdiClient != nullptr, "mdi") ? 0 : -1;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == 0) {
                OnCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case FirstIdleMessage:
            Point("idle");
            if (Plan.Text("mdi_child") == "idle") OpenFirstDocument();
            return 0;
        case QueuedCommandMessage:
            if (!queuedCommands.empty() && !Run.busy) {
                int command = queuedCommands.front();
                queuedCommands.pop_front();
                CarryOut(command);
                if (!queuedCommands.empty() && IsWindow(window)) PostMessageA(window, QueuedCommandMessage, 0, 0);
            }
            return 0;
        case WM_TIMER:
            KillTimer(window, wParam);
            if (wParam == EnableDocumentTimer && Run.firstDocument) {
                EnableWindow(Run.firstDocument, TRUE);
                Journal("document-enabled", "-");
            } else if (wParam == DisabledDocumentTimer) {
                Point("mdi_disabled");
            }
            return 0;
        case WM_CLOSE:
            Journal("wm-close", "-");
            OnCommand(ExitCommand);
            return 0;
        case WM_DESTROY:
            Run.mainWindow = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefFrameProcA(window, Run.mdiClient, message, wParam, lParam);
}

LRESULT CALLBACK DocumentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcA(window, message, wParam, lParam);
}

// The owned metadata window is no dialog: whatever is pressed in it is only noted.
LRESULT CALLBACK MetadataProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        Journal("ignored", "metadata", std::to_string(LOWORD(wParam)));
        return 0;
    }
    if (message == WM_CLOSE) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterClasses() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA frame{};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = &FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    frame.lpszClassName = FrameClass;
    WNDCLASSEXA document = frame;
    document.lpfnWndProc = &DocumentProc;
    document.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    document.lpszClassName = DocumentClass;
    WNDCLASSEXA metadata = document;
    metadata.lpfnWndProc = &MetadataProc;
    metadata.lpszClassName = MetadataClass;
    return Made(RegisterClassExA(&frame) != 0, "main") && Made(RegisterClassExA(&document) != 0, "document") &&
           Made(RegisterClassExA(&metadata) != 0, "metadata");
}

}  // namespace

// Journals why a window of the run could not be made, with the system's error code.
bool Made(bool done, const char* window) {
    if (!done) Journal("window-error", window, std::to_string(GetLastError()));
    return done;
}

void CloseMainWindow(const std::string& why) {
    Journal("close", "-", why);
    if (Run.metadataWindow) DestroyWindow(Run.metadataWindow);
    if (Run.mainWindow) DestroyWindow(Run.mainWindow);
}

void OpenFirstDocument() {
    if (Run.firstDocument || !Run.mdiClient) return;
    bool disabled = Plan.Number("mdi_child_disabled", 0) != 0;
    Run.firstDocument = CreateMDIWindowA(DocumentClass, DocumentTitle, WS_VISIBLE | (disabled ? WS_DISABLED : 0),
                                         CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, Run.mdiClient,
                                         GetModuleHandleA(nullptr), 0);
    if (!Made(Run.firstDocument != nullptr, "document")) return;
    if (disabled) EnableWindow(Run.firstDocument, FALSE);
    Journal("document", "-", disabled ? "disabled" : "enabled");
    if (disabled) {
        if (int enableMs = Plan.Number("mdi_child_enable_ms", 0); enableMs > 0)
            SetTimer(Run.mainWindow, EnableDocumentTimer, static_cast<UINT>(enableMs), nullptr);
        // The point comes a little later, when the tool is waiting for the window.
        SetTimer(Run.mainWindow, DisabledDocumentTimer, 1000, nullptr);
    }
}

void Point(const std::string& name) {
    if (Plan.Text("hang") == name) {
        Journal("hang", "-", name);
        Sleep(INFINITE);
    }
    if (Plan.Text("crash") == name) {
        Journal("crash", "-", name);
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(Plan.Number("crash_code", 255)));
    }
    if (Plan.Text("close") == name) {
        CloseMainWindow(name);
        EndProcess(0);
    }
    ShowExtras(name);
}
bool CreateMainWindow(int show) {
    if (!RegisterClasses()) return false;
    // Another style makes a frame that the tool must not take for the main window.
    DWORD exStyle = static_cast<DWORD>(Plan.Number("main_ex_style", WS_EX_ACCEPTFILES | WS_EX_WINDOWEDGE));
    Run.mainWindow = CreateWindowExA(exStyle, FrameClass, MainWindowTitle,
                                     WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 900, 650, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    if (!Made(Run.mainWindow != nullptr, "main")) return false;
    ShowWindow(Run.mainWindow, show);
    UpdateWindow(Run.mainWindow);
    Journal("main", "-", MainWindowTitle);
    if (Plan.Number("config_window", 1)) {
        std::string title = Plan.Text("config_window_title", MetadataWindowTitle);
        Run.metadataWindow = CreateWindowExA(0, MetadataClass, title.c_str(), WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE,
                                             80, 80, 260, 400, Run.mainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!Made(Run.metadataWindow != nullptr, "metadata")) return false;
    }
    Point("main");
    PostMessageA(Run.mainWindow, FirstIdleMessage, 0, 0);
    return true;
}

int RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (Run.mdiClient && TranslateMDISysAccel(Run.mdiClient, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return Plan.Number("exit_code", 0);
}

void EndProcess(int code) {
    // A configurator may take its time to end after its main window has gone.
    if (int lingerMs = Plan.Number("linger_ms", 0); lingerMs > 0) Sleep(static_cast<DWORD>(lingerMs));
    Journal("exit", "-", std::to_string(code));
    ExitProcess(static_cast<UINT>(code));
}
