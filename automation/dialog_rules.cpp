#include "automation/dialog_rules.h"

#include <string>

#include "automation/configurator_texts.h"
#include "automation/shared_words.h"
#include "automation/window_record.h"
#include "automation/window_tools.h"
#include "common/profile.h"
#include "common/tick_countdown.h"
#include "run/console.h"
#include "run/unload_check.h"
#include "settings/run_settings.h"
#include "settings/shown_text.h"

DialogRunState DialogState;

// The configurator's dialogs, looked at in this order: the first row whose text equals the
// dialog's MessageText exactly, byte for byte, answers it. The response presses the row's
// button, or the failed-run button once failure mode is entered, or else the second
// candidate when the dialog has neither, sent in the row's mode. NoButton: the settings
// choose the button and the mode (see ResolveNotDescendant). Console lines and what is
// queued next are the responses' own, below.
//
//  text                    response                 normally  failed    or else   sent
const DialogRule DialogRuleTable[DialogRuleCount] = {
    {PasswordPromptTitle,   EnterPassword,           IDOK,     IDCANCEL, NoButton, SendMode::ThenCancelIfRejected},
    {WrongPasswordText,     HandleWrongPassword,     IDCANCEL, IDCANCEL, NoButton, SendMode::WaitBounded},
    {NotDescendantText,     ResolveNotDescendant,    NoButton, NoButton, NoButton, SendMode::WaitBounded},
    {SaveMetadataShortText, AnswerSaveMetadata,      IDYES,    IDNO,     NoButton, SendMode::BlockOneSecond},
    {SaveMetadataLongText,  AnswerSaveMetadata,      IDYES,    IDNO,     NoButton, SendMode::BlockOneSecond},
    {FileChooserTitle,      EnterConfigurationFile,  IDOK,     IDCANCEL, NoButton, SendMode::BlockOneSecond},
    {MetadataLockText,      AbortOnError,            IDCANCEL, IDCANCEL, NoButton, SendMode::WaitBounded},
    {NoSingleUserText,      AbortOnError,            IDCANCEL, IDCANCEL, NoButton, SendMode::WaitBounded},
    {StructureChangesTitle, AcceptStructureChanges,  IDOK,     IDOK,     NoButton, SendMode::BlockOneSecond},
    {RestructuringDoneText, AcknowledgeFinishedWork, IDOK,     IDOK,     IDCANCEL, SendMode::BlockOneSecond},
    {IdenticalText,         AcknowledgeNothingToDo,  IDOK,     IDOK,     IDCANCEL, SendMode::BlockOneSecond},
    {MergeTitle,            ConfirmMerge,            IDOK,     IDOK,     NoButton, SendMode::BlockOneSecond},
    {UnloadTitle,           EnterUnloadFile,         IDOK,     IDOK,     NoButton, SendMode::BlockOneSecond},
    {UnloadDoneText,        ContinueAfterUnload,     IDCANCEL, IDCANCEL, NoButton, SendMode::BlockOneSecond},
};

// Any other dialog; failing those two buttons, its default button is pressed.
const DialogRule FallbackRule{"", AnswerUnknownDialog, IDOK, IDOK, IDCANCEL, SendMode::BlockOneSecond};

