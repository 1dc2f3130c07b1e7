#pragma once
// What the configurator is answered: the windows it shows before its main window, then its
// dialogs, by one ordered table of constant rows. What changes during a run lives in one
// small record beside the table.

#include <windows.h>

#include <cstddef>
#include <string>

#include "automation/window_tools.h"
#include "run/unload_check.h"

// The configuration password that a password prompt is given.
enum class PromptPassword { Config, NewConfig };

// The run's state as far as the answers depend on it.
struct DialogRunState {
    // Prompts and file choosers are cancelled and saving is refused; never left.
    bool failureMode = false;
    // NewConfig from the file chooser on; Config again when a merge is chosen.
    PromptPassword password = PromptPassword::Config;
    // The unload dialog is answered once per run.
    bool unloadAnswered = false;
    // The unload file as it was before its name was confirmed.
    UnloadFileBefore unloadBefore;
};

// One run per process, on one thread: the responses, the supervision loop and the tests'
// resets all reach it, as they reach the shared words.
extern DialogRunState DialogState;

struct DialogRule;
using Response = void (*)(HWND dialog, const DialogRule& row);

// One known dialog. The response presses `button`, or `failureButton` once failure mode
// is entered; `orElse` when the dialog has not that one; sent in `mode`.
struct DialogRule {
    const char* text;  // exactly the dialog's MessageText
    Response respond;
    int button;
    int failureButton;
    int orElse;
    SendMode mode;
};

// In a button column: none (the response chooses, or there is no second candidate).
constexpr int NoButton = 0;

constexpr std::size_t DialogRuleCount = 14;
extern const DialogRule DialogRuleTable[DialogRuleCount];
// The answer to any dialog that no row knows; not in the table.
extern const DialogRule FallbackRule;

void DispatchDialog(HWND dialog);

// Answers the window if it is one of those shown before the main window (the title is the
// window's, as far as it was read); false when it is none of them or needs no answer now.
bool AnswerStartupWindow(HWND window, const std::string& title);

void RequestExit();
void EnterFailureMode();
void UseConfigPassword();
void UseNewConfigPassword();

// Responses.
void EnterPassword(HWND dialog, const DialogRule& row);
void HandleWrongPassword(HWND dialog, const DialogRule& row);
void ResolveNotDescendant(HWND dialog, const DialogRule& row);
void AnswerSaveMetadata(HWND dialog, const DialogRule& row);
void EnterConfigurationFile(HWND dialog, const DialogRule& row);
void AbortOnError(HWND dialog, const DialogRule& row);
void AcceptStructureChanges(HWND dialog, const DialogRule& row);
void AcknowledgeFinishedWork(HWND dialog, const DialogRule& row);
void AcknowledgeNothingToDo(HWND dialog, const DialogRule& row);
void ConfirmMerge(HWND dialog, const DialogRule& row);
void EnterUnloadFile(HWND dialog, const DialogRule& row);
void ContinueAfterUnload(HWND dialog, const DialogRule& row);
void AnswerUnknownDialog(HWND dialog, const DialogRule& row);

// Puts the run's state back to its start (for tests that run many cases in one process; a
// run itself starts from that state).
void ResetDialogRules();
