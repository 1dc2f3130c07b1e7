// The stand-in configurator driven by hand, as cfgload will drive it: its windows, texts,
// classes, ids, ownership and modality, its journal and the files it writes. Expected texts
// are written out here on their own, not taken from the stand-in's sources.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"
#include "tests/e2e/standin_probe.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace {

using namespace probe;
using e2e::MatchSequence;

TEST_F(StandinSelfTest, UnloadThenLoadAsTheToolDrivesIt) {
    const std::string longItem =
        "Документ РасходнаяНакладная: изменен тип реквизита \"Сумма документа в валюте упр. учета\" "
        "(было Число 15.2, стало Число 17.2); перестроены индексы табличной части";
    Scenario({"password=секрет", "change=" + longItem, "change=Справочник Номенклатура: добавлен реквизит Артикул"});
    StandinProcess standin(Base(), "Администратор");
    ASSERT_TRUE(standin.Started());

    // Log-in: an unowned top-level window with a direct Edit and buttons 1 and 2.
    HWND login = WaitFor([&] { return FindTopLevel(standin.Pid(), [](HWND w) { return Text(w) == LoginTitle; }); });
    ASSERT_NE(login, nullptr);
    HWND password = FindWindowExA(login, nullptr, "Edit", nullptr);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(GetParent(password), login);
    EXPECT_EQ(ButtonIds(login), (std::vector<int>{1, 2}));
    Type(password, "секрет");
    Press(login, 1);

    // Main frame: extended style exactly 0x110, an MDI client, an owned metadata window.
    HWND mainWindow = WaitMainWindow(standin.Pid());
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(GetWindowLongA(mainWindow, GWL_EXSTYLE), 0x110);
    EXPECT_TRUE(IsWindowVisible(mainWindow));
    HWND mdiClient = FindWindowExA(mainWindow, nullptr, "MDIClient", nullptr);
    ASSERT_NE(mdiClient, nullptr);
    EXPECT_EQ(GetTopWindow(mdiClient), nullptr);
    HWND metadata = WaitFor([&] {
        return FindTopLevel(standin.Pid(), [](HWND w) { return Text(w) == MetadataWindowTitle && IsWindowVisible(w); });
    });
    ASSERT_NE(metadata, nullptr);
    EXPECT_EQ(GetParent(metadata), mainWindow);
    EXPECT_EQ(GetWindow(metadata, GW_OWNER), mainWindow);
    EXPECT_TRUE(IsWindowVisible(metadata));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));

    // Unload: the name goes into the Edit inside the dialog's ComboBox.
    Command(mainWindow, 33204);
    HWND unload = WaitDialog(mainWindow, UnloadDataText);
    ASSERT_NE(unload, nullptr);
    ExpectModalDialog(unload, mainWindow);
    EXPECT_EQ(GetDlgItem(unload, 0xFFFF), nullptr) << "the unload dialog is known by its title";
    HWND combo = FindWindowExA(unload, nullptr, "ComboBox", nullptr);
    ASSERT_NE(combo, nullptr);
    HWND comboEdit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    ASSERT_NE(comboEdit, nullptr);
    EXPECT_NE(GetDlgItem(unload, 1), nullptr);
    Type(comboEdit, UnloadFile());
    Press(unload, 1);

    HWND unloaded = WaitDialog(mainWindow, UnloadSucceededText);
    ASSERT_NE(unloaded, nullptr);
    ExpectModalDialog(unloaded, mainWindow);
    ExpectMessageBox(unloaded, UnloadSucceededText, {2});
    Press(unloaded, 2);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_TRUE(FileExists(UnloadFile()));

    // Load: file chooser, save question, list of changes, completion.
    Command(mainWindow, 33206);
    HWND chooser = WaitDialog(mainWindow, OpenConfigurationFileText);
    ASSERT_NE(chooser, nullptr);
    ExpectModalDialog(chooser, mainWindow);
    HWND fileName = FindWindowExA(chooser, nullptr, "Edit", nullptr);
    ASSERT_NE(fileName, nullptr);
    EXPECT_EQ(ButtonIds(chooser), (std::vector<int>{1, 2}));
    Type(fileName, NewMd());
    Press(chooser, 1);

    HWND save = WaitDialog(mainWindow, SaveQuestionShortText);
    ASSERT_NE(save, nullptr);
    ExpectModalDialog(save, mainWindow);
    ExpectMessageBox(save, SaveQuestionShortText, {6, 7});
    Press(save, 6);

    HWND structure = WaitDialog(mainWindow, StructureChangesText);
    ASSERT_NE(structure, nullptr);
    ExpectModalDialog(structure, mainWindow);
    HWND list = FindWindowExA(structure, nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListItems(list),
              (std::vector<std::string>{longItem, "Справочник Номенклатура: добавлен реквизит Артикул"}));
    EXPECT_NE(GetDlgItem(structure, 1), nullptr);
    Press(structure, 1);

    HWND done = WaitDialog(mainWindow, RestructuringDoneText);
    ASSERT_NE(done, nullptr);
    ExpectModalDialog(done, mainWindow);
    ExpectMessageBox(done, RestructuringDoneText, {2});
    Press(done, 2);

    // The end of the work: the first document window inside the MDI client.
    HWND document = WaitFor([&] { return GetTopWindow(mdiClient); });
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(IsWindowEnabled(document));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);

    Command(mainWindow, 57665);
    EXPECT_EQ(standin.WaitExit(), 0);
    EXPECT_FALSE(IsWindow(mainWindow));

    EXPECT_EQ(support::ZipEntry(ReadFile(UnloadFile()), "1cv7.md"), OriginalMd);
    std::vector<e2e::JournalEvent> events = Journal();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].kind, "start");
    EXPECT_EQ(events[1].text, "\"" + WindowsPath(STANDIN_EXE) + "\" config /d\"" + Base() + "\" /u\"" + Base() +
                                  "\" /nАдминистратор");
    EXPECT_EQ(events[2].kind + " " + events[2].text, "cwd " + Base());
    EXPECT_TRUE(MatchSequence("journal", Expand(std::vector<std::string>{
        "show login Авторизация  доступа",
        "typed login секрет",
        "button login 1",
        "main - {*}",
        "command - 33204",
        "show unload Выгрузка данных",
        "typed unload {unload}",
        "button unload 1",
        "unloaded - {unload}",
        "archive - archive, {*} entries, {*} bytes",
        "show unload_done Выгрузка успешно завершена!",
        "button unload_done 2",
        "command - 33206",
        "show open_file Открыть файл конфигурации",
        "typed open_file {new_md}",
        "button open_file 1",
        std::string("show save ") + SaveQuestionShortText,
        "button save 6",
        "show structure Изменения в структуре информации",
        "button structure 1",
        "read structure 2",
        "loaded - {new_md}",
        "show done Реорганизация информации закончена!",
        "button done 2",
        "document - enabled",
        "command - 57665",
        "close - exit",
        "exit - 0",
    }), JournalLines()));
}

