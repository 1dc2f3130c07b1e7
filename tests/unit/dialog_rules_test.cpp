// The dialog rule table against real dialogs: recognition by exact text, the answer and
// the console lines of every row, failure mode, the password switch and the fall-back. The
// configurator's texts come from the stand-in's own copy, never from the tool's.
#include <windows.h>

#include <algorithm>
#include <iterator>

#include <gtest/gtest.h>

#include "automation/dialog_rules.h"
#include "automation/shared_words.h"
#include "automation/window_tools.h"
#include "settings/run_settings.h"
#include "standin/texts.h"
#include "tests/support/files.h"
#include "tests/support/hosted_dialog.h"
#include "tests/support/stdout_capture.h"
#include "tests/support/test_dialog.h"

namespace {

ControlSpec Button(int id) { return {"Button", id, "Кнопка", BS_PUSHBUTTON}; }
ControlSpec Edit(int id) { return {"Edit", id, "", ES_AUTOHSCROLL | WS_BORDER}; }
ControlSpec Static(int id, const std::string& text) { return {"Static", id, text, SS_LEFT}; }
ControlSpec ComboBox(int id) { return {"ComboBox", id, "", CBS_DROPDOWN}; }
ControlSpec ListBox(int id) { return {"ListBox", id, "", WS_VSCROLL}; }

// A message box: its text in the 0xFFFF static, and the buttons.
DialogSpec Box(const std::string& text, std::vector<int> buttons) {
    DialogSpec spec;
    spec.caption = MessageBoxTitle;
    spec.controls.push_back(Static(MessageBoxTextId, text));
    for (int id : buttons) spec.controls.push_back(Button(id));
    return spec;
}

// A dialog known by its title.
DialogSpec Titled(const std::string& title, std::vector<ControlSpec> controls) {
    DialogSpec spec;
    spec.caption = title;
    spec.controls = std::move(controls);
    return spec;
}

HWND VanishedWindow() {
    TestDialog dialog(Box("Исчезает", {2}));
    HWND window = dialog.window();
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(dialog.WaitClosed());
    return window;
}

std::string CrLf(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}

class DialogRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings = RunSettings{};
        Settings.ConfigPassword = "Секрет-1";
        Settings.NewConfigPassword = "Новый;секрет 2";
        Settings.NewMDPath = "C:\\Новая конфигурация\\1cv7.md";
        Settings.DownloadTo = "D:\\Архив\\выгрузка 2026.zip";
        PendingCommand = 0;
        SupervisorFlags = 0;
        LoadWanted = 1;
        ResetDialogRules();
    }
    void TearDown() override { ResetDialogRules(); }

    // Dispatches the window; the console output with the stamps taken off.
    std::string Dispatch(HWND window) {
        StdoutCapture capture;
        DispatchDialog(window);
        int stamps = 0;
        std::string out = WithoutStamps(capture.Finish(), &stamps);
        lastLineCount = stamps;
        return out;
    }

    // Expects exactly these presses, after the asynchronous ones have arrived.
    static void ExpectPressed(const TestDialog& dialog, std::vector<int> ids) {
        if (!ids.empty()) {
            EXPECT_TRUE(dialog.WaitProcessed(ids.back()));
        }
        PauseDeliveringCompletions(100);
        EXPECT_EQ(dialog.CommandIds(), ids);
    }

    static std::string TextAtPress(const TestDialog& dialog, int control) {
        std::vector<CommandEvent> events = dialog.Events();
        if (events.empty()) return "<no press>";
        auto text = events.front().texts.find(control);
        return text == events.front().texts.end() ? "<no control>" : text->second;
    }

    int lastLineCount = 0;
};

// --- The table itself -----------------------------------------------------------------

