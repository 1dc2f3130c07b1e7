// The stand-in's scenario keys, each driven by hand: windows before the main window,
// failures, unknown dialogs, hangs, crashes, delays and big lists.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"
#include "tests/e2e/standin_probe.h"

namespace {

using namespace probe;

class StandinScenario : public StandinSelfTest {
protected:
    // Load command up to the save question, the file chooser answered with new.md.
    HWND LoadToSaveQuestion(HWND mainWindow, const std::string& question = SaveQuestionShortText) {
        Command(mainWindow, 33206);
        HWND chooser = WaitDialog(mainWindow, OpenConfigurationFileText);
        if (!chooser) return nullptr;
        Type(FindWindowExA(chooser, nullptr, "Edit", nullptr), NewMd());
        Press(chooser, 1);
        return WaitDialog(mainWindow, question);
    }
};

TEST_F(StandinScenario, RegistrationThenLogInThenMetadataLock) {
    Start({"register=1", "lock=start"}, false);
    HWND registration = WaitFor([&] {
        return FindTopLevel(Standin().Pid(), [](HWND w) { return Text(w) == RegistrationTitle && IsWindowVisible(w); });
    });
    ASSERT_NE(registration, nullptr);
    EXPECT_NE(GetDlgItem(registration, 1), nullptr);
    Press(registration, 1);
    HWND login = WaitFor([&] { return FindTopLevel(Standin().Pid(), [](HWND w) { return Text(w) == LoginTitle; }); });
    ASSERT_NE(login, nullptr);
    Press(login, 1);  // the empty password is right
    HWND lock = WaitFor([&] {
        return FindTopLevel(Standin().Pid(), [](HWND w) { return FindWindowExA(w, nullptr, "Static", MetadataLockedText) != nullptr; });
    });
    ASSERT_NE(lock, nullptr);
    ExpectMessageBox(lock, MetadataLockedText, {2});
    EXPECT_EQ(GetWindow(lock, GW_OWNER), nullptr);
    Press(lock, 2);
    EXPECT_EQ(Standin().WaitExit(), 0);
    EXPECT_TRUE(MatchSequence("journal", {
        "show register Регистрация Информационной Базы",
        "button register 1",
        "show login Авторизация  доступа",
        "button login 1",
        std::string("show lock ") + MetadataLockedText,
        "button lock 2",
        "exit - 0",
    }, JournalLines()));
}

TEST_F(StandinScenario, WrongConfigurationPasswordThenANewPromptThatIsCancelled) {
    HWND mainWindow = Start({"login=0", "config_password=пароль"});
    ASSERT_NE(mainWindow, nullptr);
    Command(mainWindow, 33206);
    HWND prompt = WaitDialog(mainWindow, PasswordPromptText);
    ASSERT_NE(prompt, nullptr);
    ExpectModalDialog(prompt, mainWindow);
    EXPECT_EQ(ClassOf(GetDlgItem(prompt, 0xFFFF)), "Static");
    EXPECT_NE(FindWindowExA(prompt, nullptr, "Edit", nullptr), nullptr);
    EXPECT_EQ(ButtonIds(prompt), (std::vector<int>{1, 2}));
    Type(FindWindowExA(prompt, nullptr, "Edit", nullptr), "не тот");
    Command(prompt, 1);

    HWND box = WaitDialog(mainWindow, WrongPasswordText);
    ASSERT_NE(box, nullptr);
    ExpectMessageBox(box, WrongPasswordText, {2});
    EXPECT_EQ(GetWindow(box, GW_OWNER), prompt);
    Press(box, 2);
    HWND again = WaitFor([&] {
        HWND dialog = FindDialog(mainWindow);
        return dialog && dialog != prompt && MessageTextOf(dialog) == PasswordPromptText ? dialog : nullptr;
    });
    ASSERT_NE(again, nullptr);
    Press(again, 2);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_EQ(FindDialog(mainWindow), nullptr) << "a cancelled prompt ends the command";
    EXPECT_TRUE(MatchSequence("journal", {
        "main - {*}",
        "command - 33206",
        "show password Введите пароль:",
        "typed password не тот",
        "button password 1",
        "show password_wrong Пароль набран неверно.",
        "button password_wrong 2",
        "show password Введите пароль:",
        "button password 2",
    }, JournalLines()));
}

TEST_F(StandinScenario, UnknownDialogWithOnlyANonStandardDefaultButtonAndA64KText) {
    HWND mainWindow = Start({"login=0", "extra1.at=idle", "extra1.title=Внимание", "extra1.text=%s %n \\x01",
                             "extra1.text_size=65536", "extra1.buttons=1234:Дальше", "extra1.default=1234"},
                            false);
    mainWindow = WaitMainWindow(Standin().Pid());
    ASSERT_NE(mainWindow, nullptr);
    HWND extra = WaitFor([&] { return FindDialog(mainWindow); });
    ASSERT_NE(extra, nullptr);
    ExpectModalDialog(extra, mainWindow);
    std::string text = MessageTextOf(extra);
    EXPECT_EQ(text.size(), 65536u);
    EXPECT_EQ(text.substr(0, 14), "%s %n \x01%s %n \x01");
    EXPECT_EQ(Text(extra), "Внимание");
    EXPECT_EQ(ButtonIds(extra), std::vector<int>{});
    DWORD_PTR defaultId = 0;
    SendMessageTimeoutA(extra, DM_GETDEFID, 0, 0, SMTO_NORMAL, 1000, &defaultId);
    EXPECT_EQ(defaultId, static_cast<DWORD_PTR>(MAKELONG(1234, DC_HASDEFID)));
    Press(extra, 1);
    Press(extra, 2);
    EXPECT_TRUE(IsWindow(extra)) << "only its own button closes it";
    Press(extra, 1234);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(extra); }));
    EXPECT_TRUE(MatchSequence("journal", {
        "main - {*}",
        "show extra1 {*}",
        "ignored extra1 1",
        "ignored extra1 2",
        "button extra1 1234",
    }, JournalLines()));
}

