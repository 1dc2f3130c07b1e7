#pragma once
// Run-wide words through which the dialog rules steer the supervision loop, and the
// run driver's limits. One thread: no locks.

#include <cstdint>
#include <ctime>

// The one configurator menu command waiting to be sent to the main window; 0 for none.
extern std::uint32_t PendingCommand;

// Bits that are set during the run and never cleared.
extern std::uint32_t SupervisorFlags;
constexpr std::uint32_t PasswordRejected = 4;
constexpr std::uint32_t Failed = 32;
constexpr std::uint32_t Finished = 64;

// 1 at start; cleared when nothing is to be loaded.
extern int LoadWanted;

// End of the configurator's time, set only when WorkTime is not 0.
extern std::time_t Deadline;

// True once WorkTime is set and its Deadline has come.
bool DeadlinePassed();

// Configurator menu commands (WM_COMMAND ids of its main window).
constexpr std::uint32_t UnloadDataCommand = 33204;
constexpr std::uint32_t LoadConfigurationCommand = 33206;
constexpr std::uint32_t MergeConfigurationsCommand = 33260;
constexpr std::uint32_t ExitCommand = 57665;
