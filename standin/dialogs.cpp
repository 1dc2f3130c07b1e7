#include "standin/dialogs.h"

#include <algorithm>

#include "standin/journal.h"
#include "standin/scenario.h"
#include "standin/texts.h"
#include "standin/work.h"

namespace {

constexpr int VanishTimer = 1;
const char ContextProp[] = "StandinDialog";
const char ProcProp[] = "StandinFieldProc";

struct DialogContext {
    const DialogSpec* spec;
    DialogResult result;
    int pressMs = 0;
    int vanishMs = 0;
    int listReadMs = 0;
    long listReads = 0;
};

// An in-memory DLGTEMPLATE: structure only (styles, classes, ids, places). The texts are
// set through the ANSI functions once the dialog exists, so they stay Windows-1251 bytes.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy, const std::wstring& className = {}) {
        AddDword(style);
        AddDword(0);  // extended style: the system adds the dialog frame bits itself
        countAt_ = words_.size();
        words_.push_back(0);
        for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(0);  // no menu
        if (className.empty())
            words_.push_back(0);  // standard dialog class
        else
            AddWide(className.c_str());
        words_.push_back(0);  // empty title (set later)
        words_.push_back(8);  // DS_SETFONT: point size, then face name
        AddWide(L"MS Shell Dlg");
    }

    void AddItem(const wchar_t* className, DWORD style, int id, short x, short y, short cx, short cy) {
        while (words_.size() % 2) words_.push_back(0);  // each item starts on a DWORD boundary
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(static_cast<WORD>(id));
        AddWide(className);
        words_.push_back(0);  // empty text (set later)
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddDword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void AddWide(const wchar_t* text) {
        do words_.push_back(static_cast<WORD>(*text));
        while (*text++);
    }

    // Starts DWORD-aligned: std::vector's storage comes from operator new.
    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

bool SameWord(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

std::string ReadText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

int LineCount(const std::string& text) { return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

int LongestLine(const std::string& text) {
    int longest = 0, current = 0;
    for (char c : text) {
        current = c == '\n' ? 0 : current + 1;
        longest = std::max(longest, current);
    }
    return longest;
}

// Field controls (an Edit, the Edit inside a ComboBox, a ListBox) are subclassed to journal
// what the tool types and to offer the scenario's points inside typing and list reading.
LRESULT CALLBACK FieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = static_cast<DialogContext*>(GetPropA(window, ContextProp));
    auto original = reinterpret_cast<WNDPROC>(GetPropA(window, ProcProp));
    if (context) {
        const std::string& name = context->spec->name;
        if (message == WM_SETTEXT) {
            Journal("typed", name, lParam ? reinterpret_cast<const char*>(lParam) : "");
            Point("settext:" + name);
        } else if (message == LB_GETTEXT) {
            if (context->listReads++ == 0) Point("list_read");
            // A configurator that is slow over every item of its list.
            if (context->listReadMs > 0) Sleep(static_cast<DWORD>(context->listReadMs));
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(window, ContextProp);
        RemovePropA(window, ProcProp);
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
}

void Subclass(HWND control, DialogContext* context) {
    if (!control) return;
    // FieldProc finds its way back to the control's own procedure only through the properties.
    HANDLE original = reinterpret_cast<HANDLE>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    if (!SetPropA(control, ContextProp, context) || !SetPropA(control, ProcProp, original)) {
        Journal("dialog-error", context->spec->name, std::to_string(GetLastError()));
        return;
    }
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FieldProc));
}

bool IsOwnButton(const DialogSpec& spec, int id) {
    for (const auto& button : spec.buttons)
        if (button.id == id) return true;
    return false;
}

std::string FieldText(HWND dialog, const DialogSpec& spec) {
    if (spec.field == Field::None || spec.field == Field::ListBox) return {};
    return ReadText(GetDlgItem(dialog, FieldId));
}

// In the template's order, which is the order of the dialog's children.
void PlaceRecordedControls(HWND dialog, const DialogSpec& spec) {
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const RecordedControl& recorded : spec.recorded) {
        if (!control) break;
        SetWindowTextA(control, recorded.text.c_str());
        for (const std::string& item : recorded.items) {
            UINT add = SameWord(recorded.className, "ComboBox") ? CB_ADDSTRING : LB_ADDSTRING;
            SendMessageA(control, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        if (recorded.selected) SendMessageA(control, CB_SETCURSEL, 0, 0);
        const RECT& place = recorded.place;
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        control = GetWindow(control, GW_HWNDNEXT);
    }
    if (spec.width > 0 && spec.height > 0)
        SetWindowPos(dialog, nullptr, 0, 0, spec.width, spec.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InitDialog(HWND dialog, DialogContext* context) {
    const DialogSpec& spec = *context->spec;
    SetWindowTextA(dialog, spec.title.c_str());
    if (spec.topmost) SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (!spec.message.empty()) SetDlgItemTextA(dialog, spec.messageId, spec.message.c_str());
    for (size_t i = 0; i < spec.labels.size(); ++i)
        SetDlgItemTextA(dialog, FirstLabelId + static_cast<int>(i), spec.labels[i].c_str());
    for (const auto& button : spec.buttons) SetDlgItemTextA(dialog, button.id, button.caption.c_str());

    if (!spec.comboBefore.empty()) {
        HWND combo = GetDlgItem(dialog, ComboBeforeId);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(spec.comboBefore.c_str()));
        SetWindowTextA(combo, spec.comboBefore.c_str());
    }
    HWND field = GetDlgItem(dialog, FieldId);
    switch (spec.field) {
        case Field::Edit:
        case Field::PasswordEdit:
            SetWindowTextA(field, spec.fieldText.c_str());
            Subclass(field, context);
            break;
        case Field::ComboBox:
            if (!spec.fieldText.empty()) SendMessageA(field, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(spec.fieldText.c_str()));
            SetWindowTextA(field, spec.fieldText.c_str());
            Subclass(FindWindowExA(field, nullptr, "Edit", nullptr), context);
            break;
        case Field::ListBox: {
            size_t bytes = 0;
            for (const auto& item : spec.items) bytes += item.size() + 1;
            SendMessageA(field, LB_INITSTORAGE, spec.items.size(), bytes);
            SendMessageA(field, WM_SETREDRAW, FALSE, 0);
            for (const auto& item : spec.items) SendMessageA(field, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            SendMessageA(field, WM_SETREDRAW, TRUE, 0);
            Subclass(field, context);
            break;
        }
        case Field::None: break;
    }
    if (!spec.recorded.empty()) PlaceRecordedControls(dialog, spec);
    if (spec.defaultId) SendMessageA(dialog, DM_SETDEFID, spec.defaultId, 0);
    if (context->vanishMs > 0) SetTimer(dialog, VanishTimer, context->vanishMs, nullptr);
    Journal("show", spec.name, ShownText(spec));
}

void Press(HWND dialog, DialogContext* context, int id) {
    const DialogSpec& spec = *context->spec;
    bool accepted = IsOwnButton(spec, id);
    if (!spec.onlyOwnButtons)
        accepted = accepted || (spec.messageBox ? id >= IDOK && id <= IDCONTINUE : id == IDOK || id == IDCANCEL);
    if (!accepted) {
        Journal("ignored", spec.name, std::to_string(id));
        return;
    }
    Journal("button", spec.name, std::to_string(id));
    Point("press:" + spec.name);
    if (context->pressMs > 0) Sleep(static_cast<DWORD>(context->pressMs));
    context->result.fieldText = FieldText(dialog, spec);
    // onPress may end the dialog itself, with a result of its own.
    if (spec.onPress && !spec.onPress(dialog, id, context->result.fieldText)) return;
    EndDialog(dialog, id);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            context = reinterpret_cast<DialogContext*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            InitDialog(dialog, context);
            return TRUE;
        case WM_COMMAND: {
            if (!context || HIWORD(wParam) != 0) return FALSE;
            // Code 0 from a control is a button click; from outside lParam is 0.
            HWND from = reinterpret_cast<HWND>(lParam);
            if (from && GetDlgCtrlID(from) != LOWORD(wParam)) return FALSE;
            Press(dialog, context, LOWORD(wParam));
            return TRUE;
        }
        case WM_CLOSE:
            if (context) Press(dialog, context, IDCANCEL);
            return TRUE;
        case WM_TIMER:
            if (context && wParam == VanishTimer) {
                KillTimer(dialog, VanishTimer);
                Journal("vanished", context->spec->name);
                context->result.fieldText = FieldText(dialog, *context->spec);
                EndDialog(dialog, 0);
            }
            return TRUE;
        case WM_DESTROY:
            if (context && context->spec->field == Field::ListBox)
                Journal("read", context->spec->name, std::to_string(context->listReads));
            return FALSE;
    }
    return FALSE;
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(1251, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return wide;
}

// A control class that the system does not have gets one of its own that keeps its text,
// and a dialog class other than the system's is made from the system's dialog class.
void EnsureClass(const std::string& name, bool dialog) {
    WNDCLASSA known{};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(nullptr, name.c_str(), &known) || GetClassInfoA(instance, name.c_str(), &known)) return;
    WNDCLASSA made{};
    if (dialog) GetClassInfoA(nullptr, "#32770", &made);
    if (!dialog) {
        made.lpfnWndProc = DefWindowProcA;
        made.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    }
    made.hInstance = instance;
    made.lpszClassName = name.c_str();
    if (!RegisterClassA(&made)) Journal("dialog-error", name, std::to_string(GetLastError()));
}

// The recorded controls in the template; their places are set in pixels once they exist.
DialogTemplate BuildRecordedTemplate(const DialogSpec& spec) {
    std::wstring className;
    if (!spec.className.empty() && spec.className != "#32770") {
        EnsureClass(spec.className, true);
        className = Wide(spec.className);
    }
    // Shown and enabled as a modal dialog is; the template has a font.
    DWORD style = spec.style ? (spec.style & ~(WS_VISIBLE | WS_DISABLED | WS_CHILD)) | DS_SETFONT
                             : WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    DialogTemplate dialogTemplate(style, 200, 100, className);
    for (const RecordedControl& control : spec.recorded) {
        EnsureClass(control.className, false);
        dialogTemplate.AddItem(Wide(control.className).c_str(), control.style & ~WS_POPUP, control.id, 0, 0, 10, 10);
    }
    return dialogTemplate;
}

DialogTemplate BuildTemplate(const DialogSpec& spec) {
    if (!spec.recorded.empty()) return BuildRecordedTemplate(spec);
    const short margin = 7, buttonWidth = 54, buttonHeight = 14, gap = 6;
    short width = 220;
    short messageHeight = 0;
    if (!spec.message.empty()) {
        width = static_cast<short>(std::clamp(LongestLine(spec.message) * 4 + 2 * margin, 180, 460));
        messageHeight = static_cast<short>(std::min(LineCount(spec.message) * 9, 300));
    }
    if (spec.field == Field::ListBox) width = std::max<short>(width, 320);
    short buttonsWidth = static_cast<short>(spec.buttons.size() * (buttonWidth + gap));
    width = std::max<short>(width, static_cast<short>(buttonsWidth + 2 * margin));

    struct Place { const wchar_t* cls; DWORD style; int id; short y, h; };
    std::vector<Place> places;
    short y = margin;
    if (!spec.message.empty()) {
        places.push_back({L"Static", SS_LEFT | SS_NOPREFIX, spec.messageId, y, messageHeight});
        y = static_cast<short>(y + messageHeight + gap);
    }
    for (size_t i = 0; i < spec.labels.size(); ++i) {
        places.push_back({L"Static", SS_LEFT | SS_NOPREFIX, FirstLabelId + static_cast<int>(i), y, 10});
        y = static_cast<short>(y + 10 + 2);
    }
    if (!spec.comboBefore.empty()) {
        places.push_back({L"ComboBox", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, ComboBeforeId, y, 80});
        y = static_cast<short>(y + 14 + gap);
    }
    switch (spec.field) {
        case Field::Edit:
            places.push_back({L"Edit", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, FieldId, y, 12});
            y = static_cast<short>(y + 12 + gap);
            break;
        case Field::PasswordEdit:
            places.push_back({L"Edit", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, FieldId, y, 12});
            y = static_cast<short>(y + 12 + gap);
            break;
        case Field::ComboBox:
            places.push_back({L"ComboBox", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, FieldId, y, 80});
            y = static_cast<short>(y + 14 + gap);
            break;
        case Field::ListBox:
            places.push_back({L"ListBox", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT, FieldId, y, 120});
            y = static_cast<short>(y + 120 + gap);
            break;
        case Field::None: break;
    }
    short height = static_cast<short>(y + buttonHeight + margin);

    DialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, width, height);
    for (const auto& place : places)
        dialogTemplate.AddItem(place.cls, place.style, place.id, margin, place.y,
                               static_cast<short>(width - 2 * margin), place.h);
    short x = static_cast<short>((width - buttonsWidth + gap) / 2);
    for (const auto& button : spec.buttons) {
        DWORD style = WS_TABSTOP | (button.id == spec.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        dialogTemplate.AddItem(L"Button", style, button.id, x, y, buttonWidth, buttonHeight);
        x = static_cast<short>(x + buttonWidth + gap);
    }
    return dialogTemplate;
}

}  // namespace

std::string DefaultCaption(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL: return "Отмена";
        case IDYES: return "Да";
        case IDNO: return "Нет";
        default: return "Кнопка " + std::to_string(id);
    }
}

std::string ShownText(const DialogSpec& spec) {
    return !spec.message.empty() && spec.messageId == MessageTextId ? spec.message : spec.title;
}

DialogResult RunDialog(const DialogSpec& spec) {
    DialogContext context{&spec, {}};
    context.pressMs = Plan.Number(spec.name + ".press_ms", 0);
    context.vanishMs = Plan.Number(spec.name + ".vanish_ms", 0);
    context.listReadMs = Plan.Number("list_read_ms", 0);
    DialogTemplate dialogTemplate = BuildTemplate(spec);
    INT_PTR ended = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate.Get(), spec.owner, &DialogProc,
                                            reinterpret_cast<LPARAM>(&context));
    if (ended == -1) Journal("dialog-error", spec.name, std::to_string(GetLastError()));
    context.result.id = ended == -1 ? 0 : static_cast<int>(ended);
    // Ending a dialog enables its owner again; during a command the main window stays disabled.
    if (Run.busy && Run.mainWindow && IsWindow(Run.mainWindow)) EnableWindow(Run.mainWindow, FALSE);
    return context.result;
}

DialogResult RunMessageBox(const std::string& name, HWND owner, const std::string& text, std::vector<ButtonSpec> buttons) {
    DialogSpec spec;
    spec.name = name;
    spec.title = MessageBoxTitle;
    spec.message = text;
    spec.buttons = std::move(buttons);
    spec.defaultId = spec.buttons.empty() ? 0 : spec.buttons.front().id;
    spec.messageBox = true;
    spec.owner = owner;
    return RunDialog(spec);
}