TEST_F(StandinScenario, BurstOfDialogsThatVanishByThemselves) {
    HWND mainWindow = Start({"login=0", "extra1.at=idle", "extra1.text=раз", "extra1.count=2", "extra1.vanish_ms=200",
                             "extra2.at=idle", "extra2.text=два", "extra2.vanish_ms=200"},
                            false);
    mainWindow = WaitMainWindow(Standin().Pid());
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return Journal().size() >= 10; }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_TRUE(MatchSequence("journal", {
        "main - {*}",
        "show extra1 раз", "vanished extra1 ",
        "show extra1 раз", "vanished extra1 ",
        "show extra2 два", "vanished extra2 ",
    }, JournalLines()));
}

TEST_F(StandinScenario, HangWhileTextIsTyped) {
    HWND mainWindow = Start({"login=0", "hang=settext:open_file"});
    ASSERT_NE(mainWindow, nullptr);
    Command(mainWindow, 33206);
    HWND chooser = WaitDialog(mainWindow, OpenConfigurationFileText);
    ASSERT_NE(chooser, nullptr);
    DWORD_PTR answer = 0;
    EXPECT_EQ(SendMessageTimeoutA(FindWindowExA(chooser, nullptr, "Edit", nullptr), WM_SETTEXT, 0,
                                  reinterpret_cast<LPARAM>("x.md"), SMTO_NORMAL, 1000, &answer),
              0)
        << "the stand-in must not answer";
    EXPECT_EQ(Standin().WaitExit(300), -1) << "a hang is no exit";
    EXPECT_TRUE(MatchSequence("journal", {"...", "typed open_file x.md", "hang - settext:open_file"}, JournalLines()));
}

TEST_F(StandinScenario, CrashInsideAPress) {
    HWND mainWindow = Start({"login=0", "crash=press:save", "crash_code=77"});
    ASSERT_NE(mainWindow, nullptr);
    HWND save = LoadToSaveQuestion(mainWindow);
    ASSERT_NE(save, nullptr);
    Command(save, 6);
    EXPECT_EQ(Standin().WaitExit(), 77);
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
    EXPECT_TRUE(MatchSequence("journal", {"...", "button save 6", "crash - press:save"}, JournalLines()));
}

