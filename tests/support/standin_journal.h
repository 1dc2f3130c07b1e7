#pragma once
// The stand-in configurator's journal (standin/README.md) and the ending of stand-ins that a
// run left behind.

#include <windows.h>

#include <string>
#include <vector>

namespace support {

// One journal line: "<tick> <kind> <name> <text>".
struct JournalEvent {
    unsigned long long tick = 0;  // milliseconds
    std::string kind;
    std::string name;  // a dialog's short name, or "-"
    std::string text;  // unescaped
    std::string Line() const { return kind + " " + name + " " + text; }
};

std::vector<JournalEvent> ReadJournal(const std::string& path);

// Waits up to graceMs for every stand-in of the journal to end, then terminates those left;
// true when one had to be terminated.
bool EndStandins(const std::string& journalPath, DWORD graceMs);

}  // namespace support
