// Window primitives against real dialogs: this process's own, in threads of their own, and
// the window host's, in a process of its own as the configurator's are.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "automation/shared_words.h"
#include "automation/window_tools.h"
#include "common/tick_countdown.h"
#include "tests/support/hosted_dialog.h"
#include "tests/support/test_dialog.h"

namespace {

ControlSpec Button(int id, const std::string& text = "Кнопка") { return {"Button", id, text, BS_PUSHBUTTON}; }
ControlSpec Edit(int id) { return {"Edit", id, "", ES_AUTOHSCROLL | WS_BORDER}; }
ControlSpec Static(int id, const std::string& text) { return {"Static", id, text, SS_LEFT}; }

DialogSpec Dialog(const std::string& caption, std::vector<ControlSpec> controls) {
    DialogSpec spec;
    spec.caption = caption;
    spec.controls = std::move(controls);
    return spec;
}

// A handle that was a dialog a moment ago.
HWND VanishedWindow() {
    TestDialog dialog(Dialog("Исчезающее окно", {Static(MessageBoxTextId, "Текст"), Button(1), Button(2)}));
    HWND window = dialog.window();
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dialog.WaitClosed());
    return window;
}

ULONGLONG Now() { return GetTickCount64(); }

// Every byte of Windows-1251 that stands for a character, in a long run.
std::string AllAnsiCharacters(std::size_t length) {
    std::string text;
    while (text.size() < length) {
        for (int c = 0x20; c <= 0xFF && text.size() < length; ++c)
            if (c != 0x98 && c != 0x7F) text.push_back(static_cast<char>(c));
    }
    return text;
}

class WindowToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SupervisorFlags = 0;
        PendingCommand = 0;
    }
};

// --- Captions -------------------------------------------------------------------------

TEST_F(WindowToolsTest, ButtonCaptionsOfTheStandardIds) {
    EXPECT_EQ(ButtonCaption(1), "OK");
    EXPECT_EQ(ButtonCaption(2), "ОТМЕНА");
    EXPECT_EQ(ButtonCaption(3), "Прервать");
    EXPECT_EQ(ButtonCaption(4), "Повтор");
    EXPECT_EQ(ButtonCaption(5), "Пропустить");
    EXPECT_EQ(ButtonCaption(6), "ДА");
    EXPECT_EQ(ButtonCaption(7), "НЕТ");
    EXPECT_EQ(ButtonCaption(0), "");
    EXPECT_EQ(ButtonCaption(8), "");
    EXPECT_EQ(ButtonCaption(-1), "");
    EXPECT_EQ(ButtonCaption(65535), "");
}

// --- Time allowances ------------------------------------------------------------------

// GetTickCount wraps to 0 after 49.7 days: an allowance that spans the wrap must neither end
// at once nor last for ever.
TEST(TickCountdownTest, SpansTheWrapOfTheTickCount) {
    const DWORD beforeWrap = 0xFFFFFF00;
    TickCountdown allowance(1000, beforeWrap);
    EXPECT_EQ(allowance.Left(beforeWrap), 1000u);
    EXPECT_EQ(allowance.Left(0xFFFFFFFF), 745u);
    EXPECT_EQ(allowance.Left(0x000000FF), 489u);
    EXPECT_EQ(allowance.NextSlice(300, 0x00000200), 0x3E8u - 0x300u);
    EXPECT_EQ(allowance.Left(0x000002E7), 1u);
    EXPECT_EQ(allowance.Left(0x000002E8), 0u);
    EXPECT_EQ(allowance.NextSlice(300, 0x00010000), 0u);
}

// Longer than one wrap (WorkTime may be months): summed from readings a second apart.
TEST(TickCountdownTest, OutlastsSeveralWraps) {
    const ULONGLONG hundredDays = 100ULL * 24 * 3600 * 1000;
    DWORD now = 0x80000000;
    TickCountdown allowance(hundredDays, now);
    ULONGLONG waited = 0;
    while (allowance.NextSlice(1000, now) != 0) {
        now += 1000;
        waited += 1000;
    }
    EXPECT_EQ(waited, hundredDays);
}

// --- Pressing buttons -----------------------------------------------------------------