TEST_F(StandinScenario, LongSaveQuestionAndFiftyThousandChanges) {
    HWND mainWindow = Start({"login=0", "save_question=long", "changes_generated=50000", "change_prefix=Изменение №"});
    ASSERT_NE(mainWindow, nullptr);
    HWND save = LoadToSaveQuestion(mainWindow, SaveQuestionLongText);
    ASSERT_NE(save, nullptr);
    ExpectMessageBox(save, SaveQuestionLongText, {6, 7});
    Press(save, 6);
    HWND structure = WaitDialog(mainWindow, StructureChangesText);
    ASSERT_NE(structure, nullptr);
    HWND list = FindWindowExA(structure, nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 50000);
    wchar_t item[64] = {};
    SendMessageW(list, LB_GETTEXT, 49999, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(std::wstring(item), L"Изменение №50000");
    Press(structure, 1);
    HWND done = WaitDialog(mainWindow, RestructuringDoneText);
    ASSERT_NE(done, nullptr);
    Press(done, 2);
    EXPECT_TRUE(MatchSequence("journal", {"...", "button structure 1", "read structure 1", "loaded - {*}", "..."},
                              JournalLines()));
}

TEST_F(StandinScenario, DisabledFirstDocumentThenCrash) {
    HWND mainWindow = Start({"login=0", "mdi_child=idle", "mdi_child_disabled=1", "crash=mdi_disabled"});
    ASSERT_NE(mainWindow, nullptr);
    HWND mdiClient = FindWindowExA(mainWindow, nullptr, "MDIClient", nullptr);
    HWND document = WaitFor([&] { return GetTopWindow(mdiClient); });
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(IsWindowEnabled(document));
    EXPECT_EQ(Standin().WaitExit(), 255);
    EXPECT_TRUE(MatchSequence("journal", {"main - {*}", "document - disabled", "crash - mdi_disabled"}, JournalLines()));
}

TEST_F(StandinScenario, MainWindowClosesAfterTheUnloadWithoutTheEndOfWork) {
    HWND mainWindow = Start({"login=0", "close=after_unload", "unload_box_over_dialog=1"});
    ASSERT_NE(mainWindow, nullptr);
    Command(mainWindow, 33204);
    HWND unload = WaitDialog(mainWindow, UnloadDataText);
    ASSERT_NE(unload, nullptr);
    Type(FindWindowExA(FindWindowExA(unload, nullptr, "ComboBox", nullptr), nullptr, "Edit", nullptr), UnloadFile());
    Command(unload, 1);
    HWND box = WaitDialog(mainWindow, UnloadSucceededText);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), unload) << "the box stands over the still open unload dialog";
    EXPECT_TRUE(IsWindowVisible(unload));
    Press(box, 2);
    EXPECT_EQ(Standin().WaitExit(), 0);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_TRUE(FileExists(UnloadFile()));
    EXPECT_TRUE(MatchSequence("journal", {"...", "button unload_done 2", "close - after_unload", "exit - 0"},
                              JournalLines()));
}

