#include "tests/support/standin_journal.h"

#include <cstdlib>

#include "common/win_handles.h"
#include "tests/support/files.h"

namespace support {

namespace {

std::string Unescape(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        char next = text[++i];
        switch (next) {
            case 'n': plain += '\n'; break;
            case 'r': plain += '\r'; break;
            case 't': plain += '\t'; break;
            case 'x':
                if (i + 2 < text.size()) {
                    plain += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                }
                break;
            default: plain += next;
        }
    }
    return plain;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::vector<JournalEvent> ReadJournal(const std::string& path) {
    std::vector<JournalEvent> events;
    const std::string bytes = ReadWholeFile(path);
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        std::string line = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? bytes.size() : end + 1;
        JournalEvent event;
        size_t first = line.find(' ');
        if (first == std::string::npos) continue;
        size_t second = line.find(' ', first + 1);
        size_t third = second == std::string::npos ? std::string::npos : line.find(' ', second + 1);
        event.tick = std::strtoull(line.c_str(), nullptr, 10);
        event.kind = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
        if (second != std::string::npos)
            event.name = line.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
        if (third != std::string::npos) event.text = Unescape(line.substr(third + 1));
        events.push_back(event);
    }
    return events;
}

bool EndStandins(const std::string& journalPath, DWORD graceMs) {
    bool terminated = false;
    ULONGLONG until = GetTickCount64() + graceMs;
    for (const auto& event : ReadJournal(journalPath)) {
        if (event.kind != "start" || event.text.compare(0, 4, "pid=") != 0) continue;
        DWORD pid = std::strtoul(event.text.c_str() + 4, nullptr, 10);
        unique_handle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process) continue;
        // A process id can be taken again: end it only if it is still the stand-in.
        char image[MAX_PATH * 2];
        DWORD size = sizeof image;
        if (!QueryFullProcessImageNameA(process.get(), 0, image, &size) || !EndsWith(image, "configurator_standin.exe"))
            continue;
        ULONGLONG now = GetTickCount64();
        DWORD wait = now < until ? static_cast<DWORD>(until - now) : 0;
        if (WaitForSingleObject(process.get(), wait) == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), 999);
            WaitForSingleObject(process.get(), 5000);
            terminated = true;
        }
    }
    return terminated;
}

}  // namespace support
