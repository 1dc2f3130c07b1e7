#include "automation/supervisor.h"

#include <string>

#include "automation/configurator_texts.h"
#include "automation/dialog_rules.h"
#include "automation/shared_words.h"
#include "automation/window_record.h"
#include "automation/window_tools.h"
#include "common/profile.h"
#include "common/tick_countdown.h"
#include "run/console.h"
#include "run/interruption.h"
#include "run/run_log.h"
#include "settings/run_settings.h"

namespace {

constexpr DWORD SearchBudgetMs = 600000;
constexpr DWORD SearchStepMs = 1000;
constexpr DWORD IdleSleepMs = 500;
constexpr UINT DeadlineExitCode = 3;
// Waits for input idleness are made in slices of this length, so that their limits are
// looked at in between.
constexpr DWORD IdleSliceMs = 1000;

DWORD CyclePause() { return static_cast<DWORD>(Settings.PauseFactor) * 500; }

bool FlagSet(std::uint32_t flag) { return (SupervisorFlags & flag) != 0; }

bool ProcessEnded(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// WaitForInputIdle in slices until it answers something other than a time-out or the
// caller gives up; the last answer.
template <typename GiveUp>
DWORD WaitIdleSliced(HANDLE process, GiveUp giveUp) {
    PROFILE_WAIT(Configurator);
    for (;;) {
        DWORD answer = WaitForInputIdle(process, IdleSliceMs);
        if (answer != WAIT_TIMEOUT || giveUp()) return answer;
    }
}

SupervisorState& StateOf(LPARAM data) { return *reinterpret_cast<SupervisorState*>(data); }

void ChooseFirstCommand() {
    if (!Settings.DownloadTo.empty()) {
        PendingCommand = UnloadDataCommand;
    } else if (Settings.Merge == 2) {
        UseConfigPassword();
        PendingCommand = MergeConfigurationsCommand;
    } else {
        PendingCommand = LoadConfigurationCommand;
    }
}

bool IsWorkCommand(std::uint32_t command) {
    return command == UnloadDataCommand || command == LoadConfigurationCommand || command == MergeConfigurationsCommand;
}

}  // namespace

DWORD WaitUntilIdle(HANDLE process) {
    PROFILE_WAIT(Configurator);
    DWORD answer;
    do {
        answer = WaitForInputIdle(process, INFINITE);
    } while (answer == WAIT_TIMEOUT);
    return answer;
}

DWORD WaitUntilIdleFor(HANDLE process, unsigned long long limitMs) {
    PROFILE_WAIT(Configurator);
    TickCountdown allowance(limitMs);
    for (;;) {
        DWORD slice = allowance.NextSlice(IdleSliceMs);
        if (slice == 0) return WAIT_TIMEOUT;
        DWORD answer = WaitForInputIdle(process, slice);
        if (answer != WAIT_TIMEOUT) return answer;
    }
}

int TerminateAtDeadline(HANDLE process) {
    // The record is taken before the end (afterwards it could only say that the process
    // ended) and written after it: no write holds the configurator past its time.
    const std::string record = FailedRunRecord(GetProcessId(process), process, "истекло время выполнения задачи");
    const bool ended = TerminateProcess(process, DeadlineExitCode);
    const DWORD error = GetLastError();
    ReportError("Истекло время выполнения задачи!!!");
    if (!ended) {
        SetLastError(error);
        ReportError("%s", SystemErrorText().c_str());
    }
    if (!record.empty()) WriteLogEntry(record);
    return 1;
}

HWND MainFrameClient(HWND window) {
    if (static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) != (WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES))
        return nullptr;
    return FindWindowExA(window, nullptr, "MDIClient", nullptr);
}

BOOL CALLBACK InspectProcessWindow(HWND window, LPARAM data) {
    SupervisorState& state = StateOf(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != state.processId) return TRUE;

    // Only the first 31 characters take part: a longer registration title still matches.
    char buffer[32] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    const std::string title = buffer;

    if (HWND client = MainFrameClient(window)) {
        state.mdiClient = client;
        state.mainWindow = window;
        state.mainThreadId = GetWindowThreadProcessId(window, nullptr);
        ChooseFirstCommand();
        return FALSE;
    }
    // Registration, the login and its errors: answered, the pass ends.
    return AnswerStartupWindow(window, title) ? FALSE : TRUE;
}

BOOL CALLBACK InspectThreadWindow(HWND window, LPARAM data) {
    SupervisorState& state = StateOf(data);
    // The main window first: it is met in every pass, and the other two tests each ask the
    // system about the window (under Wine, a round trip to its server).
    if (window == state.mainWindow || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) ||
        !IsWindowVisible(window))
        return TRUE;
    if (GetParent(window) && WindowText(window) == NotADialogTitle) return TRUE;
    if (TopLevelOwner(window) == state.mainWindow) {
        state.currentDialog = window;
        return FALSE;
    }
    return TRUE;
}