TEST_F(StandinScenario, MergeAppendsToTheConfiguration) {
    HWND mainWindow = Start({"login=0", "structure=skip"});
    ASSERT_NE(mainWindow, nullptr);
    Command(mainWindow, 33260);
    HWND chooser = WaitDialog(mainWindow, OpenConfigurationFileText);
    ASSERT_NE(chooser, nullptr);
    Type(FindWindowExA(chooser, nullptr, "Edit", nullptr), NewMd());
    Press(chooser, 1);
    HWND merge = WaitDialog(mainWindow, MergeConfigurationsText);
    ASSERT_NE(merge, nullptr);
    ExpectModalDialog(merge, mainWindow);
    EXPECT_EQ(GetDlgItem(merge, 0xFFFF), nullptr);
    EXPECT_NE(GetDlgItem(merge, 1), nullptr);
    Press(merge, 1);
    HWND save = WaitDialog(mainWindow, SaveQuestionShortText);
    ASSERT_NE(save, nullptr);
    Press(save, 6);
    HWND done = WaitDialog(mainWindow, RestructuringDoneText);
    ASSERT_NE(done, nullptr);
    Press(done, 2);
    HWND mdiClient = FindWindowExA(mainWindow, nullptr, "MDIClient", nullptr);
    EXPECT_NE(WaitFor([&] { return GetTopWindow(mdiClient); }), nullptr);
    EXPECT_EQ(ReadFile(InfobaseMd()), std::string(OriginalMd) + "\r\nSTANDIN MERGED " + NewMd() + "\r\n");
}

TEST_F(StandinScenario, IdenticalConfigurationsWithButtonOne) {
    WriteFile(NewMd(), OriginalMd);
    HWND mainWindow = Start({"login=0", "identical_button=1"});
    ASSERT_NE(mainWindow, nullptr);
    Command(mainWindow, 33206);
    HWND chooser = WaitDialog(mainWindow, OpenConfigurationFileText);
    ASSERT_NE(chooser, nullptr);
    Type(FindWindowExA(chooser, nullptr, "Edit", nullptr), NewMd());
    Press(chooser, 1);
    HWND box = WaitDialog(mainWindow, ConfigurationsIdenticalText);
    ASSERT_NE(box, nullptr);
    ExpectMessageBox(box, ConfigurationsIdenticalText, {1});
    Press(box, 1);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_EQ(GetTopWindow(FindWindowExA(mainWindow, nullptr, "MDIClient", nullptr)), nullptr);
}

TEST_F(StandinScenario, SingleUserErrorInsteadOfTheLoad) {
    HWND mainWindow = Start({"login=0", "single_user=load"});
    ASSERT_NE(mainWindow, nullptr);
    Command(mainWindow, 33206);
    HWND box = WaitDialog(mainWindow, NoSingleUserText);
    ASSERT_NE(box, nullptr);
    ExpectModalDialog(box, mainWindow);
    ExpectMessageBox(box, NoSingleUserText, {2});
    Press(box, 2);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_EQ(ReadFile(InfobaseMd()), OriginalMd);
}

TEST_F(StandinScenario, SlowPressReturnsBeforeItsWorkIsDone) {
    HWND mainWindow = Start({"login=0", "save.press_ms=1500", "restructure_ms=300"});
    ASSERT_NE(mainWindow, nullptr);
    HWND save = LoadToSaveQuestion(mainWindow);
    ASSERT_NE(save, nullptr);
    DWORD_PTR answer = 0;
    EXPECT_EQ(SendMessageTimeoutA(save, WM_COMMAND, 6, 0, SMTO_NORMAL, 1000, &answer), 0) << "the press outlasts 1000 ms";
    EXPECT_TRUE(IsWindow(save));
    HWND structure = WaitDialog(mainWindow, StructureChangesText);
    ASSERT_NE(structure, nullptr);
    Press(structure, 1);
    HWND done = WaitDialog(mainWindow, RestructuringDoneText);
    ASSERT_NE(done, nullptr);
    Press(done, 2);
    EXPECT_TRUE(MatchSequence("journal", {"...", "button structure 1", "read structure 0", "restructuring - 300", "..."},
                              JournalLines()));
}

}  // namespace

namespace {

TEST_F(StandinScenario, HarnessEndsAStandinThatHangs) {
    Start({"login=0", "hang=idle"}, false);
    EXPECT_TRUE(WaitUntil([&] { return JournalLines().size() >= 2; }));
    EXPECT_TRUE(MatchSequence("journal", {"main - {*}", "hang - idle"}, JournalLines()));
    EXPECT_TRUE(EndStandins(0));
    EXPECT_EQ(Standin().WaitExit(2000), 999);
    EXPECT_FALSE(EndStandins(0));
}

}  // namespace
