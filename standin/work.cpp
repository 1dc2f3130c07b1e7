#include "standin/work.h"

#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>

#include "standin/dialogs.h"
#include "standin/journal.h"
#include "standin/replay.h"
#include "standin/scenario.h"
#include "standin/texts.h"
#include "standin/unload_zip.h"

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
constexpr int RetryDialog = 100;  // a dialog ended so that it is shown anew
constexpr int WrongAfterDialog = 101;  // the log-in ended first, the wrong-password box follows

const char FrameClass[] = "StandinFrame";
const char DocumentClass[] = "StandinDocument";
const char MetadataClass[] = "StandinMetadata";

std::deque<int> queuedCommands;

// Journals why a window of the run could not be made, with the system's error code.
bool Made(bool done, const char* window) {
    if (!done) Journal("window-error", window, std::to_string(GetLastError()));
    return done;
}

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

std::string ReadWholeFile(const std::string& path, bool* ok = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = static_cast<bool>(in);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, bool append = false) {
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << bytes;
    out.flush();
    return static_cast<bool>(out);
}

std::string InfobaseFile() { return Run.baseDir + (Run.baseDir.empty() || Run.baseDir.back() == '\\' ? "" : "\\") + "1cv7.md"; }

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

DialogResult Box(const std::string& name, const std::string& text, HWND owner = nullptr) {
    return RunMessageBox(name, owner ? owner : Run.mainWindow, text);
}

// Rows 10 and 11 of the configurator: a one-button box whose button id the scenario picks.
DialogResult OneButtonBox(const std::string& name, const std::string& text, const std::string& buttonKey) {
    int id = Plan.Number(buttonKey, IDCANCEL);
    return RunMessageBox(name, Run.mainWindow, text, {{id, "OK"}});
}

bool YesNo(const std::string& name, const std::string& text, HWND owner = nullptr) {
    return RunMessageBox(name, owner ? owner : Run.mainWindow, text, {{IDYES, "Да"}, {IDNO, "Нет"}}).id == IDYES;
}

// An extra dialog from its scenario properties.
void DescribeExtra(const std::string& extra, DialogSpec& spec) {
    spec.title = Plan.Text(extra + ".title", MessageBoxTitle);
    spec.message = Plan.Text(extra + ".text");
    size_t size = static_cast<size_t>(Plan.Number(extra + ".text_size", 0));
    if (size > spec.message.size()) {
        std::string unit = spec.message.empty() ? std::string("x") : spec.message;
        while (spec.message.size() < size) spec.message += unit;
        spec.message.resize(size);
    }
    spec.messageId = Plan.Number(extra + ".text_id", MessageTextId);
    if (Plan.Has(extra + ".statics")) spec.labels = Split(Plan.Text(extra + ".statics"), '|');
    spec.field = Plan.Has(extra + ".edit") ? Field::Edit : Field::None;
    spec.fieldText = Plan.Text(extra + ".edit");
    for (const std::string& button : Split(Plan.Text(extra + ".buttons", "2:OK"), ',')) {
        if (button.empty()) continue;  // "buttons=" gives a window without any
        size_t colon = button.find(':');
        int id = std::atoi(button.substr(0, colon).c_str());
        spec.buttons.push_back({id, colon == std::string::npos ? DefaultCaption(id) : button.substr(colon + 1)});
    }
    spec.defaultId = Plan.Number(extra + ".default", 0);
}

void ShowExtras(const std::string& point) {
    for (const std::string& extra : Plan.ExtraNames()) {
        if (Plan.Text(extra + ".at") != point) continue;
        DialogSpec spec;
        spec.name = extra;
        if (Plan.Has(extra + ".record")) {
            std::string problem = LoadRecordedWindow(Plan.Text(extra + ".record"), spec);
            if (!problem.empty()) {
                Journal("scenario-error", "-", extra + ".record: " + problem);
                continue;
            }
        } else {
            DescribeExtra(extra, spec);
        }
        spec.onlyOwnButtons = true;
        spec.topmost = Plan.Number(extra + ".topmost", 0) != 0;
        spec.owner = Run.mainWindow;
        BusyMainWindow busy;
        for (int i = 0, count = Plan.Number(extra + ".count", 1); i < count; ++i) RunDialog(spec);
    }
}

void CloseMainWindow(const std::string& why) {
    Journal("close", "-", why);
    if (Run.metadataWindow) DestroyWindow(Run.metadataWindow);
    if (Run.mainWindow) DestroyWindow(Run.mainWindow);
}

// ---- the work of the commands ----

// A refusal of the whole command, when the scenario places the single-user error or the
// metadata lock here.
bool CommandRefused(const std::string& command) {
    if (Plan.Text("single_user") == command) {
        Box("single_user", NoSingleUserText);
        return true;
    }
    if (Plan.Text("lock") == command) {
        Box("lock", MetadataLockedText);
        return true;
    }
    return false;
}