bool FindMainWindow(SupervisorState& state) {
    if (state.mainWindow) return false;
    EnumWindows(InspectProcessWindow, reinterpret_cast<LPARAM>(&state));
    return true;
}

bool FindNewDialog(SupervisorState& state) {
    HWND previous = state.currentDialog;
    state.currentDialog = nullptr;
    EnumThreadWindows(state.mainThreadId, InspectThreadWindow, reinterpret_cast<LPARAM>(&state));
    return state.currentDialog && state.currentDialog != previous;
}

bool FindFirstMdiChild(SupervisorState& state) {
    if (state.firstMdiChild) return false;
    if (!state.mdiClient) return false;
    // Only a document window that opened after the work was asked for, with no more work
    // waiting to be asked for, marks its end; otherwise a window open since the start would
    // end the run as a success before the work was even sent. Once the configurator has
    // said the work is finished, though, any document window does: it need not open a new
    // one, and the run would otherwise wait for one that never comes.
    if (!state.workSent || IsWorkCommand(PendingCommand)) return false;
    const bool reportedDone = FlagSet(Finished) && !FlagSet(Failed);
    HWND top = GetTopWindow(state.mdiClient);
    if (top && (top != state.mdiChildBeforeWork || reportedDone)) {
        state.firstMdiChild = top;
        RequestExit();
    }
    return state.firstMdiChild != nullptr;
}

int SuperviseConfigurator(DWORD processId, HANDLE process) {
    SupervisorState state;
    state.processId = processId;
    long long allowance = SearchBudgetMs;

    PauseDeliveringCompletions(CyclePause());
    PROFILE_PHASE(Searching);

    // Search phase: the windows before the main window are answered on the way.
    while (FindMainWindow(state)) {
        // A slice that the configurator spends busy is taken off the search allowance, so
        // that it cannot stretch the search beyond its budget.
        WaitIdleSliced(process, [&] {
            allowance -= IdleSliceMs;
            return allowance <= 0 || ProcessEnded(process);
        });
        if (FlagSet(Failed)) return 1;
        if (FlagSet(Finished)) return 1;
        // Only the configurator's own windows can end the search: once it has ended (a
        // crash at start-up, a protection-key error), none will come.
        if (allowance <= 0 || (!state.mainWindow && ProcessEnded(process))) {
            ReportError("Окно конфигуратора не найдено!");
            return 1;
        }
        PauseDeliveringCompletions(static_cast<DWORD>(allowance < SearchStepMs ? allowance : SearchStepMs));
        allowance -= SearchStepMs;
    }

    PROFILE_PHASE(Driving);

    if (Settings.Hide != 0) HideConfiguratorWindow(state.mainWindow);

    // Driving phase.
    for (;;) {
        // Bounded, so that the deadline test below is always reached.
        WaitIdleSliced(process, [&] {
            return DeadlinePassed() || !IsWindow(state.mainWindow) || ProcessEnded(process);
        });

        if (!IsWindow(state.mainWindow)) {
            if (FlagSet(Finished)) return FlagSet(Failed) ? 1 : 0;
            ReportError("Окно конфигуратора потеряно!");
            return 1;
        }
        if (FindNewDialog(state)) {
            DispatchDialog(state.currentDialog);
            PauseDeliveringCompletions(CyclePause());
            // A configurator that opens dialog after dialog never leaves a quiet cycle:
            // the time limit must hold all the same.
            if (DeadlinePassed()) return TerminateAtDeadline(process);
            continue;
        }
        if (FindFirstMdiChild(state)) {
            // Until the document window is enabled, or it, the main window or the
            // configurator is gone, or the time is up.
            do {
                PauseDeliveringCompletions(CyclePause());
            } while (!IsWindowEnabled(state.firstMdiChild) && IsWindow(state.firstMdiChild) &&
                     IsWindow(state.mainWindow) && !ProcessEnded(process) && !DeadlinePassed());
            continue;
        }
        if (PendingCommand != 0 && IsWindowEnabled(state.mainWindow)) {
            if (IsWorkCommand(PendingCommand)) {
                state.workSent = true;
                state.mdiChildBeforeWork = GetTopWindow(state.mdiClient);
            }
            SendCommand(state.mainWindow, static_cast<int>(PendingCommand), SendMode::NothingFollows);
            PendingCommand = 0;
            continue;
        }
        if (DeadlinePassed()) return TerminateAtDeadline(process);
        PauseDeliveringCompletions(IdleSleepMs);
    }
}
