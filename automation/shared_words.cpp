#include "automation/shared_words.h"

#include "settings/run_settings.h"

std::uint32_t PendingCommand = 0;
std::uint32_t SupervisorFlags = 0;
int LoadWanted = 1;
std::time_t Deadline = 0;

bool DeadlinePassed() { return Settings.WorkTime != 0 && std::time(nullptr) >= Deadline; }
