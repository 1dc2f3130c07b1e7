#include <fstream>
#include <iterator>
#include <vector>

#include "standin/dialogs.h"
#include "standin/journal.h"
#include "standin/run_parts.h"
#include "standin/scenario.h"
#include "standin/texts.h"
#include "standin/unload_file.h"

namespace {

std::string ReadWholeFile(const std::string& path, bool* ok = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = static_cast<bool>(in);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, bool append = false) {
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << bytes;
    out.flush();
    return static_cast<bool>(out);
}

std::string InfobaseFile() { return Run.baseDir + (Run.baseDir.empty() || Run.baseDir.back() == '\\' ? "" : "\\") + "1cv7.md"; }

DialogResult Box(const std::string& name, const std::string& text, HWND owner = nullptr) {
    return RunMessageBox(name, owner ? owner : Run.mainWindow, text);
}

// Rows 10 and 11 of the configurator: a one-button box whose button id the scenario picks.
DialogResult OneButtonBox(const std::string& name, const std::string& text, const std::string& buttonKey) {
    int id = Plan.Number(buttonKey, IDCANCEL);
    return RunMessageBox(name, Run.mainWindow, text, {{id, "OK"}});
}

bool YesNo(const std::string& name, const std::string& text, HWND owner = nullptr) {
    return RunMessageBox(name, owner ? owner : Run.mainWindow, text, {{IDYES, "Да"}, {IDNO, "Нет"}}).id == IDYES;
}

// A refusal of the whole command, when the scenario places the single-user error or the
// metadata lock here.
bool CommandRefused(const std::string& command) {
    if (Plan.Text("single_user") == command) {
        Box("single_user", NoSingleUserText);
        return true;
    }
    if (Plan.Text("lock") == command) {
        Box("lock", MetadataLockedText);
        return true;
    }
    return false;
}

// The configuration password prompt; shown only when the scenario sets the password.
bool AskPassword(const std::string& name, const std::string& expected) {
    if (expected.empty()) return true;
    while (true) {
        DialogSpec spec;
        spec.name = name;
        spec.title = "Пароль";
        spec.message = PasswordPromptText;
        spec.field = Field::PasswordEdit;
        spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
        spec.defaultId = IDOK;
        spec.owner = Run.mainWindow;
        spec.onPress = [&](HWND dialog, int id, const std::string& typed) {
            if (id != IDOK || typed == expected) return true;
            Box(name + "_wrong", WrongPasswordText, dialog);
            if (Plan.Text("config_password_retry", "again") == "same") {
                SetDlgItemTextA(dialog, FieldId, "");
                return false;
            }
            EndDialog(dialog, RetryDialog);
            return false;
        };
        DialogResult result = RunDialog(spec);
        if (result.id == IDOK) return true;
        if (result.id == IDCANCEL || result.id == 0) return false;
        // A wrong password: the prompt again, or the command given up.
        if (Plan.Text("config_password_retry", "again") == "give_up") return false;
    }
}

bool ChooseFile(std::string* path) {
    DialogSpec spec;
    spec.name = "open_file";
    spec.title = OpenConfigurationFileText;
    spec.labels = {"Имя файла:"};
    spec.field = Field::Edit;
    spec.fieldText = "1cv7.md";
    spec.buttons = {{IDOK, "Открыть"}, {IDCANCEL, "Отмена"}};
    spec.defaultId = IDOK;
    spec.owner = Run.mainWindow;
    DialogResult result = RunDialog(spec);
    if (result.id != IDOK) return false;
    DWORD attributes = GetFileAttributesA(result.fieldText.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Box("not_found", FileNotFoundText + result.fieldText);
        return false;
    }
    *path = result.fieldText;
    return true;
}

std::vector<std::string> StructureChanges() {
    std::vector<std::string> items = Plan.All("change");
    int generated = Plan.Number("changes_generated", 0);
    std::string prefix = Plan.Text("change_prefix", "Документ РасходнаяНакладная: изменен реквизит №");
    for (int i = 1; i <= generated; ++i) items.push_back(prefix + std::to_string(i));
    if (items.empty() && Plan.Text("structure", "list") == "list")
        items = {"Справочник Номенклатура: добавлен реквизит Артикул",
                 "Документ РасходнаяНакладная: изменен тип реквизита Сумма"};
    return items;
}

// Save question, list of structure changes, restructuring. False when refused.
bool SaveAndRestructure() {
    const char* question = Plan.Text("save_question", "short") == "long" ? SaveQuestionLongText : SaveQuestionShortText;
    if (!YesNo("save", question)) return false;
    std::string structure = Plan.Text("structure", "list");
    if (structure != "skip") {
        Point("before_structure");
        DialogSpec spec;
        spec.name = "structure";
        spec.title = StructureChangesText;
        spec.labels = {"Будут произведены следующие изменения:"};
        if (structure != "no_list") spec.field = Field::ListBox;
        if (structure == "list") spec.items = StructureChanges();
        spec.buttons = {{IDOK, "Принять"}, {IDCANCEL, "Отмена"}};
        spec.defaultId = IDOK;
        spec.owner = Run.mainWindow;
        if (RunDialog(spec).id != IDOK) return false;
    }
    if (int busyMs = Plan.Number("restructure_ms", 0); busyMs > 0) {
        Journal("restructuring", "-", std::to_string(busyMs));
        Sleep(static_cast<DWORD>(busyMs));  // the thread answers no message meanwhile
    }
    return true;
}

// What the end of a load or merge shows; the first document window marks it.
void FinishWork() {
    Point("after_restructure");
    OneButtonBox("done", RestructuringDoneText, "done_button");
    Point("done");
    if (Plan.Text("mdi_child", "work") == "work") OpenFirstDocument();
}

std::string Relation(const std::string& file) {
    std::string relation = Plan.Text("relation", "auto");
    if (relation != "auto") return relation;
    return ReadWholeFile(file) == ReadWholeFile(InfobaseFile()) ? "identical" : "descendant";
}

}  // namespace