TEST_F(WindowToolsTest, NoCandidateSendsNothing) {
    TestDialog dialog(Dialog("Вопрос", {Button(1), Button(2)}));
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::BlockOneSecond, 0, 0, 0), 0);
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::BlockOneSecond, IDNO, IDYES, IDABORT), 0);
    PauseDeliveringCompletions(200);
    EXPECT_TRUE(dialog.CommandIds().empty());
}

TEST_F(WindowToolsTest, FirstExistingCandidateIsPressedAsACommandToTheDialogItself) {
    TestDialog dialog(Dialog("Вопрос", {Button(1), Button(2)}));
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::BlockOneSecond, IDOK, IDCANCEL), IDOK);
    ASSERT_TRUE(dialog.WaitProcessed(IDOK));
    std::vector<CommandEvent> events = dialog.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, dialog.window());
    EXPECT_EQ(events[0].wParam, 1u) << "notification code 0 in the high word";
    EXPECT_EQ(events[0].lParam, 0) << "sent to the dialog, not from the button";
}

TEST_F(WindowToolsTest, ZeroAndMissingCandidatesAreSkipped) {
    TestDialog dialog(Dialog("Вопрос", {Button(6), Button(7)}));
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::BlockOneSecond, 0, IDOK, IDNO), IDNO);
    ASSERT_TRUE(dialog.WaitProcessed(IDNO));
    EXPECT_EQ(dialog.CommandIds(), std::vector<int>{IDNO});
}

TEST_F(WindowToolsTest, CancelAloneIsReportedAsOk) {
    TestDialog alone(Dialog("Сообщение", {Static(MessageBoxTextId, "Текст"), Button(2)}));
    EXPECT_EQ(PressDialogButton(alone.window(), SendMode::BlockOneSecond, IDCANCEL), IDOK);
    ASSERT_TRUE(alone.WaitProcessed(IDCANCEL));
    EXPECT_EQ(alone.CommandIds(), std::vector<int>{IDCANCEL}) << "Cancel is pressed all the same";

    TestDialog withYes(Dialog("Вопрос", {Button(2), Button(6)}));
    EXPECT_EQ(PressDialogButton(withYes.window(), SendMode::BlockOneSecond, IDCANCEL), IDCANCEL);
    ASSERT_TRUE(withYes.WaitProcessed(IDCANCEL));

    TestDialog withNine(Dialog("Вопрос", {Button(2), Button(9)}));
    EXPECT_EQ(PressDialogButton(withNine.window(), SendMode::BlockOneSecond, IDCANCEL), IDCANCEL);

    TestDialog withTen(Dialog("Вопрос", {Button(2), Button(10)}));
    EXPECT_EQ(PressDialogButton(withTen.window(), SendMode::BlockOneSecond, IDCANCEL), IDOK) << "only ids 1 to 9 count";
}

TEST_F(WindowToolsTest, MissingCandidateInAsynchronousModeHasNoCompletion) {
    TestDialog dialog(Dialog("Вопрос", {Button(1), Button(2)}));
    SupervisorFlags = PasswordRejected;
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::ThenCancelIfRejected, IDNO), 0);
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::ThenFailAndFinish, IDNO), 0);
    PauseDeliveringCompletions(300);
    EXPECT_TRUE(dialog.CommandIds().empty()) << "no Cancel follows a press that never happened";
    EXPECT_EQ(SupervisorFlags, PasswordRejected);
}

TEST_F(WindowToolsTest, VanishedWindowGetsNoPress) {
    HWND gone = VanishedWindow();
    EXPECT_EQ(PressDialogButton(gone, SendMode::WaitBounded, IDOK, IDCANCEL), 0);
    EXPECT_EQ(PressDialogButton(gone, SendMode::ThenFailAndFinish, IDOK, IDCANCEL), 0);
    PauseDeliveringCompletions(100);
    EXPECT_EQ(SupervisorFlags, 0u);
    EXPECT_EQ(PressDialogButton(nullptr, SendMode::BlockOneSecond, IDOK, IDCANCEL), 0);
}

// --- Send modes and completions -------------------------------------------------------

