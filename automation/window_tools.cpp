#include "automation/window_tools.h"

#include <cstring>

#include "automation/shared_words.h"
#include "common/tick_countdown.h"
#include "common/profile.h"
#include "settings/shown_text.h"

namespace {

const char* const NoWindowText = "<Нет окна>";

// BlockOneSecond: the configurator gets one second to process a press.
constexpr UINT ShortBoundMs = 1000;

// Far beyond any real list item: a longer length is a configurator that misbehaves, and no
// buffer of that size is made for it.
constexpr LRESULT LongestListItem = 1 << 20;

// A bounded blocking send; false when the window did not answer in time or is gone.
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT boundMs,
                 LRESULT* answer) {
    PROFILE_WAIT(Configurator);
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, boundMs, &result);
    if (answer) *answer = static_cast<LRESULT>(result);
    return sent != 0;
}

// Wide variant for the list reads: the system then hands over the item as UTF-16 on
// Windows and under Wine alike, so the buffer size is known exactly.
bool SendBoundedWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer,
                     TickCountdown* allowance = nullptr) {
    PROFILE_WAIT(Configurator);
    UINT boundMs = allowance ? static_cast<UINT>(allowance->NextSlice(ReplyBoundMs)) : ReplyBoundMs;
    if (boundMs == 0) return false;
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, boundMs, &result);
    if (answer) *answer = static_cast<LRESULT>(result);
    return sent != 0;
}

std::string TrimTrailingSpace(std::string text) {
    std::size_t end = text.find_last_not_of(" \t\r\n");
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

void DeliverWaitingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Waits at most the given time, delivering completions, and returns early once done()
// holds. Waits are at most sliceMs long, so that a completion is taken up promptly even
// where its arrival does not end the wait by itself.
template <typename Done>
void WaitDelivering(DWORD milliseconds, DWORD sliceMs, Done done) {
    TickCountdown allowance(milliseconds);
    for (;;) {
        DeliverWaitingMessages();
        if (done()) break;
        DWORD slice = allowance.NextSlice(sliceMs);
        if (slice == 0) break;
        if (MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_FAILED)
            Sleep(slice);
    }
}

// A WaitBounded press in flight. Its completion marks it done; when the sender has stopped
// waiting, the completion frees it.
struct PressInFlight {
    bool done = false;
    bool abandoned = false;
};

void CALLBACK PressDelivered(HWND, UINT, ULONG_PTR data, LRESULT) {
    auto* press = reinterpret_cast<PressInFlight*>(data);
    if (press->abandoned)
        delete press;
    else
        press->done = true;
}

// Sends the command and waits until the window has processed it, but no longer than
// ReplyBoundMs. Unlike a send with a time-out, which withdraws a message that the window
// has not taken yet, the press stays queued: a configurator that comes back from a hang
// still gets it, once.
void SendAndWaitBounded(HWND window, WPARAM command) {
    PROFILE_WAIT(Configurator);
    auto* press = new PressInFlight;
    if (!SendMessageCallbackA(window, WM_COMMAND, command, 0, PressDelivered, reinterpret_cast<ULONG_PTR>(press))) {
        delete press;
        return;
    }
    WaitDelivering(ReplyBoundMs, 20, [press] { return press->done; });
    if (press->done)
        delete press;
    else
        press->abandoned = true;
}

}  // namespace

std::string ButtonCaption(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL: return "ОТМЕНА";
        case IDABORT: return "Прервать";
        case IDRETRY: return "Повтор";
        case IDIGNORE: return "Пропустить";
        case IDYES: return "ДА";
        case IDNO: return "НЕТ";
        default: return "";
    }
}

void SendCommand(HWND window, int id, SendMode mode) {
    WPARAM command = static_cast<WPARAM>(static_cast<WORD>(id));
    switch (mode) {
        case SendMode::WaitBounded:
            // Bounded so that a hung configurator cannot hold the run past its time limit.
            SendAndWaitBounded(window, command);
            break;
        case SendMode::BlockOneSecond:
            SendBounded(window, WM_COMMAND, command, 0, ShortBoundMs, nullptr);
            break;
        case SendMode::ThenFailAndFinish:
        case SendMode::ThenCancelIfRejected:
        case SendMode::NothingFollows:
            SendMessageCallbackA(window, WM_COMMAND, command, 0, CommandCompleted,
                                 static_cast<ULONG_PTR>(static_cast<int>(mode)));
            break;
    }
}

int PressDialogButton(HWND window, SendMode mode, int first, int second, int third) {
    int chosen = 0;
    for (int candidate : {first, second, third}) {
        if (candidate != 0 && GetDlgItem(window, candidate)) {
            chosen = candidate;
            break;
        }
    }
    if (chosen == 0) return 0;

    int result = chosen;
    if (chosen == IDCANCEL) {
        // A box whose only button is Cancel is reported as "OK", as a person would read it.
        result = IDOK;
        for (int other : {IDOK, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDCLOSE, IDHELP}) {
            if (GetDlgItem(window, other)) {
                result = IDCANCEL;
                break;
            }
        }
    }
    SendCommand(window, chosen, mode);
    return result;
}

