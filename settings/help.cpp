#include "settings/help.h"

#include <cstdio>
#include <string>

#include "settings/system_services.h"

namespace {

// Sample values for the example call; nobody's real account.
constexpr char ExampleUser[] = "Admin";
constexpr char ExamplePassword[] = "1234";

constexpr char CommandLineForms[] =
    "     Где /h, /? - получить справку(этот экран), /code - закодировать пароль.\n"
    "     <Опции> задаются как \"/Ключ Значение\",\n"
    "     а <Файл настройки> есть имя файла, содержащего строки вида \"Ключ=Значение\",\n"
    "     а также комментарии, начинающиеся с точки с запятой (';').\n"
    "\n"
    "     Опции, заданные в командной строке перекрывают заданные в файле. \n"
    "     Если файл не указан, будет браться файл с именем, совпадающим с именем \n"
    "     программы и расширением ini.\n"
    "\n";

constexpr char OptionList[] =
    "Допустимые опции:\n"
    " Debug - включить подробный вывод сообщений (1) или только ошибок (0). По умолчанию 1.\n"
    " BasePath - путь к каталогу базы. Должен быть задан обязательно!\n"
    " Path1CExe - путь к EXE-файлу 1С. По-умолчанию ищет в реестре.\n"
    " NewMDPath - путь к файлу новой конфигурации. По-умолчанию 1cv7.md в каталоге программы.\n"
    "          Если задан \"относительный\" путь - поиск ведется от каталога программы\n"
    "          и (потом) от текущего каталога.\n"
    "          Если задан \"NUL\" или \"NULL\" ((без кавычек, регистр не важен) - загрузка\n"
    "          не производится\n"
    "          (если задана выгрузка данных - производится только она)!\n"
    " ForceReplace - Перезаписать конфигурацию (1), даже если она не потомок\n"
    "                текущей. (0) - не перезаписывать. По умолчанию - 0!\n"
    " Merge - Объединять конфигурации (1), если она не потомок текущей, а ForceReplace=0.\n"
    "                По умолчанию - (0) не объединять. При ForceReplace=1 смысла не имеет.\n"
    "                Для любителей - (2) - только объединять (попытка загрузки даже не делается!).\n"
    " DeleteAfter - После удачной загрузки MD-файл удаляется (1). По-умолчанию (0) - остается.\n"
    " Update - Загрузка производится только если загружаемый файл новее текущего(1).\n"
    "               По-умолчанию (0) - всегда.\n"
    " WorkTime - Ограничение времени работы конфигуратора (минуты). По истечении конфигуратор\n"
    "               завершается. По-умолчанию (0) - без огранияения.\n"
    " User, Password - имя и пароль пользователя для запуска конфигуратора.\n"
    " SecPassword - Зашифрованный пароль пользователя. Этот пароль генерируется\n"
    "                из реального пароля с помощью /code.\n"
    " ConfigPassword - Пароль на конфигурацию.\n"
    " SecConfPassword - Зашифрованный пароль на конфигурацию. Этот пароль генерируется\n"
    "                из реального пароля с помощью /code.\n"
    " NewConfigPassword, NewSecConfPassword - Пароли на новую конфигурацию \n"
    "                (если отличаются от старых).\n"
    "   Выгрузка данных: \n"
    " DownloadTo - имя файла выгрузки. Перед загрузкой конфигурации производится выгрузка данных.\n"
    "              Имя файла выгрузки может включать спец. последовательности: \n"
    "                    ?YY, ?YYYY - год (2 и 4 цифры)\n"
    "                    ?MM, ?DD - месяц и день\n"
    "                    ?W - день недели (1-ПН, ..., 7-ВС)\n"
    "                    ?F - последний подкаталог каталога БД(т.е. тот, в котором\n"
    "                    находится MD - файл)\n"
    "              Для отмены выгрузки можно указать \"NULL\" или \"NUL\"\n"
    "              (без кавычек, регистр не важен).\n"
    "Все опции регистро-независимые.\n";

// The executable's file name without folder and extension, in its own letter case
// ("C:\\Tools\\Loader.EXE" gives "Loader"). The extension is looked for in the file name
// only, so that a dot in a folder name cannot cut the name short.
std::string ProgramName() {
    std::string name = ModuleFilePath();
    std::size_t folder = name.find_last_of("\\/:");
    if (folder != std::string::npos) name.erase(0, folder + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

// Each piece goes to the console in its OEM code page, converted just before it is written.
void WritePiece(std::string piece) {
    ConvertToOem(piece);
    std::fwrite(piece.data(), 1, piece.size(), stdout);
}

}  // namespace

void ShowHelp() {
    const std::string name = ProgramName();
    WritePiece("\n"
               "Загузка конфигурации 1С \n"
               "Строка вызова:\n"
               "  " + name + " { <Опции> | <Файл настройки> | /h | /? | /code <Пароль>} [<Опции>]\n");
    WritePiece(CommandLineForms);
    WritePiece(OptionList);
    WritePiece("Пример: " + name + " Marvok.ini /user " + ExampleUser + " /password " + ExamplePassword +
               " \n"
               "Пример только выгрузки:\n"
               "   " + name + " UnMarvok.ini /NewMDPath NULL /DownloadTo C:\\unload\\?F?YY-?MM-?DD \n");
    std::fflush(stdout);
}

void ShowHelpHint() {
    WritePiece("\n"
               "Для получения помощи введите \n"
               "  " + ProgramName() + " /?\n");
    std::fflush(stdout);
}
