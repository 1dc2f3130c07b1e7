#include "automation/dialog_rules.h"

#include <cstring>
#include <string>

#include "automation/shared_words.h"
#include "automation/window_tools.h"
#include "common/profile.h"
#include "run/console.h"
#include "settings/run_settings.h"

namespace {

// Positions of the rows that other rows' routines rewrite.
constexpr int PasswordPromptRow = 0;
constexpr int SaveMetadataShortRow = 3;
constexpr int SaveMetadataLongRow = 4;
constexpr int FileChooserRow = 5;
constexpr int RowCount = 14;

struct RuleRows {
    DialogRule row[RowCount];
};

// The table as it is at the start of a run. Texts are exactly the configurator's: line
// breaks are single line feeds, and the doubled blanks in rows 4 and 5 are its own.
constexpr RuleRows StartOfRun{{
    {"Введите пароль:", EnterConfigPassword, 1},
    {"Пароль набран неверно.", HandleWrongPassword, 2},
    {"ВНИМАНИЕ:\n"
     "Выбранный файл конфигурации не является потомком данного файла!!!\n"
     "При реструктуризации может произойти разрушение данных!!!\n"
     "Продолжить?",
     ResolveNotDescendant, 0},
    {"При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
     "в случае необходимости, реорганизация информационной базы,\n"
     "что может потребовать  достаточно продолжительного интервала времени!\n"
     "Выполнить сохранение метаданных?",
     AnswerSaveMetadata, 6},
    {"При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
     "в случае необходимости, реорганизация информационной базы,\n"
     "что может потребовать  достаточно продолжительного интервала времени!\n"
     "\n"
     "При выполнении реструктуризации не поддерживается целостность журнала транзакций.\n"
     "Рекомендуется выполнить дамп всей базы данных или журнала транзакций!\n"
     "\n"
     "Выполнить сохранение метаданных?",
     AnswerSaveMetadata, 6},
    {"Открыть файл конфигурации", EnterConfigurationFile, 1},
    {"Ошибка блокировки метаданных.\nВозможно, метаданные используются другой задачей.", AbortOnError, 0},
    {"База данных не может быть открыта в однопользовательском режиме!", AbortOnError, 0},
    {"Изменения в структуре информации", AcceptStructureChanges, 0},
    {"Реорганизация информации закончена!", AcknowledgeCompletion, 0},
    {"Конфигурации идентичны!!!", AcknowledgeCompletion, 1},
    {"Объединение конфигураций", ConfirmMerge, 1},
    {"Выгрузка данных", EnterUnloadFile, 1},
    {"Выгрузка успешно завершена!", ContinueAfterUnload, 0},
}};

RuleRows Rules = StartOfRun;

}  // namespace

DialogRule* DialogRuleTable[] = {
    &Rules.row[0], &Rules.row[1], &Rules.row[2],  &Rules.row[3],  &Rules.row[4],
    &Rules.row[5], &Rules.row[6], &Rules.row[7],  &Rules.row[8],  &Rules.row[9],
    &Rules.row[10], &Rules.row[11], &Rules.row[12], &Rules.row[13], nullptr,
};

DialogRule FallbackRule{"", AnswerUnknownDialog, 0};

void ResetDialogRules() {
    Rules = StartOfRun;
    FallbackRule = DialogRule{"", AnswerUnknownDialog, 0};
}

void DispatchDialog(HWND dialog) {
    std::string text = MessageText(dialog);
    for (DialogRule** rule = DialogRuleTable; *rule; ++rule) {
        const char* known = (*rule)->text;
        if (text.size() == std::strlen(known) && text.compare(known) == 0) {
            (*rule)->routine(dialog, *rule);
            return;
        }
    }
    FallbackRule.routine(dialog, &FallbackRule);
}

void RequestExit() {
    SupervisorFlags |= Finished;
    PendingCommand = ExitCommand;
}

void EnterFailureMode() {
    Rules.row[PasswordPromptRow].parameter = IDCANCEL;
    Rules.row[FileChooserRow].parameter = IDCANCEL;
    Rules.row[SaveMetadataShortRow].parameter = IDNO;
    Rules.row[SaveMetadataLongRow].parameter = IDNO;
    SupervisorFlags |= Failed;
    RequestExit();
}

void UseConfigPassword() {
    Rules.row[PasswordPromptRow].routine = EnterConfigPassword;
}

void UseNewConfigPassword() {
    Rules.row[PasswordPromptRow].routine = EnterNewConfigPassword;
}

namespace {

// Types the password and presses the row's button; only the caption reaches the console.
void EnterPassword(HWND dialog, DialogRule* row, const std::string& password) {
    SetEditText(dialog, password, "Edit");
    int pressed = PressDialogButton(dialog, SendMode::ThenCancelIfRejected, row->parameter);
    ReportInfo("Ввод пароля... %s", ButtonCaption(pressed).c_str());
}

}  // namespace

