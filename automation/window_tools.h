#pragma once
// Primitives through which the program reads and acts on the configurator's windows, one
// message at a time. All windows belong to another process and may stop being windows at
// any moment. Texts are Windows-1251 bytes, read and written through the ANSI functions.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TickCountdown;

// Child-control id of a message box's text.
constexpr int MessageBoxTextId = 0xFFFF;

// The longest wait for any one reply of the configurator (WaitBounded presses, typed text,
// the default-button query, each list read): a hung configurator must not keep the run
// from its time limit. A WaitBounded press that runs out of time stays queued and is
// processed once the configurator answers again; the other messages are withdrawn.
constexpr UINT ReplyBoundMs = 5000;

// How a command is delivered and what follows once the configurator has processed it. The
// values of the asynchronous modes travel to CommandCompleted as the completion's data.
enum class SendMode : int {
    // Waits until processed, at most ReplyBoundMs; the press itself is never withdrawn.
    WaitBounded = 0,
    // A blocking send with a 1000 ms time-out.
    BlockOneSecond = 1,
    // Asynchronous; Failed and Finished are set on completion.
    ThenFailAndFinish = 3,
    // Asynchronous; on completion Cancel is pressed if PasswordRejected is set by then.
    ThenCancelIfRejected = 4,
    // Asynchronous; nothing follows (menu commands too).
    NothingFollows = 9,
};

std::string ButtonCaption(int id);

// Sends WM_COMMAND with the id (notification code 0, lParam 0) to the window in the mode.
void SendCommand(HWND window, int id, SendMode mode);

// Presses the first candidate button the window has; returns the id to report (0: none).
int PressDialogButton(HWND window, SendMode mode, int first, int second = 0, int third = 0);

// Sets the text of the parent's first child of the class (one level deeper, into its
// "Edit", when the class is not "Edit"); 1 when the text was sent, 0 when no such control.
int SetEditText(HWND parent, const std::string& text, const char* className);

HWND TopLevelOwner(HWND window);
// The texts as they are, for matching against the configurator's known texts; what is shown
// of a window's texts passes ShownText (settings/shown_text.h) first.
std::string WindowText(HWND window);
std::string MessageText(HWND window);
// Title and message text, or title and Static texts, for the console and the log: each
// text as ShownText gives it.
std::string DescribeWindow(HWND window);

// The dialog's default button id (DM_GETDEFID, low 16 bits); 0 when it has none, does not
// answer within ReplyBoundMs, or is no window.
int DefaultButtonId(HWND dialog);

// The items of a list box of another process, as they are (to be shown, they pass
// ShownText), in order, each handed to the visitor as soon as it is read (a long list is
// never held whole). Reading stops at the first item that cannot be read (time-out,
// LB_ERR, the list gone, a length beyond any real item), or before an item when stop()
// holds; the items before it have been handed on. With an allowance, each reply is also
// bounded by what is left of it.
void ReadListBoxItems(HWND listBox, const std::function<void(const std::string&)>& visit,
                      const std::function<bool()>& stop = nullptr, TickCountdown* allowance = nullptr);
// The same items, collected.
std::vector<std::string> ListBoxItems(HWND listBox);

// Completion routine of every asynchronous send; code is the SendMode value.
void CALLBACK CommandCompleted(HWND window, UINT message, ULONG_PTR code, LRESULT answer);

// The program's one way to pause: waits the given time on this thread while delivering
// the completions of earlier asynchronous sends (which run only inside such waits).
void PauseDeliveringCompletions(DWORD milliseconds);
