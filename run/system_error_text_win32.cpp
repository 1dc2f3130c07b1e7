#include <windows.h>

#include <cstdio>

#include "common/win_handles.h"
#include "run/console.h"

std::string SystemErrorText() {
    DWORD code = GetLastError();
    char* message = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<char*>(&message), 0, nullptr);
    unique_hlocal owner(message);
    char number[16];
    std::snprintf(number, sizeof number, "(%d) ", static_cast<int>(code));
    // No text from the system: the code alone, still followed by the blank.
    return std::string(number) + (length && message ? std::string(message, length) : std::string());
}
