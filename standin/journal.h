#pragma once
// The stand-in's journal: one line per thing it received or did, written straight to the
// file so that a hang or a crash keeps every line written before it.
//
// Line: <GetTickCount64 in ms> <kind> <name> <text>
//   name is a dialog's short name, or "-"; text is the rest of the line, escaped:
//   "\\" for a backslash, "\n", "\r", "\t", "\xHH" for other bytes below 0x20 and 0x7F.
//   Bytes from 0x80 up stay as they are (Windows-1251).

#include <string>

// False when the file cannot be opened: the stand-in must not run unseen.
bool OpenJournal(const std::string& path);
void Journal(const char* kind, const std::string& name, const std::string& text = {});

std::string EscapeJournalText(const std::string& text);