TEST_F(WindowToolsTest, WaitBoundedWaitsUntilTheCommandIsProcessed) {
    DialogSpec spec = Dialog("Вопрос", {Button(1)});
    spec.delayOn[1] = 1500;
    TestDialog dialog(spec);
    ULONGLONG start = Now();
    PressDialogButton(dialog.window(), SendMode::WaitBounded, IDOK);
    ULONGLONG took = Now() - start;
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, ReplyBoundMs);
    std::vector<CommandEvent> events = dialog.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].processed, 0u) << "processed before the send returned";
}

TEST_F(WindowToolsTest, BlockOneSecondGivesUpAfterOneSecondAndThePressStillHappens) {
    DialogSpec spec = Dialog("Вопрос", {Button(1)});
    spec.delayOn[1] = 3000;
    TestDialog dialog(spec);
    ULONGLONG start = Now();
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::BlockOneSecond, IDOK), IDOK);
    ULONGLONG took = Now() - start;
    EXPECT_GE(took, 900u);
    EXPECT_LT(took, 2500u);
    EXPECT_TRUE(dialog.WaitProcessed(IDOK));
    EXPECT_EQ(dialog.CommandIds(), std::vector<int>{IDOK}) << "not repeated";
}

TEST_F(WindowToolsTest, FailAndFinishCompletionSetsTheFlagsOnlyInsideAPause) {
    DialogSpec spec = Dialog("Блокировка", {Static(MessageBoxTextId, "Текст"), Button(2)});
    spec.delayOn[2] = 1500;
    TestDialog slow(spec);

    ULONGLONG start = Now();
    EXPECT_EQ(PressDialogButton(slow.window(), SendMode::ThenFailAndFinish, IDCANCEL), IDOK);
    EXPECT_LT(Now() - start, 500u) << "the asynchronous send returns at once";
    EXPECT_EQ(SupervisorFlags, 0u);

    ASSERT_TRUE(slow.WaitProcessed(IDCANCEL));
    Sleep(300);  // a plain sleep delivers no completion
    EXPECT_EQ(SupervisorFlags, 0u);

    PauseDeliveringCompletions(1000);
    EXPECT_EQ(SupervisorFlags, Failed | Finished);
}

TEST_F(WindowToolsTest, CancelIfRejectedCompletionCancelsThePromptWhenThePasswordWasRejected) {
    DialogSpec spec = Dialog("Введите пароль:", {Edit(100), Button(1), Button(2)});
    spec.delayOn[1] = 1500;     // the prompt is slow to check the password
    spec.stayOpenOn = {1};      // and stays open: the password was wrong
    TestDialog prompt(spec);

    ULONGLONG start = Now();
    EXPECT_EQ(PressDialogButton(prompt.window(), SendMode::ThenCancelIfRejected, IDOK), IDOK);
    ULONGLONG returned = Now();
    EXPECT_LT(returned - start, 500u) << "the asynchronous send returns at once";

    // Meanwhile the rules learn that the password was rejected.
    SupervisorFlags |= PasswordRejected;
    ASSERT_TRUE(prompt.WaitProcessed(IDOK));
    Sleep(300);
    EXPECT_EQ(prompt.CommandIds(), std::vector<int>{IDOK}) << "no follow-up without a wait that delivers it";

    ULONGLONG pauseStart = Now();
    PauseDeliveringCompletions(1500);
    ULONGLONG pauseEnd = Now();

    ASSERT_TRUE(prompt.WaitClosed(3000)) << "Cancel closed the prompt";
    std::vector<CommandEvent> events = prompt.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].id, IDCANCEL);
    EXPECT_EQ(events[1].lParam, 0);
    EXPECT_GE(events[1].received, pauseStart) << "the follow-up ran inside the pause";
    EXPECT_LE(events[1].received, pauseEnd);
    EXPECT_EQ(SupervisorFlags, PasswordRejected) << "nothing else changes";
}

TEST_F(WindowToolsTest, CancelIfRejectedCompletionDoesNothingWhileThePasswordStands) {
    DialogSpec spec = Dialog("Введите пароль:", {Edit(100), Button(1), Button(2)});
    spec.stayOpenOn = {1};
    TestDialog prompt(spec);
    EXPECT_EQ(PressDialogButton(prompt.window(), SendMode::ThenCancelIfRejected, IDOK), IDOK);
    ASSERT_TRUE(prompt.WaitProcessed(IDOK));
    PauseDeliveringCompletions(800);
    EXPECT_EQ(prompt.CommandIds(), std::vector<int>{IDOK});
    EXPECT_TRUE(IsWindow(prompt.window()));
}

