#pragma once
// Run-wide words through which the dialog rules steer the supervision loop, and the
// run driver's limits. One thread: no locks.

#include <cstdint>

// The one configurator menu command waiting to be sent to the main window; 0 for none.
extern std::uint32_t PendingCommand;

// Bits that are set during the run and never cleared.
extern std::uint32_t SupervisorFlags;
constexpr std::uint32_t PasswordRejected = 4;
constexpr std::uint32_t Failed = 32;
constexpr std::uint32_t Finished = 64;
// The configurator's windows were written to the log at the run's failing end.
constexpr std::uint32_t EndingRecorded = 128;

// 1 at start; cleared when nothing is to be loaded.
extern int LoadWanted;

// End of the configurator's time in CalendarSeconds, set only when WorkTime is not 0.
extern long long Deadline;

// The calendar time in whole seconds, 64 bits wide in every build: a 32-bit build's time_t
// is 32 bits wide, which a long WorkTime (or the year 2038) overflows.
long long CalendarSeconds();

// True once WorkTime is set and its Deadline has come.
bool DeadlinePassed();

// Configurator menu commands (WM_COMMAND ids of its main window).
constexpr std::uint32_t UnloadDataCommand = 33204;
constexpr std::uint32_t LoadConfigurationCommand = 33206;
constexpr std::uint32_t MergeConfigurationsCommand = 33260;
constexpr std::uint32_t ExitCommand = 57665;