TEST_F(DialogRulesTest, TableHoldsTheFourteenRowsInOrder) {
    struct Row {
        std::string text;
        Response respond;
        int button, failureButton, orElse;
        SendMode mode;
    };
    const SendMode wait = SendMode::WaitBounded, second = SendMode::BlockOneSecond;
    // Failure mode changes the answers of rows 1, 4, 5 and 6 only.
    const std::vector<Row> rows = {
        {PasswordPromptText, EnterPassword, IDOK, IDCANCEL, 0, SendMode::ThenCancelIfRejected},
        {WrongPasswordText, HandleWrongPassword, IDCANCEL, IDCANCEL, 0, wait},
        {NotDescendantText, ResolveNotDescendant, 0, 0, 0, wait},
        {SaveQuestionShortText, AnswerSaveMetadata, IDYES, IDNO, 0, second},
        {SaveQuestionLongText, AnswerSaveMetadata, IDYES, IDNO, 0, second},
        {OpenConfigurationFileText, EnterConfigurationFile, IDOK, IDCANCEL, 0, second},
        {MetadataLockedText, AbortOnError, IDCANCEL, IDCANCEL, 0, wait},
        {NoSingleUserText, AbortOnError, IDCANCEL, IDCANCEL, 0, wait},
        {StructureChangesText, AcceptStructureChanges, IDOK, IDOK, 0, second},
        {RestructuringDoneText, AcknowledgeFinishedWork, IDOK, IDOK, IDCANCEL, second},
        {ConfigurationsIdenticalText, AcknowledgeNothingToDo, IDOK, IDOK, IDCANCEL, second},
        {MergeConfigurationsText, ConfirmMerge, IDOK, IDOK, 0, second},
        {UnloadDataText, EnterUnloadFile, IDOK, IDOK, 0, second},
        {UnloadSucceededText, ContinueAfterUnload, IDCANCEL, IDCANCEL, 0, second},
    };
    ASSERT_EQ(std::size(DialogRuleTable), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DialogRule& rule = DialogRuleTable[i];
        EXPECT_EQ(HexOf(rule.text), HexOf(rows[i].text)) << "row " << i + 1;
        EXPECT_EQ(rule.respond, rows[i].respond) << "row " << i + 1;
        EXPECT_EQ(rule.button, rows[i].button) << "row " << i + 1;
        EXPECT_EQ(rule.failureButton, rows[i].failureButton) << "row " << i + 1;
        EXPECT_EQ(rule.orElse, rows[i].orElse) << "row " << i + 1;
        EXPECT_TRUE(rule.mode == rows[i].mode) << "row " << i + 1;
    }
    EXPECT_STREQ(FallbackRule.text, "");
    EXPECT_EQ(FallbackRule.respond, AnswerUnknownDialog);
    EXPECT_EQ(FallbackRule.button, IDOK);
    EXPECT_EQ(FallbackRule.failureButton, IDOK);
    EXPECT_EQ(FallbackRule.orElse, IDCANCEL);
    EXPECT_TRUE(FallbackRule.mode == second);
}

TEST_F(DialogRulesTest, ResetPutsTheRunStateBackToTheStartOfARun) {
    EnterFailureMode();
    UseNewConfigPassword();
    DialogState.unloadAnswered = true;
    ResetDialogRules();
    EXPECT_FALSE(DialogState.failureMode);
    EXPECT_EQ(DialogState.password, PromptPassword::Config);
    EXPECT_FALSE(DialogState.unloadAnswered);
}

// --- Each row recognised and answered -------------------------------------------------

TEST_F(DialogRulesTest, PasswordPromptGetsTheConfigPasswordAndOk) {
    TestDialog prompt(Titled(PasswordPromptText, {Edit(100), Button(1), Button(2)}));
    std::string out = Dispatch(prompt.window());
    EXPECT_EQ(out, ExpectedConsole({"Ввод пароля... OK"}));
    ExpectPressed(prompt, {IDOK});
    EXPECT_EQ(TextAtPress(prompt, 100), "Секрет-1");
    EXPECT_EQ(out.find(OemBytes("Секрет")), std::string::npos) << "passwords are never printed";
    EXPECT_EQ(SupervisorFlags, 0u);
    EXPECT_EQ(PendingCommand, 0u);
}

TEST_F(DialogRulesTest, WrongPasswordIsWrittenOnceAndCancelledEveryTime) {
    TestDialog first(Box(WrongPasswordText, {2}));
    EXPECT_EQ(Dispatch(first.window()), ExpectedConsole({"ОШИБКА! Пароль не принят!"}));
    ExpectPressed(first, {IDCANCEL});
    EXPECT_EQ(SupervisorFlags, PasswordRejected | Failed | Finished);
    EXPECT_EQ(PendingCommand, ExitCommand);

    PendingCommand = 0;
    TestDialog second(Box(WrongPasswordText, {2}));
    EXPECT_EQ(Dispatch(second.window()), "");
    ExpectPressed(second, {IDCANCEL});
    EXPECT_EQ(PendingCommand, ExitCommand) << "failure mode entered again queues the exit again";
}

