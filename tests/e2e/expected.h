#pragma once
// What the end-to-end tests expect of a run, written once: the configurator's texts come
// from the stand-in's own copy (standin/texts.h), never from the tool's sources, and the
// console lines and journal events that many runs share are built here. Placeholders as in
// harness.h ({base}, {new_md}, ...) are expanded by the harness.

#include <windows.h>

#include <string>
#include <vector>

#include "standin/texts.h"

namespace e2e {

using Lines = std::vector<std::string>;

// Expected sequences are put together piece by piece: LoginLines() + LoadLines().
inline Lines operator+(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

inline std::string Id(int id) { return std::to_string(id); }

// The menu commands as the stand-in journals them ("command - <id>").
constexpr int UnloadCommand = 33204;
constexpr int LoadCommand = 33206;
constexpr int MergeCommand = 33260;
constexpr int ExitCommand = 57665;

inline std::string CommandEntry(int id) { return "command - " + Id(id); }

// The structure change the scenarios give the stand-in (change=...), and the stand-in's
// own two when a scenario gives none.
inline const std::string Change = "Справочник Номенклатура: добавлен реквизит Артикул";
inline const Lines StandinChanges = {Change, "Документ РасходнаяНакладная: изменен тип реквизита Сумма"};

// ---- console lines ----

// From the start up to the configurator's process id.
inline Lines LaunchLines(const std::string& user = "Администратор", const std::string& base = "{base}",
                         const std::string& exe = "{standin}") {
    return {
        "Подготовка командной строки...",
        "  1C: " + exe,
        "  База: " + base,
        "  Пользователь: " + user,
        "",
        "Ожидаем запуска конфигуратора...",
        "  ИД процесса: {*}",
    };
}

inline const char SearchLine[] = "Поиск окна конфигуратора";

// Up to the search for the main window, with the time limit of WorkTime=1 or without one.
inline Lines StartLines(bool limited = false) {
    return LaunchLines() + (limited ? Lines{"Выполнять не более 1 мин.", SearchLine} : Lines{SearchLine});
}

// Up to the log-in window's line.
inline Lines LoginLines(bool limited = false) { return StartLines(limited) + Lines{"Авторизация  доступа"}; }

inline Lines UnloadLines(const std::string& file = "{unload_lower}") {
    return {"Выгрузка в файл: " + file, "Выгрузка завершена!"};
}

inline Lines OpenFileLines(const std::string& file = "{new_md}") {
    return {"Открываем файл конфигурации: " + file, " =OK="};
}

// The save question answered, then the structure changes listed and accepted.
inline Lines SaveAndStructureLines(const Lines& changes = {Change}) {
    Lines lines = {"Сохранить конфигурацию?", " =ДА=", "Изменения в структуре информации"};
    for (const auto& change : changes) lines.push_back("   ** " + change);
    return lines + Lines{" =ПРИНИМАЕМ=", ""};
}

inline Lines DoneLines() { return {"Реорганизация информации закончена! ", " =OK="}; }

// A load from the file chooser to the end of the restructuring.
inline Lines LoadLines(const std::string& file = "{new_md}", const Lines& changes = {Change}) {
    return OpenFileLines(file) + SaveAndStructureLines(changes) + DoneLines();
}

// ---- journal lines ----

// The log-in window answered with the password, then the main window.
inline Lines LoginAnsweredJournal(const std::string& password) {
    return {std::string("show login ") + LoginTitle, "typed login " + password, "button login " + Id(IDOK)};
}
inline Lines LoginJournal(const std::string& password) { return LoginAnsweredJournal(password) + Lines{"main - {*}"}; }

inline Lines UnloadJournal(const std::string& file = "{unload_lower}") {
    return {
        CommandEntry(UnloadCommand),
        std::string("show unload ") + UnloadDataText,
        "typed unload " + file,
        "button unload " + Id(IDOK),
        "unloaded - " + file,
        "archive - {*}",
        std::string("show unload_done ") + UnloadSucceededText,
        "button unload_done " + Id(IDCANCEL),
    };
}

// The command, then its file chooser answered with the file.
inline Lines OpenFileJournal(int command = LoadCommand, const std::string& file = "{new_md}") {
    return {
        CommandEntry(command),
        std::string("show open_file ") + OpenConfigurationFileText,
        "typed open_file " + file,
        "button open_file " + Id(IDOK),
    };
}

inline Lines MergeJournal() { return {std::string("show merge ") + MergeConfigurationsText, "button merge " + Id(IDOK)}; }

inline Lines SaveJournal() { return {std::string("show save ") + SaveQuestionShortText, "button save " + Id(IDYES)}; }

// A load from its command to the end of the restructuring.
inline Lines LoadJournal() {
    return OpenFileJournal() + SaveJournal() + Lines{
        std::string("show structure ") + StructureChangesText,
        "button structure " + Id(IDOK),
        "read structure 1",
        "loaded - {new_md}",
        std::string("show done ") + RestructuringDoneText,
        "button done " + Id(IDCANCEL),
    };
}

// The exit command and the configurator's own end.
inline Lines ExitJournal() { return {CommandEntry(ExitCommand), "close - exit", "exit - 0"}; }

// A load, its document window, then the exit.
inline Lines LoadAndExitJournal() { return LoadJournal() + Lines{"document - enabled"} + ExitJournal(); }

}  // namespace e2e