namespace {

// A held unload file is tried again this often, for at most this long.
constexpr DWORD HeldUnloadRetryMs = 250;
constexpr ULONGLONG HeldUnloadWaitMs = 5000;

// How a window shown before the main window is known.
enum class KnownBy { Title, StaticChild };

// Answers the window; false when the window needs no answer after all.
using StartupResponse = bool (*)(HWND window);

struct StartupRule {
    KnownBy knownBy;
    const char* text;
    StartupResponse respond;
};

bool RegisterInfobase(HWND window);
bool LogIn(HWND window);
bool RejectLogin(HWND window);
bool GiveUpOnLock(HWND window);

// The windows that the configurator may show before its main window, looked for in this
// order: by the title, or by a direct "Static" child with the text. These never reach the
// dialog table, which starts once the main window is known.
//
//  known by               text               response
constexpr StartupRule StartupRules[] = {
    {KnownBy::Title,       RegistrationTitle, RegisterInfobase},
    {KnownBy::Title,       LoginTitle,        LogIn},
    {KnownBy::StaticChild, WrongPasswordText, RejectLogin},
    {KnownBy::StaticChild, MetadataLockText,  GiveUpOnLock},
};

bool HasStaticText(HWND window, const char* text) {
    return FindWindowExA(window, nullptr, "Static", text) != nullptr;
}

bool RegisterInfobase(HWND window) {
    ReportInfo("Регистрируем новую базу");
    PressDialogButton(window, SendMode::BlockOneSecond, IDOK);
    return true;
}

// Once the password was rejected, a login shown again is cancelled and the run fails.
bool LogIn(HWND window) {
    if (!(SupervisorFlags & PasswordRejected)) {
        ReportInfo("%s", LoginTitle);
        SetEditText(window, Settings.Password, "Edit");
        PressDialogButton(window, SendMode::ThenCancelIfRejected, IDOK);
    } else {
        PressDialogButton(window, SendMode::ThenFailAndFinish, IDCANCEL);
        EnterFailureMode();
    }
    return true;
}

bool RejectLogin(HWND window) {
    ReportError("Пароль не принят!");
    SupervisorFlags |= PasswordRejected;
    PressDialogButton(window, SendMode::BlockOneSecond, IDCANCEL);
    return true;
}

// Once the run has failed, the lock message is left alone.
bool GiveUpOnLock(HWND window) {
    if (SupervisorFlags & Failed) return false;
    ReportError("Конфигуратор уже где-то запущен!");
    EnterFailureMode();
    PressDialogButton(window, SendMode::ThenFailAndFinish, IDCANCEL);
    return true;
}

// The row's button for the run as it stands.
int RowButton(const DialogRule& row) { return DialogState.failureMode ? row.failureButton : row.button; }

// Presses the row's button (or its second candidate); the id to report.
int PressRowButton(HWND dialog, const DialogRule& row) {
    return PressDialogButton(dialog, row.mode, RowButton(row), row.orElse);
}

// Presses and writes the row's text with the caption.
void Acknowledge(HWND dialog, const DialogRule& row) {
    int pressed = PressRowButton(dialog, row);
    ReportInfo("%s \n =%s=", row.text, ButtonCaption(pressed).c_str());
}

}  // namespace

bool AnswerStartupWindow(HWND window, const std::string& title) {
    for (const StartupRule& rule : StartupRules) {
        bool known = rule.knownBy == KnownBy::Title ? title == rule.text : HasStaticText(window, rule.text);
        if (known && rule.respond(window)) return true;
    }
    return false;
}

void DispatchDialog(HWND dialog) {
    const std::string text = MessageText(dialog);
    for (const DialogRule& row : DialogRuleTable) {
        if (text == row.text) {
            row.respond(dialog, row);
            return;
        }
    }
    FallbackRule.respond(dialog, FallbackRule);
}

void ResetDialogRules() { DialogState = DialogRunState{}; }

void RequestExit() {
    SupervisorFlags |= Finished;
    PendingCommand = ExitCommand;
}

void EnterFailureMode() {
    DialogState.failureMode = true;
    SupervisorFlags |= Failed;
    RequestExit();
}

void UseConfigPassword() { DialogState.password = PromptPassword::Config; }

void UseNewConfigPassword() { DialogState.password = PromptPassword::NewConfig; }

// Only the caption reaches the console, never the password.
void EnterPassword(HWND dialog, const DialogRule& row) {
    const bool useNew = DialogState.password == PromptPassword::NewConfig;
    SetEditText(dialog, useNew ? Settings.NewConfigPassword : Settings.ConfigPassword, "Edit");
    int pressed = PressRowButton(dialog, row);
    ReportInfo("Ввод пароля... %s", ButtonCaption(pressed).c_str());
}

void HandleWrongPassword(HWND dialog, const DialogRule& row) {
    if (!(SupervisorFlags & PasswordRejected)) ReportError("Пароль не принят!");
    EnterFailureMode();
    // Set before the press: the completion of the password press may run inside it and
    // must then cancel the prompt.
    SupervisorFlags |= PasswordRejected;
    PressRowButton(dialog, row);
}

// ForceReplace wins over Merge; with neither the run fails.
void ResolveNotDescendant(HWND dialog, const DialogRule&) {
    ReportError("Загружаемая конфигурация не потомок текущей!");
    if (Settings.ForceReplace != 0) {
        ReportInfo("  Все равно записываем.");
        PressDialogButton(dialog, SendMode::BlockOneSecond, IDYES);
    } else if (Settings.Merge != 0) {
        ReportInfo("  Объединяем.");
        UseConfigPassword();
        PendingCommand = MergeConfigurationsCommand;
        PressDialogButton(dialog, SendMode::WaitBounded, IDNO);
    } else {
        EnterFailureMode();
        ReportInfo("  Выходим.");
        PressDialogButton(dialog, SendMode::NothingFollows, IDNO);
    }
}