TEST_F(WindowToolsTest, NothingFollowsAsynchronousPressesAndMenuCommands) {
    DialogSpec spec = Dialog("Вопрос", {Button(1), Button(2), Button(7)});
    spec.stayOpenOn = {1, 2, 7, ExitCommand, UnloadDataCommand};
    TestDialog dialog(spec);
    SupervisorFlags = PasswordRejected;
    EXPECT_EQ(PressDialogButton(dialog.window(), SendMode::NothingFollows, IDNO), IDNO);
    SendCommand(dialog.window(), ExitCommand, SendMode::NothingFollows);
    SendCommand(dialog.window(), UnloadDataCommand, SendMode::NothingFollows);
    PauseDeliveringCompletions(800);
    EXPECT_EQ(dialog.CommandIds(), (std::vector<int>{IDNO, ExitCommand, UnloadDataCommand}));
    EXPECT_EQ(SupervisorFlags, PasswordRejected);
    std::vector<CommandEvent> events = dialog.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].wParam, WPARAM{ExitCommand}) << "the whole command id in the low word, 0 above it";
    EXPECT_EQ(events[1].lParam, 0);
}

TEST_F(WindowToolsTest, CommandCompletedByCode) {
    auto code = [](SendMode mode) { return static_cast<ULONG_PTR>(mode); };
    CommandCompleted(nullptr, WM_COMMAND, code(SendMode::NothingFollows), 0);
    CommandCompleted(nullptr, WM_COMMAND, ExitCommand, 0);
    EXPECT_EQ(SupervisorFlags, 0u);
    CommandCompleted(nullptr, WM_COMMAND, code(SendMode::ThenCancelIfRejected), 0);
    EXPECT_EQ(SupervisorFlags, 0u);
    CommandCompleted(nullptr, WM_COMMAND, code(SendMode::ThenFailAndFinish), 0);
    EXPECT_EQ(SupervisorFlags, Failed | Finished);
}

TEST_F(WindowToolsTest, PauseLastsAboutTheTimeAsked) {
    ULONGLONG start = Now();
    PauseDeliveringCompletions(0);
    EXPECT_LT(Now() - start, 100u);
    start = Now();
    PauseDeliveringCompletions(400);
    ULONGLONG took = Now() - start;
    EXPECT_GE(took, 390u);
    EXPECT_LT(took, 1000u);
}

// --- Typing text ----------------------------------------------------------------------

TEST_F(WindowToolsTest, EditTextGoesIntoTheFirstEditOnly) {
    TestDialog dialog(Dialog("Открыть файл конфигурации", {Edit(100), Edit(101), Button(1)}));
    EXPECT_EQ(SetEditText(dialog.window(), "C:\\Новая база\\1cv7.md", "Edit"), 1);
    EXPECT_EQ(WindowText(dialog.control(100)), "C:\\Новая база\\1cv7.md");
    EXPECT_EQ(WindowText(dialog.control(101)), "");
}

TEST_F(WindowToolsTest, ComboBoxTextGoesIntoItsEdit) {
    TestDialog dialog(Dialog("Выгрузка данных", {{"ComboBox", 100, "", CBS_DROPDOWN}, Button(1)}));
    EXPECT_EQ(SetEditText(dialog.window(), "D:\\Архив\\выгрузка.zip", "ComboBox"), 1);
    EXPECT_EQ(WindowText(FindWindowExA(dialog.control(100), nullptr, "Edit", nullptr)), "D:\\Архив\\выгрузка.zip");
}

