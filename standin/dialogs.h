#pragma once
// Modal dialogs built from in-memory templates, so that every id, class and text is the
// configurator's: message boxes keep their text in a Static of id 0xFFFF and one-button
// boxes answer to id 2, which the system's MessageBoxA does not guarantee.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

constexpr int MessageTextId = 0xFFFF;
constexpr int FieldId = 100;        // the Edit, ComboBox or ListBox of a dialog
constexpr int ComboBeforeId = 101;
constexpr int FirstLabelId = 1000;  // further Static labels

struct ButtonSpec {
    int id;
    std::string caption;
};

enum class Field { None, Edit, PasswordEdit, ComboBox, ListBox };

// A control as a record of cfgload lists it, placed in pixels of the dialog's client area.
struct RecordedControl {
    std::string className;
    int id = 0;
    DWORD style = 0;
    RECT place{};
    std::string text;
    std::vector<std::string> items;  // ListBox items; a ComboBox's text is its one item
    bool selected = false;           // the ComboBox's item is selected
};

struct DialogSpec {
    std::string name;       // short name for the journal and the scenario
    std::string title;
    std::string message;    // text of the Static with messageId; none when empty
    int messageId = MessageTextId;
    std::vector<std::string> labels;  // further Statics, ids from FirstLabelId
    std::string comboBefore;          // when not empty: a ComboBox with this text before the field
    Field field = Field::None;
    std::string fieldText;
    std::vector<std::string> items;   // ListBox items
    std::vector<ButtonSpec> buttons;
    int defaultId = 0;
    // A recorded window: these controls instead of the layout above, the window class when
    // not the system's dialog class, and the style and the size in pixels when not 0.
    std::vector<RecordedControl> recorded;
    std::string className;
    DWORD style = 0;
    int width = 0, height = 0;
    // Message boxes close on any standard id (1 to 11), as the system's do; other dialogs
    // only on their own buttons and on OK and Cancel.
    bool messageBox = false;
    bool onlyOwnButtons = false;  // unknown dialogs: nothing but their own buttons closes them
    HWND owner = nullptr;
    bool topmost = false;  // above every window that is not topmost, other programs' too
    // Called for a press before the dialog closes; false keeps it open. The text of the
    // dialog's field at that moment is passed along.
    std::function<bool(HWND dialog, int id, const std::string& fieldText)> onPress;
};

struct DialogResult {
    int id = 0;               // the button that closed it; 0 when it vanished
    std::string fieldText;    // the field's text when it closed
};

// Shows the dialog modally on this thread (owner disabled while it is open) and journals
// what it received. "<name>.press_ms" and "<name>.vanish_ms" of the scenario apply.
DialogResult RunDialog(const DialogSpec& spec);

// A message box of the configurator: title "1С:Предприятие", the text in a Static of id
// 0xFFFF and the given buttons (default: one button of id 2).
DialogResult RunMessageBox(const std::string& name, HWND owner, const std::string& text,
                           std::vector<ButtonSpec> buttons = {{IDCANCEL, "OK"}});

// Standard captions for button ids.
std::string DefaultCaption(int id);

// The window text that the tool is expected to match: the 0xFFFF text, else the title.
std::string ShownText(const DialogSpec& spec);
