#include "standin/journal.h"

#include <windows.h>

#include <cstdio>

#include "common/win_handles.h"

namespace {

// Open until the process ends: the journal must take lines until the last moment (the
// "exit" line is written just before ExitProcess).
unique_handle journalFile;

}  // namespace

bool OpenJournal(const std::string& path) {
    journalFile = OwnFileHandle(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(journalFile);
}

std::string EscapeJournalText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (unsigned char c : text) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            case '\t': escaped += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    escaped += hex;
                } else {
                    escaped += static_cast<char>(c);
                }
        }
    }
    return escaped;
}

void Journal(const char* kind, const std::string& name, const std::string& text) {
    if (!journalFile) return;
    std::string line = std::to_string(GetTickCount64()) + " " + kind + " " + (name.empty() ? "-" : name) + " " +
                       EscapeJournalText(text) + "\n";
    // One write per line: with FILE_APPEND_DATA each lands whole at the end, unbuffered.
    DWORD written = 0;
    WriteFile(journalFile.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