// The configuration password prompt; shown only when the scenario sets the password.
bool AskPassword(const std::string& name, const std::string& expected) {
    if (expected.empty()) return true;
    while (true) {
        DialogSpec spec;
        spec.name = name;
        spec.title = "Пароль";
        spec.message = PasswordPromptText;
        spec.field = Field::PasswordEdit;
        spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
        spec.defaultId = IDOK;
        spec.owner = Run.mainWindow;
        spec.onPress = [&](HWND dialog, int id, const std::string& typed) {
            if (id != IDOK || typed == expected) return true;
            Box(name + "_wrong", WrongPasswordText, dialog);
            if (Plan.Text("config_password_retry", "again") == "same") {
                SetDlgItemTextA(dialog, FieldId, "");
                return false;
            }
            EndDialog(dialog, RetryDialog);
            return false;
        };
        DialogResult result = RunDialog(spec);
        if (result.id == IDOK) return true;
        if (result.id == IDCANCEL || result.id == 0) return false;
        // A wrong password: the prompt again, or the command given up.
        if (Plan.Text("config_password_retry", "again") == "give_up") return false;
    }
}

bool ChooseFile(std::string* path) {
    DialogSpec spec;
    spec.name = "open_file";
    spec.title = OpenConfigurationFileText;
    spec.labels = {"Имя файла:"};
    spec.field = Field::Edit;
    spec.fieldText = "1cv7.md";
    spec.buttons = {{IDOK, "Открыть"}, {IDCANCEL, "Отмена"}};
    spec.defaultId = IDOK;
    spec.owner = Run.mainWindow;
    DialogResult result = RunDialog(spec);
    if (result.id != IDOK) return false;
    DWORD attributes = GetFileAttributesA(result.fieldText.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Box("not_found", FileNotFoundText + result.fieldText);
        return false;
    }
    *path = result.fieldText;
    return true;
}

std::vector<std::string> StructureChanges() {
    std::vector<std::string> items = Plan.All("change");
    int generated = Plan.Number("changes_generated", 0);
    std::string prefix = Plan.Text("change_prefix", "Документ РасходнаяНакладная: изменен реквизит №");
    for (int i = 1; i <= generated; ++i) items.push_back(prefix + std::to_string(i));
    if (items.empty() && Plan.Text("structure", "list") == "list")
        items = {"Справочник Номенклатура: добавлен реквизит Артикул",
                 "Документ РасходнаяНакладная: изменен тип реквизита Сумма"};
    return items;
}

