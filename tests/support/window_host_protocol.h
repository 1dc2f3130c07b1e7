#pragma once
// What the test window host understands, shared by the host and the tests.
//
// Description file, one line each (texts as hex of their Windows-1251 bytes):
//   caption HEX | control CLASS ID STYLEHEX HEX | item HEX | delay ID MS | stay ID | defid ID
// Log file, written and flushed line by line:
//   ready                      the dialog exists and is filled
//   command ID [CTRLID=HEX]... a command arrived, with the texts of the Edit and ComboBox controls
//   hang MS / awake            the thread stopped answering for MS and is back
//   done                       the dialog is gone

#include <windows.h>

// Posted to the host's dialog: its thread sleeps wParam ms without answering anything.
constexpr UINT HostHangMessage = WM_APP + 1;