TEST_F(DialogRulesTest, WrongPasswordAfterTheLoginWasRejectedWritesNothing) {
    SupervisorFlags = PasswordRejected;
    TestDialog box(Box(WrongPasswordText, {2}));
    EXPECT_EQ(Dispatch(box.window()), "");
    ExpectPressed(box, {IDCANCEL});
    EXPECT_EQ(SupervisorFlags, PasswordRejected | Failed | Finished);
}

TEST_F(DialogRulesTest, NotDescendantWithForceReplaceWritesAnyway) {
    for (int merge : {0, 1, 2}) {
        SetUp();
        Settings.ForceReplace = 1;
        Settings.Merge = merge;
        TestDialog box(Box(NotDescendantText, {6, 7}));
        EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"ОШИБКА! Загружаемая конфигурация не потомок текущей!",
                                                           "  Все равно записываем."}))
            << "Merge " << merge;
        ExpectPressed(box, {IDYES});
        EXPECT_EQ(PendingCommand, 0u) << "no merge queued: ForceReplace wins";
        EXPECT_EQ(SupervisorFlags, 0u);
    }
}

TEST_F(DialogRulesTest, NotDescendantWithMergeQueuesTheMerge) {
    for (int merge : {1, 2}) {
        SetUp();
        Settings.Merge = merge;
        UseNewConfigPassword();
        TestDialog box(Box(NotDescendantText, {6, 7}));
        EXPECT_EQ(Dispatch(box.window()),
                  ExpectedConsole({"ОШИБКА! Загружаемая конфигурация не потомок текущей!", "  Объединяем."}));
        ExpectPressed(box, {IDNO});
        EXPECT_EQ(PendingCommand, MergeConfigurationsCommand);
        EXPECT_EQ(SupervisorFlags, 0u);
        EXPECT_EQ(DialogState.password, PromptPassword::Config);
    }
}

TEST_F(DialogRulesTest, NotDescendantOtherwiseFailsTheRun) {
    TestDialog box(Box(NotDescendantText, {6, 7}));
    EXPECT_EQ(Dispatch(box.window()),
              ExpectedConsole({"ОШИБКА! Загружаемая конфигурация не потомок текущей!", "  Выходим."}));
    ExpectPressed(box, {IDNO});
    EXPECT_EQ(SupervisorFlags, Failed | Finished);
    EXPECT_EQ(PendingCommand, ExitCommand);
}

TEST_F(DialogRulesTest, SaveQuestionsAreAnsweredYes) {
    for (const std::string question : {SaveQuestionShortText, SaveQuestionLongText}) {
        TestDialog box(Box(question, {6, 7}));
        EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"Сохранить конфигурацию?\n =ДА="}));
        ExpectPressed(box, {IDYES});
    }
    EXPECT_EQ(SupervisorFlags, 0u);
    EXPECT_EQ(PendingCommand, 0u);
}

TEST_F(DialogRulesTest, FileChooserGetsThePathAndOk) {
    TestDialog chooser(Titled(OpenConfigurationFileText, {Edit(100), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(chooser.window()),
              ExpectedConsole({"Открываем файл конфигурации: C:\\Новая конфигурация\\1cv7.md\n =OK="}));
    ExpectPressed(chooser, {IDOK});
    EXPECT_EQ(TextAtPress(chooser, 100), "C:\\Новая конфигурация\\1cv7.md");
    EXPECT_EQ(SupervisorFlags, 0u);
}

TEST_F(DialogRulesTest, KnownErrorsFailTheRun) {
    for (const std::string error : {MetadataLockedText, NoSingleUserText}) {
        SetUp();
        TestDialog box(Box(error, {2}));
        EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"ОШИБКА! " + error}));
        ExpectPressed(box, {IDCANCEL});
        EXPECT_EQ(SupervisorFlags, Failed | Finished);
        EXPECT_EQ(PendingCommand, ExitCommand);
        EXPECT_TRUE(DialogState.failureMode);
    }
}

