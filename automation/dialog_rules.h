#pragma once
// The configurator's known dialogs as a mutable, ordered table: each row an exact window
// text, a response routine and a parameter that the routine and failure mode rewrite.

#include <windows.h>

struct DialogRule;
using ResponseRoutine = void (*)(HWND dialog, DialogRule* row);

struct DialogRule {
    const char* text;
    ResponseRoutine routine;
    int parameter;
};

// The 14 rows in their order, ended by a null pointer.
extern DialogRule* DialogRuleTable[];
// The answer to any window that no row knows; not in the table.
extern DialogRule FallbackRule;

void DispatchDialog(HWND dialog);

void RequestExit();
void EnterFailureMode();
void UseConfigPassword();
void UseNewConfigPassword();

// Response routines.
void EnterConfigPassword(HWND dialog, DialogRule* row);
void EnterNewConfigPassword(HWND dialog, DialogRule* row);
void HandleWrongPassword(HWND dialog, DialogRule* row);
void ResolveNotDescendant(HWND dialog, DialogRule* row);
void AnswerSaveMetadata(HWND dialog, DialogRule* row);
void EnterConfigurationFile(HWND dialog, DialogRule* row);
void AbortOnError(HWND dialog, DialogRule* row);
void AcceptStructureChanges(HWND dialog, DialogRule* row);
void AcknowledgeCompletion(HWND dialog, DialogRule* row);
void ConfirmMerge(HWND dialog, DialogRule* row);
void EnterUnloadFile(HWND dialog, DialogRule* row);
void ContinueAfterUnload(HWND dialog, DialogRule* row);
void AnswerUnknownDialog(HWND dialog, DialogRule* row);

// Puts the table back to its state at the start of a run (for tests that run many cases
// in one process; a run itself starts from that state).
void ResetDialogRules();
