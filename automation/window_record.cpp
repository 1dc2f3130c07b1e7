#include "automation/window_record.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <new>
#include <vector>

#include "automation/shared_words.h"
#include "automation/window_picture.h"
#include "automation/window_tools.h"
#include "common/tick_countdown.h"
#include "common/win_handles.h"
#include "run/console.h"
#include "run/run_log.h"
#include "settings/run_settings.h"
#include "settings/shown_text.h"

namespace {

constexpr int ListItemsShown = 50;
constexpr int ControlsShown = 300;
constexpr int DeepestControl = 8;
constexpr LRESULT LongestText = 1 << 20;
// All the windows of one record together: at the deadline the configurator is ended after it.
constexpr DWORD RecordMs = 3 * WindowRecordMs;

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// Window handles are 32-bit values in 64-bit and 32-bit processes alike.
std::string HandleText(HWND window) { return Hex(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window))); }

// Escaped so that a text stays on its line and can be read back.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\': quoted += "\\\\"; break;
            case '"': quoted += "\\\""; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

// What the description of one window met on the way: its picture is taken only when none of
// its texts showed a password of the run and, with passwords set, every text was read (one
// left unread may be one that shows it).
struct TextsMet {
    bool password = false;
    bool unread = false;
};

// ` key="text"`, the text as ShownText gives it.
std::string TextField(const char* key, const std::string& text, TextsMet& met) {
    bool hidden = false;
    std::string shown = ShownText(text, &hidden);
    met.password = met.password || hidden;
    return std::string(" ") + key + "=" + Quoted(shown);
}

std::string Unanswered(TextsMet& met) {
    met.unread = true;
    return " unanswered";
}

bool SameClass(const char* name, const char* wanted) {
    for (; *name && *wanted; ++name, ++wanted) {
        char a = *name >= 'A' && *name <= 'Z' ? static_cast<char>(*name + 32) : *name;
        char b = *wanted >= 'A' && *wanted <= 'Z' ? static_cast<char>(*wanted + 32) : *wanted;
        if (a != b) return false;
    }
    return *name == *wanted;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// Wide, as the list reads: the system then copies exactly the characters the buffer holds,
// on Windows and under Wine alike. Bounded by what is left of the window's second.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, TickCountdown& left, LRESULT* answer) {
    UINT boundMs = static_cast<UINT>(left.NextSlice(ReplyBoundMs));
    if (boundMs == 0) return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, boundMs, &result))
        return false;
    *answer = static_cast<LRESULT>(result);
    return true;
}

std::string Narrow(const wchar_t* wide, int characters) {
    if (characters <= 0) return {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, characters, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide, characters, text.data(), bytes, nullptr, nullptr);
    return text;
}

// The text an edit or a combo box holds: only a message gets it from another process.
bool AskText(HWND control, TickCountdown& left, std::string& text) {
    LRESULT length = 0;
    if (!Ask(control, WM_GETTEXTLENGTH, 0, 0, left, &length) || length < 0 || length > LongestText) return false;
    // WM_GETTEXTLENGTH may answer more than the text, never less.
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Ask(control, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()), left, &copied) || copied < 0)
        return false;
    text = Narrow(wide.data(), static_cast<int>(copied < length ? copied : length));
    return true;
}

// Only a dialog is asked: another window class may take the message for one of its own.
int DefaultIdOf(HWND window, const std::string& className, TickCountdown& left) {
    if (className != "#32770") return 0;
    LRESULT answer = 0;
    if (!Ask(window, DM_GETDEFID, 0, 0, left, &answer) || HIWORD(answer) != DC_HASDEFID) return 0;
    return LOWORD(answer);
}

