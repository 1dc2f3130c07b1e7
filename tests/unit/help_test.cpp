// The help text and the hint, byte for byte as they reach the console.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/help.h"
#include "tests/support/child_process.h"

namespace {

// The lines as the console receives them: OEM code page, each ending in CR LF.
std::string OnTheConsole(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string ExpectedHelp(const std::string& name) {
    return OnTheConsole({
        "",
        "Загузка конфигурации 1С ",
        "Строка вызова:",
        "  " + name + " { <Опции> | <Файл настройки> | /h | /? | /code <Пароль>} [<Опции>]",
        "     Где /h, /? - получить справку(этот экран), /code - закодировать пароль.",
        "     <Опции> задаются как \"/Ключ Значение\",",
        "     а <Файл настройки> есть имя файла, содержащего строки вида \"Ключ=Значение\",",
        "     а также комментарии, начинающиеся с точки с запятой (';').",
        "",
        "     Опции, заданные в командной строке перекрывают заданные в файле. ",
        "     Если файл не указан, будет браться файл с именем, совпадающим с именем ",
        "     программы и расширением ini.",
        "",
        "Допустимые опции:",
        " Debug - включить подробный вывод сообщений (1) или только ошибок (0). По умолчанию 1.",
        " BasePath - путь к каталогу базы. Должен быть задан обязательно!",
        " Path1CExe - путь к EXE-файлу 1С. По-умолчанию ищет в реестре.",
        " NewMDPath - путь к файлу новой конфигурации. По-умолчанию 1cv7.md в каталоге программы.",
        "          Если задан \"относительный\" путь - поиск ведется от каталога программы",
        "          и (потом) от текущего каталога.",
        "          Если задан \"NUL\" или \"NULL\" ((без кавычек, регистр не важен) - загрузка",
        "          не производится",
        "          (если задана выгрузка данных - производится только она)!",
        " ForceReplace - Перезаписать конфигурацию (1), даже если она не потомок",
        "                текущей. (0) - не перезаписывать. По умолчанию - 0!",
        " Merge - Объединять конфигурации (1), если она не потомок текущей, а ForceReplace=0.",
        "                По умолчанию - (0) не объединять. При ForceReplace=1 смысла не имеет.",
        "                Для любителей - (2) - только объединять (попытка загрузки даже не делается!).",
        " DeleteAfter - После удачной загрузки MD-файл удаляется (1). По-умолчанию (0) - остается.",
        " Update - Загрузка производится только если загружаемый файл новее текущего(1).",
        "               По-умолчанию (0) - всегда.",
        " WorkTime - Ограничение времени работы конфигуратора (минуты). По истечении конфигуратор",
        "               завершается. По-умолчанию (0) - без огранияения.",
        " User, Password - имя и пароль пользователя для запуска конфигуратора.",
        " SecPassword - Зашифрованный пароль пользователя. Этот пароль генерируется",
        "                из реального пароля с помощью /code.",
        " ConfigPassword - Пароль на конфигурацию.",
        " SecConfPassword - Зашифрованный пароль на конфигурацию. Этот пароль генерируется",
        "                из реального пароля с помощью /code.",
        " NewConfigPassword, NewSecConfPassword - Пароли на новую конфигурацию ",
        "                (если отличаются от старых).",
        "   Выгрузка данных: ",
        " DownloadTo - имя файла выгрузки. Перед загрузкой конфигурации производится выгрузка данных.",
        "              Имя файла выгрузки может включать спец. последовательности: ",
        "                    ?YY, ?YYYY - год (2 и 4 цифры)",
        "                    ?MM, ?DD - месяц и день",
        "                    ?W - день недели (1-ПН, ..., 7-ВС)",
        "                    ?F - последний подкаталог каталога БД(т.е. тот, в котором",
        "                    находится MD - файл)",
        "              Для отмены выгрузки можно указать \"NULL\" или \"NUL\"",
        "              (без кавычек, регистр не важен).",
        "Все опции регистро-независимые.",
        "Пример: " + name + " Marvok.ini /user Admin /password 1234 ",
        "Пример только выгрузки:",
        "   " + name + " UnMarvok.ini /NewMDPath NULL /DownloadTo C:\\unload\\?F?YY-?MM-?DD ",
    });
}

std::string ExpectedHint(const std::string& name) {
    return OnTheConsole({"", "Для получения помощи введите ", "  " + name + " /?"});
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

ChildResult RunProgram(const std::string& arguments) {
    return RunChild(Quoted(WindowsPath(CFGLOAD_EXE)) + " " + arguments);
}

// Runs an action with this process's standard output sent to a file opened in text mode,
// as a console or a redirection would have it, and returns the bytes written.
template <typename Action>
std::string CapturedOutput(Action action) {
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "out", 0, file);
    std::fflush(stdout);
    int saved = _dup(_fileno(stdout));
    int capture = _open(file, _O_WRONLY | _O_TRUNC | _O_TEXT);
    _dup2(capture, _fileno(stdout));
    _close(capture);
    action();
    std::fflush(stdout);
    _dup2(saved, _fileno(stdout));
    _close(saved);

    std::string bytes;
    if (std::FILE* in = std::fopen(file, "rb")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, got);
        std::fclose(in);
    }
    DeleteFileA(file);
    return bytes;
}

TEST(Help, QuestionMarkPrintsTheFullHelp) {
    ChildResult run = RunProgram("/?");
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, ExpectedHelp("cfgload"));
    EXPECT_EQ(run.errors, "");
}