int SetEditText(HWND parent, const std::string& text, const char* className) {
    // A null parent would make FindWindowExA search the desktop's top-level windows.
    if (!IsWindow(parent)) return 0;
    HWND child = FindWindowExA(parent, nullptr, className, nullptr);
    if (!child) return 0;
    if (std::strcmp(className, "Edit") == 0) {
        // The system copies the text for the other process, so the send may time out safely.
        SendBounded(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), ReplyBoundMs, nullptr);
        return 1;
    }
    HWND edit = FindWindowExA(child, nullptr, "Edit", nullptr);
    if (!edit) return 0;
    SendBounded(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), ReplyBoundMs, nullptr);
    return 1;
}

HWND TopLevelOwner(HWND window) {
    HWND result = nullptr;
    HWND current = window;
    while (current) {
        result = current;
        HWND parent = GetParent(current);
        current = parent ? parent : GetWindow(current, GW_OWNER);
    }
    return result;
}

std::string WindowText(HWND window) {
    if (!IsWindow(window)) return NoWindowText;
    // For a window of another process neither call sends a message: they cannot hang.
    int length = GetWindowTextLengthA(window);
    if (length < 0) length = 0;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int read = GetWindowTextA(window, text.data(), length + 1);
    text.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return text;
}

std::string MessageText(HWND window) {
    if (!IsWindow(window)) return NoWindowText;
    HWND message = GetDlgItem(window, MessageBoxTextId);
    return WindowText(message ? message : window);
}

// Each text as it may be shown: the line goes to the console and the log.
std::string DescribeWindow(HWND window) {
    if (!IsWindow(window)) return NoWindowText;
    std::string description = ShownText(TrimTrailingSpace(WindowText(window)));
    if (HWND message = GetDlgItem(window, MessageBoxTextId)) return description + " :: " + ShownText(WindowText(message));
    for (HWND child = FindWindowExA(window, nullptr, "Static", nullptr); child;
         child = FindWindowExA(window, child, "Static", nullptr)) {
        description += "::";
        description += ShownText(WindowText(child));
    }
    return description;
}

int DefaultButtonId(HWND dialog) {
    if (!IsWindow(dialog)) return 0;
    LRESULT answer = 0;
    if (!SendBounded(dialog, DM_GETDEFID, 0, 0, ReplyBoundMs, &answer)) return 0;
    return LOWORD(answer);
}

void ReadListBoxItems(HWND listBox, const std::function<void(const std::string&)>& visit,
                      const std::function<bool()>& stop, TickCountdown* allowance) {
    if (!IsWindow(listBox)) return;
    LRESULT count = 0;
    if (!SendBoundedWide(listBox, LB_GETCOUNT, 0, 0, &count, allowance) || count == LB_ERR) return;
    std::wstring wide;
    std::string item;
    for (LRESULT index = 0; index < count; ++index) {
        if (stop && stop()) break;
        LRESULT length = 0;
        if (!SendBoundedWide(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, &length, allowance) ||
            length == LB_ERR || length < 0 || length > LongestListItem)
            break;
        // Sized by the wide length (what LB_GETTEXT writes, terminator included); a little
        // more for lists that keep item data instead of strings.
        wide.assign(static_cast<std::size_t>(length) + 16, L'\0');
        LRESULT read = 0;
        if (!SendBoundedWide(listBox, LB_GETTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(wide.data()), &read, allowance) ||
            read == LB_ERR || read < 0)
            break;
        int characters = static_cast<int>(read < length ? read : length);
        item.clear();
        if (characters > 0) {
            int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), characters, nullptr, 0, nullptr, nullptr);
            item.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
            if (bytes > 0)
                WideCharToMultiByte(CP_ACP, 0, wide.data(), characters, item.data(), bytes, nullptr, nullptr);
        }
        visit(item);
    }
}

std::vector<std::string> ListBoxItems(HWND listBox) {
    std::vector<std::string> items;
    ReadListBoxItems(listBox, [&items](const std::string& item) { items.push_back(item); });
    return items;
}

void CALLBACK CommandCompleted(HWND window, UINT, ULONG_PTR code, LRESULT) {
    switch (static_cast<SendMode>(static_cast<int>(code))) {
        case SendMode::ThenFailAndFinish:
            SupervisorFlags |= Failed | Finished;
            break;
        case SendMode::ThenCancelIfRejected:
            if (SupervisorFlags & PasswordRejected) PressDialogButton(window, SendMode::BlockOneSecond, IDCANCEL);
            break;
        default:
            break;
    }
}

void PauseDeliveringCompletions(DWORD milliseconds) {
    PROFILE_WAIT(Pause);
    // Completions of asynchronous sends run inside this wait (or the peeks after it). One
    // wait for the whole pause: a completion's arrival ends it, and nothing here needs a
    // completion sooner than the pause's end, while waking every few milliseconds would
    // cost the idle loop CPU time all along a long restructuring.
    WaitDelivering(milliseconds, INFINITE, [] { return false; });
}
