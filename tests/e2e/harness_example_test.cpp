// The typical run through the whole program, written the way end-to-end scenarios are:
// settings, the stand-in's scenario, then what the console and the journal must show.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace {

using e2e::MatchSequence;

e2e::Case UnloadThenLoad() {
    e2e::Case run;
    run.settings = {"DownloadTo={unload}", "Password=секрет"};
    run.standin = {"password=секрет"};
    run.exitCode = 0;
    run.console = {
        "Подготовка командной строки...",
        "  1C: {standin}",
        "  База: {base}",
        "  Пользователь: Администратор",
        "",
        "Ожидаем запуска конфигуратора...",
        "  ИД процесса: {*}",
        "Поиск окна конфигуратора",
        "Авторизация  доступа",
        "Выгрузка в файл: {unload_lower}",
        "Выгрузка завершена!",
        "Открываем файл конфигурации: {new_md}",
        " =OK=",
        "Сохранить конфигурацию?",
        " =ДА=",
        "Изменения в структуре информации",
        "   ** Справочник Номенклатура: добавлен реквизит Артикул",
        "   ** Документ РасходнаяНакладная: изменен тип реквизита Сумма",
        " =ПРИНИМАЕМ=",
        "",
        "Реорганизация информации закончена! ",
        " =OK=",
    };
    run.journal = {
        "show login Авторизация  доступа",
        "typed login секрет",
        "button login 1",
        "main - {*}",
        "command - 33204",
        "show unload Выгрузка данных",
        "typed unload {unload_lower}",
        "button unload 1",
        "unloaded - {unload_lower}",
        "archive - {*}",
        "show unload_done Выгрузка успешно завершена!",
        "button unload_done 2",
        "command - 33206",
        "show open_file Открыть файл конфигурации",
        "typed open_file {new_md}",
        "button open_file 1",
        "show save {*}",
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
    };
    return run;
}

class TypicalRun : public e2e::EndToEnd {};

TEST_F(TypicalRun, UnloadThenLoad) {
    e2e::RunResult run = Check(UnloadThenLoad());
    EXPECT_EQ(ReadFile(InfobaseMd()), NewMdContents);
    EXPECT_TRUE(FileExists(UnloadFile()));
    EXPECT_FALSE(run.standinLeftRunning);
}

// The configurator may outlive its main window and hold cfgload's output pipe: the run
// still ends with cfgload, and the harness ends the stand-in.
TEST_F(TypicalRun, StandinThatOutlivesItsWindow) {
    e2e::RunResult run = Run({"NewMDPath=nul", "DownloadTo={unload}"}, {"login=0", "linger_ms=20000"});
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_LT(run.elapsedMs, 15000u);
    EXPECT_TRUE(run.standinLeftRunning);
    EXPECT_TRUE(MatchSequence("journal", {"...", "close - exit"}, run.JournalLines()));
}

}  // namespace
