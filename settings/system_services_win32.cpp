#include "settings/system_services.h"

#include <windows.h>

void LowerCaseAnsi(std::string& text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

void ConvertToOem(std::string& text) {
    // CharToOemA stops at a zero byte; convert piece by piece so the whole text is converted.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) CharToOemBuffA(&text[start], &text[start], static_cast<DWORD>(end - start));
        start = end + 1;
    }
}

std::string ModuleFilePath() {
    char path[512];
    // A path that does not fit is reported as the full buffer: treat it as a failure.
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    return std::string(path, length);
}

bool IsExistingFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
HANDLE ConsoleOutputMutex() {
    static HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    return mutex;
}
}  // namespace

bool LockConsoleOutput(unsigned long limitMs) {
    HANDLE mutex = ConsoleOutputMutex();
    // Without a mutex (none could be made) lines are written unguarded, as before threads.
    if (!mutex) return true;
    DWORD answer = WaitForSingleObject(mutex, limitMs);
    return answer == WAIT_OBJECT_0 || answer == WAIT_ABANDONED;
}

void UnlockConsoleOutput() {
    if (HANDLE mutex = ConsoleOutputMutex()) ReleaseMutex(mutex);
}
