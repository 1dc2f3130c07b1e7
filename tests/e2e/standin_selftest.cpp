// The stand-in configurator driven by hand, as cfgload will drive it: its windows, texts,
// classes, ids, ownership and modality, its journal and the files it writes. Expected texts
// are written out here on their own, not taken from the stand-in's sources.
#include <windows.h>

#include <functional>

#include <gtest/gtest.h>

#include "tests/e2e/harness.h"
#include "tests/support/child_process.h"

namespace {

using e2e::MatchSequence;

constexpr DWORD WaitLimitMs = 10000;

const char LoginTitle[] = "Авторизация  доступа";
const char WrongPassword[] = "Пароль набран неверно.";
const char UnloadTitle[] = "Выгрузка данных";
const char UnloadDone[] = "Выгрузка успешно завершена!";
const char ChooserTitle[] = "Открыть файл конфигурации";
const char SaveShort[] =
    "При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
    "в случае необходимости, реорганизация информационной базы,\n"
    "что может потребовать  достаточно продолжительного интервала времени!\n"
    "Выполнить сохранение метаданных?";
const char NotDescendant[] =
    "ВНИМАНИЕ:\n"
    "Выбранный файл конфигурации не является потомком данного файла!!!\n"
    "При реструктуризации может произойти разрушение данных!!!\n"
    "Продолжить?";
const char StructureTitle[] = "Изменения в структуре информации";
const char RestructuringDone[] = "Реорганизация информации закончена!";
const char MetadataTitle[] = "Конфигурация *";

std::string Text(HWND window) {
    char buffer[70000];
    int length = GetWindowTextA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ClassOf(HWND window) {
    char buffer[256];
    int length = GetClassNameA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string MessageTextOf(HWND window) {
    HWND text = GetDlgItem(window, 0xFFFF);
    return Text(text ? text : window);
}

HWND WaitFor(const std::function<HWND()>& find, DWORD limitMs = WaitLimitMs) {
    for (ULONGLONG until = GetTickCount64() + limitMs;;) {
        if (HWND found = find()) return found;
        if (GetTickCount64() > until) return nullptr;
        Sleep(30);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = WaitLimitMs) {
    return WaitFor([&] { return condition() ? HWND(1) : nullptr; }, limitMs) != nullptr;
}

struct Search {
    DWORD pid;
    std::function<bool(HWND)> wanted;
    HWND found;
};

HWND FindTopLevel(DWORD pid, const std::function<bool(HWND)>& wanted) {
    Search search{pid, wanted, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->pid || !s->wanted(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND TopLevelOwner(HWND window) {
    HWND result = nullptr;
    while (window) {
        result = window;
        HWND parent = GetParent(window);
        window = parent ? parent : GetWindow(window, GW_OWNER);
    }
    return result;
}

// A dialog as the tool looks for one: a visible top-level window of the main window's
// thread, no tool window, not the metadata window, owned (in the end) by the main window.
HWND FindDialog(HWND mainWindow) {
    Search search{0, nullptr, nullptr};
    search.wanted = [mainWindow](HWND window) {
        if (window == mainWindow || !IsWindowVisible(window)) return false;
        if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return false;
        if (GetParent(window) && Text(window) == MetadataTitle) return false;
        return TopLevelOwner(window) == mainWindow;
    };
    EnumThreadWindows(
        GetWindowThreadProcessId(mainWindow, nullptr),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (!s->wanted(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitDialog(HWND mainWindow, const std::string& text) {
    std::string seen;
    HWND dialog = WaitFor([&] {
        HWND candidate = FindDialog(mainWindow);
        if (!candidate) return HWND();
        seen = MessageTextOf(candidate);
        return seen == text ? candidate : HWND();
    });
    EXPECT_NE(dialog, nullptr) << "no dialog \"" << e2e::Printable(text) << "\"; last seen: \"" << e2e::Printable(seen)
                               << "\"";
    return dialog;
}

void Type(HWND edit, const std::string& text) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 2000, &answer);
}

// A press as the tool makes it: WM_COMMAND to the dialog itself, 1000 ms at most.
void Press(HWND dialog, int id) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 1000, &answer);
}

void CALLBACK NoCompletion(HWND, UINT, ULONG_PTR, LRESULT) {}

// Menu commands go to the main window asynchronously, as the tool sends them.
void Command(HWND mainWindow, int id) {
    SendMessageCallbackA(mainWindow, WM_COMMAND, static_cast<WPARAM>(id), 0, &NoCompletion, 0);
}

// Items read the way that is right on Windows and safe under Wine: as UTF-16, then turned
// into the ANSI code page.
std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(static_cast<size_t>(length) * 2 + 2, L'\0');
        LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(got > 0 ? static_cast<size_t>(got) : 0);
        std::string ansi(wide.size() * 2 + 1, '\0');
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                                        static_cast<int>(ansi.size()), nullptr, nullptr);
        ansi.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
        items.push_back(ansi);
    }
    return items;
}

std::vector<int> ButtonIds(HWND dialog) {
    std::vector<int> ids;
    for (int id = 1; id <= 9; ++id)
        if (HWND button = GetDlgItem(dialog, id); button && ClassOf(button) == "Button") ids.push_back(id);
    return ids;
}

// What every dialog of the working configurator must be.
void ExpectModalDialog(HWND dialog, HWND mainWindow) {
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetWindowThreadProcessId(dialog, nullptr), GetWindowThreadProcessId(mainWindow, nullptr));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), mainWindow);
    EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "the main window must be disabled while a dialog is open";
}

void ExpectMessageBox(HWND box, const std::string& text, const std::vector<int>& buttons) {
    HWND message = GetDlgItem(box, 0xFFFF);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(ClassOf(message), "Static");
    EXPECT_EQ(GetParent(message), box);
    EXPECT_EQ(Text(message), text);
    EXPECT_EQ(ButtonIds(box), buttons);
}

class StandinProcess {
public:
    StandinProcess(const std::string& base, const std::string& user) {
        std::string exe = WindowsPath(STANDIN_EXE);
        std::string line = "\"" + exe + "\" config /d\"" + base + "\" /u\"" + base + "\" /n" + user;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                                  CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS, nullptr, base.c_str(), &startup,
                                  &info_) != 0;
        if (started_) WaitForInputIdle(info_.hProcess, WaitLimitMs);
    }
    ~StandinProcess() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 999);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Pid() const { return info_.dwProcessId; }
    // The exit code, or -1 when it is still running after the limit.
    long WaitExit(DWORD limitMs = WaitLimitMs) const {
        if (WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

class StandinSelfTest : public e2e::EndToEnd {
protected:
    void Scenario(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : Expand(lines)) text += line + "\r\n";
        WriteFile(Base() + "\\standin.scenario", text);
    }

    HWND WaitMainWindow(DWORD pid) {
        HWND mainWindow = WaitFor([&] {
            return FindTopLevel(pid, [](HWND window) {
                return GetWindowLongA(window, GWL_EXSTYLE) == 0x110 && FindWindowExA(window, nullptr, "MDIClient", nullptr);
            });
        });
        EXPECT_NE(mainWindow, nullptr) << "no main window";
        return mainWindow;
    }

    std::vector<std::string> JournalLines() {
        e2e::RunResult run;
        run.journal = Journal();
        return run.JournalLines();
    }
};

}  // namespace

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
        return FindTopLevel(standin.Pid(), [](HWND w) { return Text(w) == MetadataTitle && IsWindowVisible(w); });
    });
    ASSERT_NE(metadata, nullptr);
    EXPECT_EQ(GetParent(metadata), mainWindow);
    EXPECT_EQ(GetWindow(metadata, GW_OWNER), mainWindow);
    EXPECT_TRUE(IsWindowVisible(metadata));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));

    // Unload: the name goes into the Edit inside the dialog's ComboBox.
    Command(mainWindow, 33204);
    HWND unload = WaitDialog(mainWindow, UnloadTitle);
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

    HWND unloaded = WaitDialog(mainWindow, UnloadDone);
    ASSERT_NE(unloaded, nullptr);
    ExpectModalDialog(unloaded, mainWindow);
    ExpectMessageBox(unloaded, UnloadDone, {2});
    Press(unloaded, 2);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(mainWindow) != 0; }));
    EXPECT_TRUE(FileExists(UnloadFile()));

    // Load: file chooser, save question, list of changes, completion.
    Command(mainWindow, 33206);
    HWND chooser = WaitDialog(mainWindow, ChooserTitle);
    ASSERT_NE(chooser, nullptr);
    ExpectModalDialog(chooser, mainWindow);
    HWND fileName = FindWindowExA(chooser, nullptr, "Edit", nullptr);
    ASSERT_NE(fileName, nullptr);
    EXPECT_EQ(ButtonIds(chooser), (std::vector<int>{1, 2}));
    Type(fileName, NewMd());
    Press(chooser, 1);

    HWND save = WaitDialog(mainWindow, SaveShort);
    ASSERT_NE(save, nullptr);
    ExpectModalDialog(save, mainWindow);
    ExpectMessageBox(save, SaveShort, {6, 7});
    Press(save, 6);

    HWND structure = WaitDialog(mainWindow, StructureTitle);
    ASSERT_NE(structure, nullptr);
    ExpectModalDialog(structure, mainWindow);
    HWND list = FindWindowExA(structure, nullptr, "ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListItems(list),
              (std::vector<std::string>{longItem, "Справочник Номенклатура: добавлен реквизит Артикул"}));
    EXPECT_NE(GetDlgItem(structure, 1), nullptr);
    Press(structure, 1);

    HWND done = WaitDialog(mainWindow, RestructuringDone);
    ASSERT_NE(done, nullptr);
    ExpectModalDialog(done, mainWindow);
    ExpectMessageBox(done, RestructuringDone, {2});
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

    EXPECT_EQ(ReadFile(UnloadFile()).substr(0, 16), "STANDIN UNLOAD\r\n");
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
        "show unload_done Выгрузка успешно завершена!",
        "button unload_done 2",
        "command - 33206",
        "show open_file Открыть файл конфигурации",
        "typed open_file {new_md}",
        "button open_file 1",
        std::string("show save ") + SaveShort,
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
        return FindTopLevel(standin.Pid(), [](HWND w) { return FindWindowExA(w, nullptr, "Static", WrongPassword) != nullptr; });
    });
    ASSERT_NE(box, nullptr);
    ExpectMessageBox(box, WrongPassword, {2});
    EXPECT_EQ(GetWindow(box, GW_OWNER), login);
    EXPECT_TRUE(IsWindowVisible(box));
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
    HWND chooser = WaitDialog(mainWindow, ChooserTitle);
    ASSERT_NE(chooser, nullptr);
    Type(FindWindowExA(chooser, nullptr, "Edit", nullptr), NewMd());
    Press(chooser, 1);

    HWND warning = WaitDialog(mainWindow, NotDescendant);
    ASSERT_NE(warning, nullptr);
    ExpectModalDialog(warning, mainWindow);
    ExpectMessageBox(warning, NotDescendant, {6, 7});
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
        std::string("show not_descendant ") + NotDescendant,
        "button not_descendant 7",
        "command - 57665",
        "close - exit",
        "exit - 0",
    }), JournalLines()));
}