void Unload() {
    Point("unload");
    if (CommandRefused("unload")) return;
    DialogSpec spec;
    spec.name = "unload";
    spec.title = UnloadDataText;
    spec.labels = {"Выгрузить данные в файл:"};
    spec.field = Field::ComboBox;
    spec.fieldText = Plan.Text("unload_default", "1cv7.zip");
    spec.buttons = {{IDOK, "Выгрузить"}, {IDCANCEL, "Закрыть"}};
    spec.defaultId = IDOK;
    spec.owner = Run.mainWindow;
    bool boxOverDialog = Plan.Number("unload_box_over_dialog", 0) != 0;
    bool written = false;
    auto unload = [&](const std::string& target, HWND owner) {
        const UnloadFile file(Run.baseDir, target);  // held, when asked, until the box is answered
        written = !file.What().empty();
        if (!written) {
            Box("unload_failed", UnloadWriteFailedText + target, owner);
            return;
        }
        Journal("unloaded", "-", target);
        Journal("archive", "-", file.What());
        Box("unload_done", UnloadSucceededText, owner);
    };
    spec.onPress = [&](HWND dialog, int id, const std::string& target) {
        if (id == IDOK && boxOverDialog) unload(target, dialog);
        return true;
    };
    DialogResult result = RunDialog(spec);
    if (result.id != IDOK) return;
    if (!boxOverDialog) unload(result.fieldText, nullptr);
    if (written) Point("after_unload");
}

void Load() {
    Point("load");
    if (CommandRefused("load")) return;
    if (!AskPassword("password", Plan.Text("config_password"))) return;
    std::string file;
    if (!ChooseFile(&file)) return;
    if (!AskPassword("new_password", Plan.Text("new_config_password"))) return;
    Point("after_file");
    std::string relation = Relation(file);
    if (relation == "identical") {
        OneButtonBox("identical", ConfigurationsIdenticalText, "identical_button");
        return;
    }
    if (relation == "not_descendant" && !YesNo("not_descendant", NotDescendantText)) return;
    if (!SaveAndRestructure()) return;
    if (!CopyFileA(file.c_str(), InfobaseFile().c_str(), FALSE)) {
        Journal("load-failed", "-", std::to_string(GetLastError()));
        return;
    }
    Journal("loaded", "-", file);
    FinishWork();
}

void Merge() {
    Point("merge");
    if (CommandRefused("merge")) return;
    if (!AskPassword("password", Plan.Text("config_password"))) return;
    std::string file;
    if (!ChooseFile(&file)) return;
    if (!AskPassword("new_password", Plan.Text("new_config_password"))) return;
    Point("after_file");
    if (Relation(file) == "identical") {
        OneButtonBox("identical", ConfigurationsIdenticalText, "identical_button");
        return;
    }
    DialogSpec spec;
    spec.name = "merge";
    spec.title = MergeConfigurationsText;
    spec.labels = {"Объединить с конфигурацией:", file};
    spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
    spec.defaultId = IDOK;
    spec.owner = Run.mainWindow;
    if (RunDialog(spec).id != IDOK) return;
    if (!SaveAndRestructure()) return;
    if (!WriteWholeFile(InfobaseFile(), "\r\nSTANDIN MERGED " + file + "\r\n", true)) {
        Journal("merge-failed", "-", std::to_string(GetLastError()));
        return;
    }
    Journal("merged", "-", file);
    FinishWork();
}

void Exit() {
    Point("exit");
    if (Plan.Number("exit_question", 0)) {
        const char* question = Plan.Text("save_question", "short") == "long" ? SaveQuestionLongText : SaveQuestionShortText;
        YesNo("exit_save", question);
    }
    CloseMainWindow("exit");
}