TEST_F(WindowToolsTest, NoControlOfTheClassMeansNothingTyped) {
    TestDialog listOnly(Dialog("Выгрузка данных", {{"ComboBox", 100, "", CBS_DROPDOWNLIST}, Button(1)}));
    EXPECT_EQ(SetEditText(listOnly.window(), "x", "ComboBox"), 0) << "a drop-down list has no edit";

    TestDialog plain(Dialog("Выгрузка данных", {Button(1)}));
    EXPECT_EQ(SetEditText(plain.window(), "x", "ComboBox"), 0);
    EXPECT_EQ(SetEditText(plain.window(), "x", "Edit"), 0);

    // Only one level down: an edit inside the first combo box, not deeper and not beside.
    TestDialog besides(Dialog("Выгрузка данных", {Edit(100), {"ComboBox", 101, "", CBS_DROPDOWNLIST}}));
    EXPECT_EQ(SetEditText(besides.window(), "x", "ComboBox"), 0);
    EXPECT_EQ(WindowText(besides.control(100)), "");

    EXPECT_EQ(SetEditText(VanishedWindow(), "x", "Edit"), 0);
    EXPECT_EQ(SetEditText(nullptr, "x", "Edit"), 0) << "never a search of the desktop";
}

// --- Owners ---------------------------------------------------------------------------

TEST_F(WindowToolsTest, TopLevelOwnerFollowsParentsThenOwners) {
    EXPECT_EQ(TopLevelOwner(nullptr), nullptr);

    DialogSpec spec = Dialog("Вопрос", {Button(1), Button(2)});
    spec.owned = true;
    spec.modalOn = 1;
    spec.modal = std::make_shared<DialogSpec>(Dialog("Сообщение", {Static(MessageBoxTextId, "Текст"), Button(2)}));
    spec.stayOpenOn = {1};
    TestDialog dialog(spec);
    ASSERT_NE(dialog.owner(), nullptr);
    EXPECT_EQ(TopLevelOwner(dialog.window()), dialog.owner());
    EXPECT_EQ(TopLevelOwner(dialog.control(2)), dialog.owner()) << "a control: parent, then owner";
    EXPECT_EQ(TopLevelOwner(dialog.owner()), dialog.owner());

    PostMessageA(dialog.window(), WM_COMMAND, 1, 0);
    ULONGLONG end = Now() + 5000;
    while (!dialog.modal() && Now() < end) Sleep(20);
    ASSERT_NE(dialog.modal(), nullptr);
    EXPECT_EQ(TopLevelOwner(dialog.modal()), dialog.owner()) << "a box over the dialog";

    TestDialog unowned(Dialog("Вопрос", {Button(1)}));
    EXPECT_EQ(TopLevelOwner(unowned.window()), unowned.window());

    HWND gone = VanishedWindow();
    EXPECT_EQ(TopLevelOwner(gone), gone);
}

// --- Texts and descriptions -----------------------------------------------------------

TEST_F(WindowToolsTest, WindowTextIsExactlyTheText) {
    std::string longText = AllAnsiCharacters(3000);
    TestDialog dialog(Dialog("Авторизация  доступа  ", {Static(100, longText), Static(101, ""), Button(1)}));
    EXPECT_EQ(WindowText(dialog.window()), "Авторизация  доступа  ");
    EXPECT_EQ(WindowText(dialog.control(100)), longText);
    EXPECT_EQ(WindowText(dialog.control(101)), "");
    EXPECT_EQ(WindowText(VanishedWindow()), "<Нет окна>");
    EXPECT_EQ(WindowText(nullptr), "<Нет окна>");
}

TEST_F(WindowToolsTest, MessageTextPrefersTheMessageControl) {
    TestDialog box(Dialog("1С:Предприятие", {Static(MessageBoxTextId, "Выгрузка успешно завершена!"), Button(2)}));
    EXPECT_EQ(MessageText(box.window()), "Выгрузка успешно завершена!");

    TestDialog titled(Dialog("Выгрузка данных  ", {Static(100, "Куда:"), Button(1)}));
    EXPECT_EQ(MessageText(titled.window()), "Выгрузка данных  ") << "the caption, untrimmed";

    EXPECT_EQ(MessageText(VanishedWindow()), "<Нет окна>");
}

TEST_F(WindowToolsTest, DescribeWindowJoinsCaptionAndTexts) {
    TestDialog box(Dialog("Предупреждение  ", {Button(1), Static(MessageBoxTextId, "Текст сообщения\n"), Static(100, "Прочее")}));
    EXPECT_EQ(DescribeWindow(box.window()), "Предупреждение :: Текст сообщения\n");

    TestDialog statics(Dialog("Окно \t\r\n", {Static(100, "Первый "), Button(1), Static(101, "Второй"), Edit(102)}));
    EXPECT_EQ(DescribeWindow(statics.window()), "Окно::Первый ::Второй") << "statics in child order, untrimmed";

    TestDialog bare(Dialog("Окно", {Button(1), Edit(100)}));
    EXPECT_EQ(DescribeWindow(bare.window()), "Окно");

    TestDialog blank(Dialog("   ", {Static(100, "")}));
    EXPECT_EQ(DescribeWindow(blank.window()), "::");

    EXPECT_EQ(DescribeWindow(VanishedWindow()), "<Нет окна>");
}

