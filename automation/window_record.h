#pragma once
// Records of what the configurator showed, for the run log: every top-level window of its
// process (owned ones included), each with its child controls listed beneath it, and a
// picture of each window beside the log. A record is Windows-1251 text, one line per
// window, control or picture, its texts quoted and escaped, so that it can be read back
// (the stand-in shows a recorded window again):
//
//   window handle=0x000200A4 class="#32770" title="1С:Предприятие" id=0 style=0x94C800C4 size=310x96 visible=1 enabled=1 owner=0x0001009E unknown
//     control handle=0x000200A6 class="Static" id=65535 style=0x50020080 place=11,11,288,16 text="Текст"
//     control handle=0x000200A8 class="Button" id=2 style=0x50010001 place=128,40,54,14 text="OK" default
//     picture file="D:\Logs\night-20261209-031502-1.png" size=310x96
//
// Every message to the configurator is bounded, and one window, description and picture
// (its compression and its file included) together, takes at most WindowRecordMs, a whole
// record at most three times that: what is left undone then is said. Memory that runs out
// ends a window's lines or its picture, never the run. Passwords of the run never appear:
// a password edit shows only its length, every other text passes ShownText
// (settings/shown_text.h), and a window with a text that holds a password, or, when the run
// has one, a text that could not be read, gets no picture.

#include <windows.h>

#include <string>

constexpr DWORD WindowRecordMs = 1000;

// One window: its line, its controls, then its picture beside the log (none when logPath is
// empty). subject marks the window that the record is about.
std::string RecordWindow(HWND window, const std::string& logPath, bool subject = false);

// A first line with the reason, then every top-level window of the process; once the
// process (when given) has ended, that and its exit code instead. '\n' between lines.
std::string RecordWindows(DWORD processId, HANDLE process, const std::string& reason,
                          const std::string& logPath, HWND subject = nullptr);

// Into the run log. Without a log nothing is done and no message reaches the configurator.
// The window that no rule knows, before it is answered:
void LogUnknownWindow(HWND window);
// A run that started the configurator and fails; once per run:
void LogFailedRun(DWORD processId, HANDLE process, const char* reason);
// The same record, not yet written (empty without a log or once taken): at the deadline the
// configurator is ended before the log, which may lie on a slow share, is written.
std::string FailedRunRecord(DWORD processId, HANDLE process, const char* reason);