TEST(Help, LetterHPrintsTheFullHelp) {
    ChildResult run = RunProgram("/h");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, ExpectedHelp("cfgload"));
}

TEST(Help, CapitalHAfterOtherOptionsPrintsTheFullHelp) {
    ChildResult run = RunProgram("/BasePath C:\\Base /User Иванов /H /code secret");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, ExpectedHelp("cfgload"));
}

TEST(Help, MissingSettingsFileIsFollowedByTheFullHelp) {
    std::string missing = "C:\\no\\such\\folder\\настройки.ini";
    ChildResult run = RunProgram(Quoted(missing));
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    std::string error = "ОШИБКА! Не могу открыть файл: " + missing + "\r\n";
    CharToOemBuffA(error.data(), error.data(), static_cast<DWORD>(error.size()));
    std::string expected = error + ExpectedHelp("cfgload");
    ASSERT_GE(run.output.size(), 8u);
    EXPECT_EQ(run.output[0], '[');
    EXPECT_EQ(run.output.substr(8, expected.size()), expected);
}

class TempFolder {
public:
    explicit TempFolder(const std::string& name) {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        path = std::string(dir) + name + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder() { RemoveDirectoryA(path.c_str()); }
    std::string path;
};

TEST(Help, ProgramNameKeepsItsLetterCase) {
    // A dot in the folder name does not disturb the name either.
    TempFolder folder("Tools.v2");
    std::string copy = folder.path + "\\Loader.EXE";
    ASSERT_TRUE(CopyFileA(WindowsPath(CFGLOAD_EXE).c_str(), copy.c_str(), FALSE));
    ChildResult run = RunChild(Quoted(copy) + " /?");
    DeleteFileA(copy.c_str());
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, ExpectedHelp("Loader"));
}

TEST(Help, HintIsThreeLinesTheFirstEmpty) {
    std::string output = CapturedOutput([] { ShowHelpHint(); });
    EXPECT_EQ(output, ExpectedHint("unit_tests"));
    EXPECT_EQ(output, "\r\n\x84\xab\xef \xaf\xae\xab\xe3\xe7\xa5\xad\xa8\xef \xaf\xae\xac\xae\xe9\xa8 "
                      "\xa2\xa2\xa5\xa4\xa8\xe2\xa5 \r\n  unit_tests /?\r\n")
        << "Cyrillic in code page 866";
}

TEST(Help, HelpCalledInProcessNamesThisProgram) {
    EXPECT_EQ(CapturedOutput([] { ShowHelp(); }), ExpectedHelp("unit_tests"));
}

}  // namespace