TEST_F(WindowToolsTest, DefaultButtonIdOfADialog) {
    DialogSpec spec = Dialog("Вопрос", {Button(6), Button(7)});
    spec.defaultId = 7;
    TestDialog dialog(spec);
    EXPECT_EQ(DefaultButtonId(dialog.window()), 7);
    EXPECT_EQ(DefaultButtonId(VanishedWindow()), 0);
}

// --- List boxes -----------------------------------------------------------------------

TEST_F(WindowToolsTest, ListItemsInOrder) {
    DialogSpec spec = Dialog("Изменения в структуре информации", {{"ListBox", 100, "", WS_VSCROLL}, Button(1)});
    spec.listItems = {"Справочник Номенклатура: новый реквизит", "", "Документ Приход  изменён"};
    TestDialog dialog(spec);
    EXPECT_EQ(ListBoxItems(dialog.control(100)), spec.listItems);

    TestDialog empty(Dialog("Изменения в структуре информации", {{"ListBox", 100, "", 0}, Button(1)}));
    EXPECT_TRUE(ListBoxItems(empty.control(100)).empty());
    EXPECT_TRUE(ListBoxItems(VanishedWindow()).empty());
    EXPECT_TRUE(ListBoxItems(nullptr).empty());
}

// The list loses its items while it is read: the reading stops at the first LB_ERR.
WNDPROC OriginalListProc = nullptr;
LRESULT CALLBACK ShrinkingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == LB_GETTEXTLEN && wParam == 2) CallWindowProcW(OriginalListProc, window, LB_RESETCONTENT, 0, 0);
    return CallWindowProcW(OriginalListProc, window, message, wParam, lParam);
}

TEST_F(WindowToolsTest, ListReadingStopsAtAnItemThatIsNoMore) {
    DialogSpec spec = Dialog("Изменения в структуре информации", {{"ListBox", 100, "", 0}, Button(1)});
    spec.listItems = {"первый", "второй", "третий", "четвёртый"};
    TestDialog dialog(spec);
    HWND list = dialog.control(100);
    OriginalListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ShrinkingListProc)));
    EXPECT_EQ(ListBoxItems(list), (std::vector<std::string>{"первый", "второй"}));
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OriginalListProc));
}

// --- Another process ------------------------------------------------------------------

TEST_F(WindowToolsTest, TypedTextReachesAnotherProcessByteForByte) {
    std::string password = "Пароль №1 «ёЁ» " + AllAnsiCharacters(300);
    std::string path = "D:\\Архив\\Выгрузка за ?YYYY год — копия.zip";
    HostedDialog host(WINDOW_HOST_EXE, Dialog("Выгрузка данных", {Edit(100), {"ComboBox", 101, "", CBS_DROPDOWN}, Button(1)}));
    ASSERT_TRUE(host.started());
    EXPECT_EQ(SetEditText(host.window(), password, "Edit"), 1);
    EXPECT_EQ(SetEditText(host.window(), path, "ComboBox"), 1);
    EXPECT_EQ(PressDialogButton(host.window(), SendMode::WaitBounded, IDOK), IDOK);
    ASSERT_TRUE(host.WaitExit(10000));
    std::vector<HostCommand> commands = host.Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, IDOK);
    ASSERT_EQ(commands[0].texts.size(), 2u);
    EXPECT_EQ(HexOf(commands[0].texts[0].second), HexOf(password));
    EXPECT_EQ(commands[0].texts[1].second, path);
}

