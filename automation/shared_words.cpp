#include "automation/shared_words.h"

#include <windows.h>

#include "settings/run_settings.h"

std::uint32_t PendingCommand = 0;
std::uint32_t SupervisorFlags = 0;
int LoadWanted = 1;
long long Deadline = 0;

long long CalendarSeconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return static_cast<long long>(ticks.QuadPart / 10000000);  // 100-ns ticks since 1601
}

bool DeadlinePassed() { return Settings.WorkTime != 0 && CalendarSeconds() >= Deadline; }