TEST_F(StandinSelfTest, WrongLoginPasswordShowsTheBoxThenTheLoginAgain) {
    Scenario({"password=секрет"});
    StandinProcess standin(Base(), "Администратор");
    ASSERT_TRUE(standin.Started());
    HWND login = WaitFor([&] { return FindTopLevel(standin.Pid(), [](HWND w) { return Text(w) == LoginTitle; }); });
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(GetWindow(login, GW_OWNER), nullptr);
    Type(FindWindowExA(login, nullptr, "Edit", nullptr), "не тот");
    Command(login, 1);  // asynchronous: the press returns only when the box is closed

    // The box: its text in a direct Static of id 0xFFFF, one button, of id 2.
    HWND box = WaitFor([&] {
        return FindTopLevel(standin.Pid(), [](HWND w) { return FindWindowExA(w, nullptr, "Static", WrongPasswordText) != nullptr; });
    });
    ASSERT_NE(box, nullptr);
    // The box exists a moment before the dialog code shows it and disables its owner.
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(box) && !IsWindowEnabled(login); }));
    ExpectMessageBox(box, WrongPasswordText, {2});
    EXPECT_EQ(GetWindow(box, GW_OWNER), login);
    EXPECT_FALSE(IsWindowEnabled(login));
    Press(box, 2);

    // A new log-in window; Cancel there ends the configurator.
    HWND again = WaitFor([&] {
        return FindTopLevel(standin.Pid(), [&](HWND w) { return w != login && Text(w) == LoginTitle && IsWindowVisible(w); });
    });
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(login); }));
    Press(again, 2);
    EXPECT_EQ(standin.WaitExit(), 0);
    EXPECT_TRUE(MatchSequence("journal", {
        "show login Авторизация  доступа",
        "typed login не тот",
        "button login 1",
        "show login_wrong Пароль набран неверно.",
        "button login_wrong 2",
        "show login Авторизация  доступа",
        "button login 2",
        "exit - 0",
    }, JournalLines()));
}

TEST_F(StandinSelfTest, LoadRefusedWhenNotADescendantLeavesTheInfobaseAlone) {
    Scenario({"login=0", "relation=not_descendant"});
    StandinProcess standin(Base(), "Администратор");
    ASSERT_TRUE(standin.Started());
    HWND mainWindow = WaitMainWindow(standin.Pid());
    ASSERT_NE(mainWindow, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));

    Command(mainWindow, 33206);
    HWND chooser = WaitDialog(mainWindow, OpenConfigurationFileText);
    ASSERT_NE(chooser, nullptr);
    Type(FindWindowExA(chooser, nullptr, "Edit", nullptr), NewMd());
    Press(chooser, 1);

    HWND warning = WaitDialog(mainWindow, NotDescendantText);
    ASSERT_NE(warning, nullptr);
    ExpectModalDialog(warning, mainWindow);
    ExpectMessageBox(warning, NotDescendantText, {6, 7});
    Press(warning, 7);

    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    HWND mdiClient = FindWindowExA(mainWindow, nullptr, "MDIClient", nullptr);
    Sleep(300);
    EXPECT_EQ(GetTopWindow(mdiClient), nullptr) << "a refused load is no end of the work";
    EXPECT_EQ(FindDialog(mainWindow), nullptr);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);

    Command(mainWindow, 57665);
    EXPECT_EQ(standin.WaitExit(), 0);
    EXPECT_TRUE(MatchSequence("journal", Expand(std::vector<std::string>{
        "main - {*}",
        "command - 33206",
        "show open_file Открыть файл конфигурации",
        "typed open_file {new_md}",
        "button open_file 1",
        std::string("show not_descendant ") + NotDescendantText,
        "button not_descendant 7",
        "command - 57665",
        "close - exit",
        "exit - 0",
    }), JournalLines()));
}

}  // namespace