// Save question, list of structure changes, restructuring. False when refused.
bool SaveAndRestructure() {
    const char* question = Plan.Text("save_question", "short") == "long" ? SaveQuestionLongText : SaveQuestionShortText;
    if (!YesNo("save", question)) return false;
    std::string structure = Plan.Text("structure", "list");
    if (structure != "skip") {
        Point("before_structure");
        DialogSpec spec;
        spec.name = "structure";
        spec.title = StructureChangesText;
        spec.labels = {"Будут произведены следующие изменения:"};
        if (structure != "no_list") spec.field = Field::ListBox;
        if (structure == "list") spec.items = StructureChanges();
        spec.buttons = {{IDOK, "Принять"}, {IDCANCEL, "Отмена"}};
        spec.defaultId = IDOK;
        spec.owner = Run.mainWindow;
        if (RunDialog(spec).id != IDOK) return false;
    }
    if (int busyMs = Plan.Number("restructure_ms", 0); busyMs > 0) {
        Journal("restructuring", "-", std::to_string(busyMs));
        Sleep(static_cast<DWORD>(busyMs));  // the thread answers no message meanwhile
    }
    return true;
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

// What the end of a load or merge shows; the first document window marks it.
void FinishWork() {
    Point("after_restructure");
    OneButtonBox("done", RestructuringDoneText, "done_button");
    Point("done");
    if (Plan.Text("mdi_child", "work") == "work") OpenFirstDocument();
}

std::string Relation(const std::string& file) {
    std::string relation = Plan.Text("relation", "auto");
    if (relation != "auto") return relation;
    return ReadWholeFile(file) == ReadWholeFile(InfobaseFile()) ? "identical" : "descendant";
}

void Unload() {
    Point("unload");
    if (CommandRefused("unload")) return;
    DialogSpec spec;
    spec.name = "unload";
    spec.title = UnloadDataText;
    spec.labels = {"Выгрузить данные в файл:"};
    spec.field = Field::ComboBox;
    spec.fieldText = Plan.Text("unload_default", "1cv7.zip");
    spec.buttons = {{IDOK, "Выгрузить"}, {IDCANCEL, "Закрыть"}};
    spec.defaultId = IDOK;
    spec.owner = Run.mainWindow;
    bool boxOverDialog = Plan.Number("unload_box_over_dialog", 0) != 0;
    bool written = false;
    auto unload = [&](const std::string& target, HWND owner) {
        const std::string what = WriteUnloadArchive(Run.baseDir, target, Plan.Text("unload_fault", "none"));
        written = !what.empty();
        if (!written) {
            Box("unload_failed", UnloadWriteFailedText + target, owner);
            return;
        }
        Journal("unloaded", "-", target);
        Journal("archive", "-", what);
        Box("unload_done", UnloadSucceededText, owner);
    };
    spec.onPress = [&](HWND dialog, int id, const std::string& target) {
        if (id == IDOK && boxOverDialog) unload(target, dialog);
        return true;
    };
    DialogResult result = RunDialog(spec);
    if (result.id != IDOK) return;
    if (!boxOverDialog) unload(result.fieldText, nullptr);
    if (written) Point("after_unload");
}

void Load() {
    Point("load");
    if (CommandRefused("load")) return;
    if (!AskPassword("password", Plan.Text("config_password"))) return;
    std::string file;
    if (!ChooseFile(&file)) return;
    if (!AskPassword("new_password", Plan.Text("new_config_password"))) return;
    Point("after_file");
    std::string relation = Relation(file);
    if (relation == "identical") {
        OneButtonBox("identical", ConfigurationsIdenticalText, "identical_button");
        return;
    }
    if (relation == "not_descendant" && !YesNo("not_descendant", NotDescendantText)) return;
    if (!SaveAndRestructure()) return;
    if (!CopyFileA(file.c_str(), InfobaseFile().c_str(), FALSE)) {
        Journal("load-failed", "-", std::to_string(GetLastError()));
        return;
    }
    Journal("loaded", "-", file);
    FinishWork();
}

void Merge() {
    Point("merge");
    if (CommandRefused("merge")) return;
    if (!AskPassword("password", Plan.Text("config_password"))) return;
    std::string file;
    if (!ChooseFile(&file)) return;
    if (!AskPassword("new_password", Plan.Text("new_config_password"))) return;
    Point("after_file");
    if (Relation(file) == "identical") {
        OneButtonBox("identical", ConfigurationsIdenticalText, "identical_button");
        return;
    }
    DialogSpec spec;
    spec.name = "merge";
    spec.title = MergeConfigurationsText;
    spec.labels = {"Объединить с конфигурацией:", file};
    spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
    spec.defaultId = IDOK;
    spec.owner = Run.mainWindow;
    if (RunDialog(spec).id != IDOK) return;
    if (!SaveAndRestructure()) return;
    if (!WriteWholeFile(InfobaseFile(), "\r\nSTANDIN MERGED " + file + "\r\n", true)) {
        Journal("merge-failed", "-", std::to_string(GetLastError()));
        return;
    }
    Journal("merged", "-", file);
    FinishWork();
}

void Exit() {
    Point("exit");
    if (Plan.Number("exit_question", 0)) {
        const char* question = Plan.Text("save_question", "short") == "long" ? SaveQuestionLongText : SaveQuestionShortText;
        YesNo("exit_save", question);
    }
    CloseMainWindow("exit");
}

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

// A configurator that shows nothing more: idle, with no window, until it is ended from outside.
[[noreturn]] void WaitWithoutWindows() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    EndProcess(0);
}

}  // namespace

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

bool PassStartWindows() {
    if (Plan.Number("register", 0)) {
        DialogSpec spec;
        spec.name = "register";
        spec.title = Plan.Text("register_title", RegistrationTitle);
        spec.labels = {"Наименование:"};
        spec.field = Field::Edit;
        spec.fieldText = Run.baseDir;
        spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
        spec.defaultId = IDOK;
        if (RunDialog(spec).id != IDOK) return false;
    }
    if (Plan.Number("login", 1)) {
        std::string expected = Plan.Text("password");
        const std::string retry = Plan.Text("login_retry", "new");
        bool sameWindow = retry == "same";
        bool boxAfter = retry == "after" || retry == "never";
        while (true) {
            DialogSpec spec;
            spec.name = "login";
            spec.title = LoginTitle;
            spec.labels = {"Пользователь:", "Пароль:"};
            spec.comboBefore = Plan.Text("login_user", "Администратор");
            spec.field = Field::PasswordEdit;
            spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
            spec.defaultId = IDOK;
            spec.onPress = [&](HWND dialog, int id, const std::string& typed) {
                if (id != IDOK || typed == expected) return true;
                if (boxAfter) {
                    EndDialog(dialog, WrongAfterDialog);
                    return false;
                }
                RunMessageBox("login_wrong", dialog, WrongPasswordText);
                if (sameWindow) {
                    SetDlgItemTextA(dialog, FieldId, "");
                    return false;
                }
                EndDialog(dialog, RetryDialog);
                return false;
            };
            DialogResult result = RunDialog(spec);
            if (result.id == IDOK) break;
            if (result.id == IDCANCEL || result.id == 0) return false;
            if (result.id == WrongAfterDialog) {
                RunMessageBox("login_wrong", nullptr, WrongPasswordText);
                if (retry == "never") WaitWithoutWindows();
            }
        }
    }
    if (Plan.Text("lock") == "start") {
        RunMessageBox("lock", nullptr, MetadataLockedText);
        return false;
    }
    return true;
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