void EnterConfigPassword(HWND dialog, DialogRule* row) {
    EnterPassword(dialog, row, Settings.ConfigPassword);
}

void EnterNewConfigPassword(HWND dialog, DialogRule* row) {
    EnterPassword(dialog, row, Settings.NewConfigPassword);
}

void HandleWrongPassword(HWND dialog, DialogRule*) {
    if (!(SupervisorFlags & PasswordRejected)) ReportError("Пароль не принят!");
    EnterFailureMode();
    // Set before the press: the completion of the password press may run inside it and
    // must then cancel the prompt.
    SupervisorFlags |= PasswordRejected;
    PressDialogButton(dialog, SendMode::WaitBounded, IDCANCEL);
}

void ResolveNotDescendant(HWND dialog, DialogRule*) {
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

void AnswerSaveMetadata(HWND dialog, DialogRule* row) {
    int pressed = PressDialogButton(dialog, SendMode::BlockOneSecond, row->parameter);
    ReportInfo("Сохранить конфигурацию?\n =%s=", ButtonCaption(pressed).c_str());
}

void EnterConfigurationFile(HWND dialog, DialogRule* row) {
    UseNewConfigPassword();
    SetEditText(dialog, Settings.NewMDPath, "Edit");
    int pressed = PressDialogButton(dialog, SendMode::BlockOneSecond, row->parameter);
    ReportInfo("Открываем файл конфигурации: %s\n =%s=", Settings.NewMDPath.c_str(),
               ButtonCaption(pressed).c_str());
}

void ConfirmMerge(HWND dialog, DialogRule* row) {
    int pressed = PressDialogButton(dialog, SendMode::BlockOneSecond, row->parameter);
    ReportInfo(" =%s=", ButtonCaption(pressed).c_str());
}

void AbortOnError(HWND dialog, DialogRule* row) {
    ReportError("%s", row->text);
    PressDialogButton(dialog, SendMode::WaitBounded, IDCANCEL);
    EnterFailureMode();
}

void AcceptStructureChanges(HWND dialog, DialogRule* row) {
    ReportInfo("%s", row->text);
    // A vanished dialog must not turn into a search of the desktop's top-level windows.
    HWND list = IsWindow(dialog) ? FindWindowExA(dialog, nullptr, "ListBox", nullptr) : nullptr;
    if (list) {
        PROFILE_SPAN(Listing);
        // Each item is bounded, but a slow configurator with a long list must not hold the
        // run past its time limit.
        ReadListBoxItems(
            list, [](const std::string& item) { ReportInfo("   ** %s", item.c_str()); }, DeadlinePassed);
    }
    // The configurator is about to be terminated: changes accepted now would start a
    // restructuring only for it to be cut off.
    if (DeadlinePassed()) return;
    ReportInfo(" =ПРИНИМАЕМ=\n");
    PressDialogButton(dialog, SendMode::BlockOneSecond, IDOK);
}

void AcknowledgeCompletion(HWND dialog, DialogRule* row) {
    int pressed = PressDialogButton(dialog, SendMode::BlockOneSecond, IDOK, IDCANCEL);
    ReportInfo("%s \n =%s=", row->text, ButtonCaption(pressed).c_str());
    if (row->parameter != 0) PendingCommand = ExitCommand;
    SupervisorFlags |= Finished;
}

void EnterUnloadFile(HWND dialog, DialogRule* row) {
    if (row->parameter == 0) return;
    row->parameter = 0;
    SetEditText(dialog, Settings.DownloadTo, "ComboBox");
    ReportInfo("Выгрузка в файл: %s", Settings.DownloadTo.c_str());
    PressDialogButton(dialog, SendMode::BlockOneSecond, IDOK);
}

void ContinueAfterUnload(HWND dialog, DialogRule*) {
    ReportInfo("Выгрузка завершена!");
    if (Settings.Merge == 2)
        PendingCommand = MergeConfigurationsCommand;
    else if (LoadWanted)
        PendingCommand = LoadConfigurationCommand;
    else
        RequestExit();
    PressDialogButton(dialog, SendMode::BlockOneSecond, IDCANCEL);
}

void AnswerUnknownDialog(HWND dialog, DialogRule*) {
    std::string description = DescribeWindow(dialog);
    int pressed = PressDialogButton(dialog, SendMode::BlockOneSecond, IDOK, IDCANCEL, DefaultButtonId(dialog));
    ReportInfo("%s \n =%s=", description.c_str(), ButtonCaption(pressed).c_str());
}