TEST_F(DialogRulesTest, StructureChangesAreListedItemByItemAndAccepted) {
    DialogSpec spec = Titled(StructureChangesText, {Static(100, "Изменения:"), ListBox(101), Button(1), Button(2)});
    spec.listItems = {"Справочник Номенклатура: добавлен реквизит Артикул", "", "Документ  Приход: изменён %s %d"};
    TestDialog dialog(spec);
    EXPECT_EQ(Dispatch(dialog.window()),
              ExpectedConsole({"Изменения в структуре информации",
                               "   ** Справочник Номенклатура: добавлен реквизит Артикул", "   ** ",
                               "   ** Документ  Приход: изменён %s %d", " =ПРИНИМАЕМ=\n"}));
    EXPECT_EQ(lastLineCount, 5);
    ExpectPressed(dialog, {IDOK});
}

TEST_F(DialogRulesTest, StructureChangesWithoutItemsOrWithoutAList) {
    TestDialog empty(Titled(StructureChangesText, {ListBox(101), Button(1)}));
    EXPECT_EQ(Dispatch(empty.window()), ExpectedConsole({"Изменения в структуре информации", " =ПРИНИМАЕМ=\n"}));
    ExpectPressed(empty, {IDOK});

    TestDialog noList(Titled(StructureChangesText, {Button(1)}));
    EXPECT_EQ(Dispatch(noList.window()), ExpectedConsole({"Изменения в структуре информации", " =ПРИНИМАЕМ=\n"}));
    ExpectPressed(noList, {IDOK});
}

TEST_F(DialogRulesTest, StructureChangesOfAnotherProcessArePrintedByteForByte) {
    DialogSpec spec = Titled(StructureChangesText, {ListBox(101), Button(1)});
    std::string longItem;
    while (longItem.size() < 3000) longItem += "Реквизит «Сумма» документа РасходнаяНакладная: длина 15 - 17; ";
    spec.listItems = {longItem, "Ёлка ёжик ЯЧСМИТЬБЮ ячсмитьбю", "Перечисление Валюты: удалено значение"};
    HostedDialog host(WINDOW_HOST_EXE, spec);
    ASSERT_TRUE(host.started());
    std::string out = Dispatch(host.window());
    std::vector<std::string> expected = {"Изменения в структуре информации"};
    for (const std::string& item : spec.listItems) expected.push_back("   ** " + item);
    expected.push_back(" =ПРИНИМАЕМ=\n");
    EXPECT_EQ(HexOf(out), HexOf(ExpectedConsole(expected)));
    ASSERT_TRUE(host.WaitExit(10000));
    ASSERT_EQ(host.Commands().size(), 1u);
    EXPECT_EQ(host.Commands()[0].id, IDOK);
}

TEST_F(DialogRulesTest, EndOfRestructuringMarksTheWorkFinished) {
    TestDialog cancelOnly(Box(RestructuringDoneText, {2}));
    EXPECT_EQ(Dispatch(cancelOnly.window()), ExpectedConsole({"Реорганизация информации закончена! \n =OK="}));
    ExpectPressed(cancelOnly, {IDCANCEL});
    EXPECT_EQ(SupervisorFlags, Finished);
    EXPECT_EQ(PendingCommand, 0u) << "the loop decides when to close";

    TestDialog both(Box(RestructuringDoneText, {1, 2}));
    EXPECT_EQ(Dispatch(both.window()), ExpectedConsole({"Реорганизация информации закончена! \n =OK="}));
    ExpectPressed(both, {IDOK});
}

TEST_F(DialogRulesTest, IdenticalConfigurationsQueueTheExit) {
    TestDialog box(Box(ConfigurationsIdenticalText, {1}));
    EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"Конфигурации идентичны!!! \n =OK="}));
    ExpectPressed(box, {IDOK});
    EXPECT_EQ(SupervisorFlags, Finished);
    EXPECT_EQ(PendingCommand, ExitCommand);
}