bool IsPushButton(LONG style) {
    LONG type = style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// Whether the list shows items past those read: its picture could show them.
bool ShowsPastRead(HWND list, LRESULT read, TickCountdown& left) {
    LRESULT top = 0, itemHeight = 0;
    RECT client{};
    if (!Ask(list, LB_GETTOPINDEX, 0, 0, left, &top) || !Ask(list, LB_GETITEMHEIGHT, 0, 0, left, &itemHeight) ||
        itemHeight <= 0 || !GetClientRect(list, &client))
        return true;
    return top + (client.bottom - client.top) / itemHeight + 1 > read;
}

std::string ListBoxFields(HWND list, TickCountdown& left, TextsMet& met) {
    LRESULT count = 0;
    if (!Ask(list, LB_GETCOUNT, 0, 0, left, &count) || count < 0) return Unanswered(met);
    std::string fields = " count=" + std::to_string(count);
    LRESULT read = 0;
    ReadListBoxItems(
        list,
        [&](const std::string& item) {
            fields += TextField("item", item, met);
            ++read;
        },
        [&] { return read >= ListItemsShown; }, &left);
    if (read < count && read < ListItemsShown) fields += Unanswered(met);
    else if (read < count && ShowsPastRead(list, read, left)) met.unread = true;
    return fields;
}

std::string ComboBoxFields(HWND combo, TickCountdown& left, TextsMet& met) {
    LRESULT selection = 0;
    std::string text;
    if (!Ask(combo, CB_GETCURSEL, 0, 0, left, &selection) || !AskText(combo, left, text)) return Unanswered(met);
    return " selection=" + std::to_string(selection) + TextField("text", text, met);
}

std::string ControlLine(HWND control, int depth, int defaultId, TickCountdown& left, TextsMet& met) {
    const std::string className = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const LONG id = GetWindowLongA(control, GWL_ID);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);

    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line += "control handle=" + HandleText(control) + " class=" + Quoted(className) + " id=" + std::to_string(id) +
            " style=" + Hex(static_cast<DWORD>(style)) + " place=" + std::to_string(place.left) + "," +
            std::to_string(place.top) + "," + std::to_string(place.right - place.left) + "," +
            std::to_string(place.bottom - place.top);

    const char* name = className.c_str();
    if (SameClass(name, "Edit") && (style & ES_PASSWORD)) {
        // Never read: it shows only its marks, in the picture too.
        LRESULT length = 0;
        line += Ask(control, WM_GETTEXTLENGTH, 0, 0, left, &length) ? " password length=" + std::to_string(length)
                                                                     : " password unanswered";
    } else if (SameClass(name, "Edit")) {
        std::string text;
        line += AskText(control, left, text) ? TextField("text", text, met) : Unanswered(met);
    } else if (SameClass(name, "ComboBox")) {
        line += ComboBoxFields(control, left, met);
    } else {
        // Statics, buttons and the rest keep their text as the window's own: no message.
        line += TextField("text", WindowText(control), met);
        if (SameClass(name, "ListBox")) line += ListBoxFields(control, left, met);
    }
    if (SameClass(name, "Button") && IsPushButton(style)) {
        bool isDefault = defaultId != 0 ? id == defaultId : (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (isDefault) line += " default";
    }
    return line;
}

// Depth first, in the system's order. Once the time is up, what needs no message is still said.
void DescribeControls(HWND parent, int depth, int defaultId, TickCountdown& left, std::string& record, int& described,
                      TextsMet& met) {
    HWND child = GetWindow(parent, GW_CHILD);
    for (; child && described < ControlsShown; child = GetWindow(child, GW_HWNDNEXT)) {
        record += "\n" + ControlLine(child, depth, defaultId, left, met);
        ++described;
        if (depth < DeepestControl)
            DescribeControls(child, depth + 1, defaultId, left, record, described, met);
        else if (GetWindow(child, GW_CHILD))
            met.unread = true;
    }
    if (child) met.unread = true;
}

// Why the window's picture must not be kept; empty when it may.
std::string PictureRefused(const TextsMet& met) {
    if (met.password) return "в окне пароль";
    if (met.unread && RunHasPassword()) return "прочитаны не все тексты окна: в снимке может быть пароль";
    return {};
}

// The picture's line, its file name quoted as every text; readTexts describes the window
// between the taking of its pixels and their keeping.
std::string PictureLine(HWND window, const RECT& frame, const std::string& logPath, TickCountdown& left,
                        const std::function<std::string()>& readTexts, const std::vector<HWND>& clean) {
    const std::string size = " size=" + std::to_string(frame.right - frame.left) + "x" +
                             std::to_string(frame.bottom - frame.top);
    const PictureOutcome picture = TakeWindowPicture(window, frame, logPath, left, readTexts, clean);
    if (std::string(picture.kind) == "file")
        return "  picture file=" + Quoted(picture.file) + size + (picture.fromScreen ? " source=screen" : "");
    if (std::string(picture.kind) == "not-written")
        return "  picture not-written=" + Quoted(picture.file) + " reason=" + Quoted(picture.reason) + size;
    return std::string("  picture ") + picture.kind + "=" + Quoted(picture.reason) + size;
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->first) found->second.push_back(window);
    return TRUE;
}