TEST_F(WindowToolsTest, TextsOfAnotherProcessAreRead) {
    HostedDialog host(WINDOW_HOST_EXE, Dialog("Окно  ", {Static(MessageBoxTextId, "Ошибка блокировки метаданных.\nВозможно, метаданные используются другой задачей."), Button(2)}));
    ASSERT_TRUE(host.started());
    EXPECT_EQ(WindowText(host.window()), "Окно  ");
    EXPECT_EQ(MessageText(host.window()),
              "Ошибка блокировки метаданных.\nВозможно, метаданные используются другой задачей.");
    EXPECT_EQ(DescribeWindow(host.window()),
              "Окно :: Ошибка блокировки метаданных.\nВозможно, метаданные используются другой задачей.");
}

TEST_F(WindowToolsTest, LongCyrillicListItemsOfAnotherProcessByteForByte) {
    // Under Wine the ANSI LB_GETTEXT of another process's list writes twice the length;
    // the items must still come back whole, and exactly as the list holds them.
    DialogSpec spec = Dialog("Изменения в структуре информации", {{"ListBox", 100, "", WS_VSCROLL}, Button(1)});
    std::string cyrillic;
    while (cyrillic.size() < 4000) cyrillic += "Реквизит «Наименование» справочника Номенклатура изменил длину; ";
    spec.listItems = {cyrillic, "", "Ё", AllAnsiCharacters(5000), "Документ ПриходнаяНакладная: удалён"};
    HostedDialog host(WINDOW_HOST_EXE, spec);
    ASSERT_TRUE(host.started());
    HWND list = FindWindowExA(host.window(), nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    std::vector<std::string> items = ListBoxItems(list);
    ASSERT_EQ(items.size(), spec.listItems.size());
    for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(HexOf(items[i]), HexOf(spec.listItems[i])) << i;
}

TEST_F(WindowToolsTest, HungWindowOfAnotherProcessHoldsNoCallLong) {
    DialogSpec spec = Dialog("Изменения в структуре информации",
                             {Edit(100), {"ListBox", 101, "", 0}, Button(1), Button(2), Button(6)});
    spec.listItems = {"один", "два"};
    spec.defaultId = 1;
    spec.stayOpenOn = {2, 6};
    HostedDialog host(WINDOW_HOST_EXE, spec);
    ASSERT_TRUE(host.started());
    HWND list = FindWindowExA(host.window(), nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    host.Hang(25000);
    Sleep(300);

    auto bounded = [](ULONGLONG took) { return took >= ReplyBoundMs - 300 && took < ReplyBoundMs + 2000; };
    ULONGLONG start = Now();
    EXPECT_EQ(PressDialogButton(host.window(), SendMode::WaitBounded, IDCANCEL), IDCANCEL);
    EXPECT_PRED1(bounded, Now() - start) << "WaitBounded";

    start = Now();
    EXPECT_EQ(SetEditText(host.window(), "пароль", "Edit"), 1);
    EXPECT_PRED1(bounded, Now() - start) << "WM_SETTEXT";

    start = Now();
    EXPECT_EQ(DefaultButtonId(host.window()), 0);
    EXPECT_PRED1(bounded, Now() - start) << "DM_GETDEFID";

    start = Now();
    EXPECT_TRUE(ListBoxItems(list).empty());
    EXPECT_PRED1(bounded, Now() - start) << "list reading stops at the first time-out";

    start = Now();
    EXPECT_EQ(PressDialogButton(host.window(), SendMode::BlockOneSecond, IDYES), IDYES);
    EXPECT_LT(Now() - start, 2000u) << "BlockOneSecond";

    // Texts are read without a message to the other process.
    start = Now();
    EXPECT_EQ(WindowText(host.window()), "Изменения в структуре информации");
    EXPECT_EQ(MessageText(host.window()), "Изменения в структуре информации");
    EXPECT_LT(Now() - start, 500u);

    // Once awake, the window gets the WaitBounded press that ran out of time: late, once.
    ULONGLONG end = Now() + 30000;
    std::vector<std::string> log;
    while (Now() < end) {
        log = host.LogLines();
        if (std::find(log.begin(), log.end(), "awake") != log.end()) break;
        Sleep(100);
    }
    EXPECT_EQ(PressDialogButton(host.window(), SendMode::WaitBounded, IDOK), IDOK);
    ASSERT_TRUE(host.WaitExit(10000));
    std::vector<HostCommand> commands = host.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](const HostCommand& c) { return c.id == 2; }), 1);
    EXPECT_EQ(commands.back().id, IDOK);
}

}  // namespace