void AnswerSaveMetadata(HWND dialog, const DialogRule& row) {
    int pressed = PressRowButton(dialog, row);
    ReportInfo("Сохранить конфигурацию?\n =%s=", ButtonCaption(pressed).c_str());
}

void EnterConfigurationFile(HWND dialog, const DialogRule& row) {
    UseNewConfigPassword();
    SetEditText(dialog, Settings.NewMDPath, "Edit");
    int pressed = PressRowButton(dialog, row);
    ReportInfo("Открываем файл конфигурации: %s\n =%s=", Settings.NewMDPath.c_str(),
               ButtonCaption(pressed).c_str());
}

void ConfirmMerge(HWND dialog, const DialogRule& row) {
    int pressed = PressRowButton(dialog, row);
    ReportInfo(" =%s=", ButtonCaption(pressed).c_str());
}

void AbortOnError(HWND dialog, const DialogRule& row) {
    ReportError("%s", row.text);
    PressRowButton(dialog, row);
    EnterFailureMode();
}

void AcceptStructureChanges(HWND dialog, const DialogRule& row) {
    ReportInfo("%s", row.text);
    // A vanished dialog must not turn into a search of the desktop's top-level windows.
    HWND list = IsWindow(dialog) ? FindWindowExA(dialog, nullptr, "ListBox", nullptr) : nullptr;
    if (list) {
        PROFILE_SPAN(Listing);
        // Each item is bounded, but a slow configurator with a long list must not hold the
        // run past its time limit.
        ReadListBoxItems(
            list, [](const std::string& item) { ReportInfo("   ** %s", ShownText(item).c_str()); }, DeadlinePassed);
    }
    // The configurator is about to be terminated: changes accepted now would start a
    // restructuring only for it to be cut off.
    if (DeadlinePassed()) return;
    ReportInfo(" =ПРИНИМАЕМ=\n");
    PressRowButton(dialog, row);
}

// The end of a restructuring: the supervision loop decides when the configurator closes.
void AcknowledgeFinishedWork(HWND dialog, const DialogRule& row) {
    Acknowledge(dialog, row);
    SupervisorFlags |= Finished;
}

// Identical configurations: nothing is loaded, so the configurator is closed at once.
void AcknowledgeNothingToDo(HWND dialog, const DialogRule& row) {
    Acknowledge(dialog, row);
    RequestExit();
}

// Found again (after a message box over it has closed, say), it is left alone.
void EnterUnloadFile(HWND dialog, const DialogRule& row) {
    if (DialogState.unloadAnswered) return;
    DialogState.unloadAnswered = true;
    DialogState.unloadBefore = LookAtUnloadFile();
    SetEditText(dialog, Settings.DownloadTo, "ComboBox");
    ReportInfo("Выгрузка в файл: %s", Settings.DownloadTo.c_str());
    PressRowButton(dialog, row);
}

// Merge 2 merges whatever the Update test said (a NewMDPath of NUL has turned Merge off).
// Nothing is loaded or merged on a backup that is not there, is old or does not read back:
// the run fails as on the configurator's own errors, and says that the infobase is as it was.
// The configurator may hold its file until this box is answered: then the box is answered
// first, and the file is tried again for a while; nothing is queued before the check is over.
void ContinueAfterUnload(HWND dialog, const DialogRule& row) {
    ReportInfo("Выгрузка завершена!");
    bool answered = false;
    TickCountdown holding(HeldUnloadWaitMs);
    auto waitForHolder = [&] {
        if (!answered) {
            PressRowButton(dialog, row);
            answered = true;
        }
        const DWORD pause = holding.NextSlice(HeldUnloadRetryMs);
        if (pause == 0 || DeadlinePassed()) return false;
        PauseDeliveringCompletions(pause);
        return true;
    };
    if (!UnloadFileInOrder(DeadlinePassed, DialogState.unloadBefore, waitForHolder)) {
        ReportInfo("В информационную базу ничего не загружено: выгрузка не прошла проверку");
        EnterFailureMode();
    } else if (Settings.Merge == 2) {
        PendingCommand = MergeConfigurationsCommand;
    } else if (LoadWanted) {
        PendingCommand = LoadConfigurationCommand;
    } else {
        RequestExit();
    }
    if (!answered) PressRowButton(dialog, row);
}

void AnswerUnknownDialog(HWND dialog, const DialogRule& row) {
    LogUnknownWindow(dialog);
    std::string description = DescribeWindow(dialog);
    int pressed = PressDialogButton(dialog, row.mode, RowButton(row), row.orElse, DefaultButtonId(dialog));
    ReportInfo("%s \n =%s=", description.c_str(), ButtonCaption(pressed).c_str());
}