TEST_F(DialogRulesTest, MergeDialogIsConfirmed) {
    TestDialog dialog(Titled(MergeConfigurationsText, {Static(100, "Объединить?"), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(dialog.window()), ExpectedConsole({" =OK="}));
    ExpectPressed(dialog, {IDOK});
}

TEST_F(DialogRulesTest, UnloadDialogIsAnsweredOnce) {
    TestDialog first(Titled(UnloadDataText, {Static(100, "Файл:"), ComboBox(101), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(first.window()), ExpectedConsole({"Выгрузка в файл: D:\\Архив\\выгрузка 2026.zip"}));
    ExpectPressed(first, {IDOK});
    EXPECT_EQ(TextAtPress(first, 101), "D:\\Архив\\выгрузка 2026.zip");

    TestDialog again(Titled(UnloadDataText, {Static(100, "Файл:"), ComboBox(101), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(again.window()), "");
    ExpectPressed(again, {});
    EXPECT_EQ(WindowText(again.control(101)), "") << "nothing typed";
}

TEST_F(DialogRulesTest, UnloadDoneChoosesTheNextStep) {
    struct Case {
        int merge;
        int loadWanted;
        std::uint32_t pending;
        std::uint32_t flags;
    };
    const std::string unload = support::TempRoot() + "\\cfgload-rules-unload-" + std::to_string(GetCurrentProcessId()) + ".zip";
    ASSERT_TRUE(support::WriteWholeFile(unload, "PK"));
    for (const Case& c : {Case{0, 1, LoadConfigurationCommand, 0}, Case{1, 1, LoadConfigurationCommand, 0},
                          Case{2, 1, MergeConfigurationsCommand, 0}, Case{2, 0, MergeConfigurationsCommand, 0},
                          Case{0, 0, ExitCommand, Finished}, Case{1, 0, ExitCommand, Finished}}) {
        SetUp();
        Settings.DownloadTo = unload;
        Settings.Merge = c.merge;
        LoadWanted = c.loadWanted;
        TestDialog box(Box(UnloadSucceededText, {2}));
        EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"Выгрузка завершена!"}));
        ExpectPressed(box, {IDCANCEL});
        EXPECT_EQ(PendingCommand, c.pending) << "Merge " << c.merge << ", LoadWanted " << c.loadWanted;
        EXPECT_EQ(SupervisorFlags, c.flags) << "Merge " << c.merge << ", LoadWanted " << c.loadWanted;
    }
    DeleteFileA(unload.c_str());
}

// An unload file that another program holds open to the end: the box is answered first, the
// file tried again for a few seconds, then the run fails with the system's text.
TEST_F(DialogRulesTest, UnloadFileHeldToTheEndFailsAfterTheBox) {
    const std::string unload = support::TempRoot() + "\\cfgload-rules-held-" + std::to_string(GetCurrentProcessId()) + ".zip";
    ASSERT_TRUE(support::WriteWholeFile(unload, "PK"));
    HANDLE held = CreateFileA(unload.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Settings.DownloadTo = unload;
    TestDialog box(Box(UnloadSucceededText, {2}));
    const std::string out = Dispatch(box.window());
    const ULONGLONG ended = GetTickCount64();
    CloseHandle(held);
    DeleteFileA(unload.c_str());
    EXPECT_NE(out.find(OemBytes("ОШИБКА! Не могу прочитать файл выгрузки [" + unload + "]: (32) ")), std::string::npos)
        << out;
    EXPECT_NE(out.find(OemBytes("В информационную базу ничего не загружено: выгрузка не прошла проверку\r\n")),
              std::string::npos);
    ExpectPressed(box, {IDCANCEL});
    const std::vector<CommandEvent> presses = box.Events();
    ASSERT_FALSE(presses.empty());
    EXPECT_GE(ended - presses.front().received, 4000u) << "the box is answered before the file is waited for";
    EXPECT_LT(ended - presses.front().received, 8000u) << "the wait has its end";
    EXPECT_EQ(PendingCommand, ExitCommand);
    EXPECT_EQ(SupervisorFlags, Failed | Finished);
}

// No unload file (a relative name is looked for in the infobase folder): nothing loaded or
// merged, the run fails and the configurator is closed.
TEST_F(DialogRulesTest, UnloadDoneWithoutTheFileFails) {
    for (int merge : {0, 2}) {
        SetUp();
        Settings.Merge = merge;
        Settings.BasePath = support::TempRoot();
        Settings.DownloadTo = "cfgload-no-such-unload.zip";
        TestDialog box(Box(UnloadSucceededText, {2}));
        EXPECT_EQ(Dispatch(box.window()),
                  ExpectedConsole({"Выгрузка завершена!",
                                   "ОШИБКА! Файл выгрузки [" + support::TempRoot() + "\\cfgload-no-such-unload.zip] не найден",
                                   "В информационную базу ничего не загружено: выгрузка не прошла проверку"}));
        ExpectPressed(box, {IDCANCEL});
        EXPECT_EQ(PendingCommand, ExitCommand);
        EXPECT_EQ(SupervisorFlags, Failed | Finished);
    }
}

// --- Near misses get the fall-back ----------------------------------------------------

TEST_F(DialogRulesTest, TextsThatDifferInTheSmallestWayAreNotRecognised) {
    auto oneBlank = [](std::string text, const std::string& twoBlanks) {
        std::size_t at = text.find(twoBlanks);
        EXPECT_NE(at, std::string::npos);
        return text.replace(at, twoBlanks.size(), std::string(twoBlanks).erase(twoBlanks.find("  "), 1));
    };
    const std::vector<std::string> nearMisses = {
        std::string(WrongPasswordText) + " ",
        "пароль набран неверно.",
        "ВЫГРУЗКА УСПЕШНО ЗАВЕРШЕНА!",
        "Выгрузка успешно завершена! ",
        " " + std::string(ConfigurationsIdenticalText),
        oneBlank(SaveQuestionShortText, "сделанных  изменений"),
        oneBlank(SaveQuestionShortText, "потребовать  достаточно"),
        oneBlank(SaveQuestionLongText, "сделанных  изменений"),
        oneBlank(SaveQuestionLongText, "потребовать  достаточно"),
        CrLf(NotDescendantText),
        CrLf(SaveQuestionLongText),
        CrLf(MetadataLockedText),
        std::string(NoSingleUserText, sizeof NoSingleUserText - 2),
    };
    for (const std::string& text : nearMisses) {
        SetUp();
        TestDialog box(Box(text, {2}));
        EXPECT_EQ(HexOf(Dispatch(box.window())), HexOf(ExpectedConsole({std::string(MessageBoxTitle) + " :: " + text + " \n =OK="})))
            << text;
        ExpectPressed(box, {IDCANCEL});
        EXPECT_EQ(SupervisorFlags, 0u) << text;
        EXPECT_EQ(PendingCommand, 0u) << text;
    }
}

TEST_F(DialogRulesTest, PromptWithAnotherTitleGetsOkWithoutThePassword) {
    TestDialog prompt(Titled(std::string(PasswordPromptText) + " ", {Edit(100), Button(1), Button(2)}));
    std::string out = Dispatch(prompt.window());
    EXPECT_EQ(out, ExpectedConsole({"Введите пароль: \n =OK="})) << "described with its caption trimmed";
    ExpectPressed(prompt, {IDOK});
    EXPECT_EQ(TextAtPress(prompt, 100), "") << "nothing typed";

    TestDialog lower(Titled("введите пароль:", {Edit(100), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(lower.window()), ExpectedConsole({"введите пароль: \n =OK="}));
    ExpectPressed(lower, {IDOK});
    EXPECT_EQ(TextAtPress(lower, 100), "");
}

// --- The fall-back --------------------------------------------------------------------

TEST_F(DialogRulesTest, FallbackPressesOkElseCancelElseTheDefaultElseNothing) {
    TestDialog okAndCancel(Titled("Вопрос", {Static(100, "Продолжить?"), Button(2), Button(1)}));
    EXPECT_EQ(Dispatch(okAndCancel.window()), ExpectedConsole({"Вопрос::Продолжить? \n =OK="}));
    ExpectPressed(okAndCancel, {IDOK});

    TestDialog cancelAndYes(Titled("Вопрос", {Static(100, "Продолжить?"), Button(6), Button(2)}));
    EXPECT_EQ(Dispatch(cancelAndYes.window()), ExpectedConsole({"Вопрос::Продолжить? \n =ОТМЕНА="}));
    ExpectPressed(cancelAndYes, {IDCANCEL});

    DialogSpec withDefault = Titled("Вопрос", {Static(100, "Продолжить?"), Button(6), Button(7)});
    withDefault.defaultId = 7;
    TestDialog yesNo(withDefault);
    EXPECT_EQ(Dispatch(yesNo.window()), ExpectedConsole({"Вопрос::Продолжить? \n =НЕТ="}));
    ExpectPressed(yesNo, {IDNO});

    TestDialog none(Titled("Вопрос", {Static(100, "Продолжить?"), Button(6), Button(7)}));
    EXPECT_EQ(Dispatch(none.window()), ExpectedConsole({"Вопрос::Продолжить? \n =="}));
    ExpectPressed(none, {});

    EXPECT_EQ(SupervisorFlags, 0u);
    EXPECT_EQ(PendingCommand, 0u);
}

TEST_F(DialogRulesTest, FallbackDescribesTheWindow) {
    TestDialog statics(Titled("Окно  ", {Static(100, "Первый "), Button(1), Static(101, "Второй")}));
    EXPECT_EQ(Dispatch(statics.window()), ExpectedConsole({"Окно::Первый ::Второй \n =OK="}));
    ExpectPressed(statics, {IDOK});

    TestDialog box(Box("Неизвестное сообщение\nв две строки", {2}));
    EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({std::string(MessageBoxTitle) + " :: Неизвестное сообщение\nв две строки \n =OK="}));
    ExpectPressed(box, {IDCANCEL});

    TestDialog formats(Titled("100% %s %n", {Button(1)}));
    EXPECT_EQ(Dispatch(formats.window()), ExpectedConsole({"100% %s %n \n =OK="})) << "window texts are arguments";
}

TEST_F(DialogRulesTest, VanishedWindowGetsTheFallbackAndNoPress) {
    HWND gone = VanishedWindow();
    EXPECT_EQ(Dispatch(gone), ExpectedConsole({"<Нет окна> \n =="}));
    EXPECT_EQ(SupervisorFlags, 0u);
    EXPECT_EQ(PendingCommand, 0u);
}

TEST_F(DialogRulesTest, RoutinesCopeWithAWindowThatIsGone) {
    HWND gone = VanishedWindow();
    StdoutCapture capture;
    for (const DialogRule& rule : DialogRuleTable) rule.respond(gone, rule);
    std::string out = WithoutStamps(capture.Finish());
    EXPECT_NE(out.find(OemBytes("Ввод пароля... ")), std::string::npos);
    EXPECT_EQ(out.find(OemBytes("   ** ")), std::string::npos);
}

// --- Failure mode ---------------------------------------------------------------------

TEST_F(DialogRulesTest, FailureModeIsEnteredForGoodAndQueuesTheExit) {
    EnterFailureMode();
    EXPECT_TRUE(DialogState.failureMode);
    EXPECT_EQ(DialogState.password, PromptPassword::Config) << "the rest of the run's state is untouched";
    EXPECT_FALSE(DialogState.unloadAnswered);
    EXPECT_EQ(SupervisorFlags, Failed | Finished);
    EXPECT_EQ(PendingCommand, ExitCommand);

    PendingCommand = 0;
    EnterFailureMode();
    EXPECT_EQ(PendingCommand, ExitCommand);
    EXPECT_TRUE(DialogState.failureMode);
}

TEST_F(DialogRulesTest, AfterFailurePromptsAndChoosersAreCancelledAndSavingRefused) {
    EnterFailureMode();
    TestDialog prompt(Titled(PasswordPromptText, {Edit(100), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(prompt.window()), ExpectedConsole({"Ввод пароля... ОТМЕНА"}));
    ExpectPressed(prompt, {IDCANCEL});
    EXPECT_EQ(TextAtPress(prompt, 100), "Секрет-1") << "the password is still typed";

    TestDialog chooser(Titled(OpenConfigurationFileText, {Edit(100), Button(1), Button(2)}));
    EXPECT_EQ(Dispatch(chooser.window()),
              ExpectedConsole({"Открываем файл конфигурации: C:\\Новая конфигурация\\1cv7.md\n =ОТМЕНА="}));
    ExpectPressed(chooser, {IDCANCEL});
    EXPECT_EQ(TextAtPress(chooser, 100), "C:\\Новая конфигурация\\1cv7.md");

    for (const std::string question : {SaveQuestionShortText, SaveQuestionLongText}) {
        TestDialog box(Box(question, {6, 7}));
        EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"Сохранить конфигурацию?\n =НЕТ="}));
        ExpectPressed(box, {IDNO});
    }
    EXPECT_EQ(SupervisorFlags, Failed | Finished);
}

// --- The password switch --------------------------------------------------------------

TEST_F(DialogRulesTest, PasswordFollowsTheFileChooserAndGoesBackOnAMerge) {
    auto typedPassword = [this]() {
        TestDialog prompt(Titled(PasswordPromptText, {Edit(100), Button(1), Button(2)}));
        std::string out = Dispatch(prompt.window());
        EXPECT_EQ(out, ExpectedConsole({"Ввод пароля... OK"}));
        EXPECT_EQ(out.find(OemBytes("секрет")), std::string::npos);
        EXPECT_EQ(out.find(OemBytes("Секрет")), std::string::npos);
        EXPECT_TRUE(prompt.WaitProcessed(IDOK));
        return TextAtPress(prompt, 100);
    };
    EXPECT_EQ(typedPassword(), "Секрет-1");

    TestDialog chooser(Titled(OpenConfigurationFileText, {Edit(100), Button(1), Button(2)}));
    Dispatch(chooser.window());
    EXPECT_EQ(typedPassword(), "Новый;секрет 2");
    EXPECT_EQ(typedPassword(), "Новый;секрет 2");

    Settings.Merge = 1;
    TestDialog notDescendant(Box(NotDescendantText, {6, 7}));
    Dispatch(notDescendant.window());
    EXPECT_EQ(typedPassword(), "Секрет-1");

    UseNewConfigPassword();
    EXPECT_EQ(typedPassword(), "Новый;секрет 2");
    UseConfigPassword();
    EXPECT_EQ(typedPassword(), "Секрет-1");
}

// --- A rejected password, end to end with the asynchronous press ----------------------

TEST_F(DialogRulesTest, RejectedPasswordCancelsThePromptWhenThePressCompletes) {
    // The prompt checks the password inside the press and shows its error box over itself,
    // as the configurator does; the press completes only when the box is gone.
    DialogSpec spec = Titled(PasswordPromptText, {Edit(100), Button(1), Button(2)});
    spec.owned = true;
    spec.stayOpenOn = {1};
    spec.modalOn = 1;
    spec.modal = std::make_shared<DialogSpec>(Box(WrongPasswordText, {2}));
    TestDialog prompt(spec);

    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Dispatch(prompt.window()), ExpectedConsole({"Ввод пароля... OK"}));
    EXPECT_LT(GetTickCount64() - start, 1000u) << "the password press does not wait";

    ULONGLONG end = GetTickCount64() + 5000;
    while (!prompt.modal() && GetTickCount64() < end) Sleep(20);
    ASSERT_NE(prompt.modal(), nullptr);
    EXPECT_EQ(TopLevelOwner(prompt.modal()), prompt.owner());

    EXPECT_EQ(Dispatch(prompt.modal()), ExpectedConsole({"ОШИБКА! Пароль не принят!"}));
    PauseDeliveringCompletions(1500);

    EXPECT_TRUE(prompt.WaitClosed(3000)) << "Cancel pressed in the prompt";
    std::vector<CommandEvent> events = prompt.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].window, prompt.window());
    EXPECT_EQ(events[0].id, IDOK);
    EXPECT_EQ(events[0].texts[100], "Секрет-1");
    EXPECT_EQ(events[1].window, prompt.modal());
    EXPECT_EQ(events[1].id, IDCANCEL);
    EXPECT_EQ(events[2].window, prompt.window());
    EXPECT_EQ(events[2].id, IDCANCEL);
    EXPECT_EQ(SupervisorFlags, PasswordRejected | Failed | Finished);
    EXPECT_EQ(PendingCommand, ExitCommand);
}

// --- A configurator that hangs --------------------------------------------------------

TEST_F(DialogRulesTest, HungConfiguratorHoldsADispatchOnlyBoundedly) {
    DialogSpec wrong = Box(WrongPasswordText, {2});
    wrong.stayOpenOn = {2};
    HostedDialog box(WINDOW_HOST_EXE, wrong);
    DialogSpec question = Titled("Вопрос", {Static(100, "Продолжить?"), Button(6), Button(7)});
    HostedDialog unknown(WINDOW_HOST_EXE, question);
    ASSERT_TRUE(box.started());
    ASSERT_TRUE(unknown.started());
    box.Hang(20000);
    unknown.Hang(20000);
    Sleep(300);

    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Dispatch(box.window()), ExpectedConsole({"ОШИБКА! Пароль не принят!"}));
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, ReplyBoundMs - 300);
    EXPECT_LT(took, ReplyBoundMs + 2000);

    start = GetTickCount64();
    EXPECT_EQ(Dispatch(unknown.window()), ExpectedConsole({"Вопрос::Продолжить? \n =="}));
    took = GetTickCount64() - start;
    EXPECT_LT(took, ReplyBoundMs + 2000) << "the default-button query is bounded";
}

}  // namespace