// clean: the windows of the process described before (those above it) whose texts showed no
// password; the window is added when its own show none.
std::string WindowRecord(HWND window, const std::string& logPath, bool subject, TickCountdown& left,
                         std::vector<HWND>& clean) {
    const std::string className = ClassOf(window);
    RECT frame{};
    GetWindowRect(window, &frame);
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    TextsMet met;
    std::string record = "window handle=" + HandleText(window) + " class=" + Quoted(className) +
                         TextField("title", WindowText(window), met) +
                         " id=" + std::to_string(GetWindowLongA(window, GWL_ID)) +
                         " style=" + Hex(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE))) +
                         " size=" + std::to_string(width) + "x" + std::to_string(height) +
                         " visible=" + (IsWindowVisible(window) ? "1" : "0") +
                         " enabled=" + (IsWindowEnabled(window) ? "1" : "0");
    if (HWND owner = GetWindow(window, GW_OWNER)) record += " owner=" + HandleText(owner);
    if (subject) record += " unknown";

    // The pixels first: a window that does not draw within the second would not have
    // answered the description's messages either, while the texts of its statics and
    // buttons are read without any. Whether they are kept depends on the texts.
    auto describe = [&]() -> std::string {
        int described = 0;
        DescribeControls(window, 1, DefaultIdOf(window, className, left), left, record, described, met);
        if (described >= ControlsShown)
            record += "\n  unfinished=" + Quoted("описаны только первые " + std::to_string(ControlsShown) + " элементов");
        std::string refused = PictureRefused(met);
        if (refused.empty()) clean.push_back(window);
        return refused;
    };
    if (logPath.empty()) {
        describe();
        return record;
    }
    const std::string picture = PictureLine(window, frame, logPath, left, describe, clean);
    return record + "\n" + picture;
}

}  // namespace

std::string RecordWindow(HWND window, const std::string& logPath, bool subject) {
    TickCountdown left(WindowRecordMs);
    std::vector<HWND> clean;
    return WindowRecord(window, logPath, subject, left, clean);
}

std::string RecordWindows(DWORD processId, HANDLE process, const std::string& reason, const std::string& logPath,
                          HWND subject) {
    std::string record = "Окна конфигуратора (процесс " + std::to_string(processId) + "): " + reason;
    // Once it has ended, its id may already be another process's.
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        return record + "\nПроцесс конфигуратора завершён, код выхода " + std::to_string(code);
    }
    std::pair<DWORD, std::vector<HWND>> found{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&found));
    if (found.second.empty()) return record + "\nОкон нет";
    // A thread that let one window's second run out is not asked again in this record.
    std::vector<DWORD> silent;
    // In the system's order, top first: the windows above one are known when it is pictured.
    std::vector<HWND> clean;
    TickCountdown whole(RecordMs);
    for (HWND window : found.second) {
        DWORD thread = GetWindowThreadProcessId(window, nullptr);
        bool wasSilent = false;
        for (DWORD other : silent) wasSilent = wasSilent || other == thread;
        TickCountdown left(wasSilent ? 0 : std::min<ULONGLONG>(WindowRecordMs, whole.Left()));
        // Memory that runs out ends this window's lines, never the run.
        try {
            record += "\n" + WindowRecord(window, logPath, window == subject, left, clean);
        } catch (const std::bad_alloc&) {
            record += "\nwindow handle=" + HandleText(window) + " unfinished=" + Quoted("нет памяти");
        }
        if (!wasSilent && left.Left() == 0) silent.push_back(thread);
    }
    return record;
}

std::string FailedRunRecord(DWORD processId, HANDLE process, const char* reason) {
    if (!RunLogOpen() || (SupervisorFlags & EndingRecorded)) return {};
    SupervisorFlags |= EndingRecorded;
    try {
        return RecordWindows(processId, process, reason, RunLogPath());
    } catch (const std::bad_alloc&) {
        return {};
    }
}

void LogUnknownWindow(HWND window) {
    if (!RunLogOpen()) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    try {
        WriteLogEntry(RecordWindows(processId, nullptr, "окно, которого нет в правилах", RunLogPath(), window));
    } catch (const std::bad_alloc&) {
        // No record: the run goes on.
    }
}

void LogFailedRun(DWORD processId, HANDLE process, const char* reason) {
    std::string record = FailedRunRecord(processId, process, reason);
    if (!record.empty()) WriteLogEntry(record);
}
