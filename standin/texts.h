#pragma once
// The configurator's own texts, as it shows them (Windows-1251 once compiled). The stand-in
// keeps its own copy: a typo here or in the tool must make the tests fail, so nothing is
// shared with the tool's sources.

// Windows before the main window.
constexpr const char RegistrationTitle[] = "Регистрация Информационной Базы";
constexpr const char LoginTitle[] = "Авторизация  доступа";

// Owned window that is not a dialog.
constexpr const char MetadataWindowTitle[] = "Конфигурация *";

// Dialogs and message boxes while working.
constexpr const char PasswordPromptText[] =
    "Введите пароль:";
constexpr const char WrongPasswordText[] =
    "Пароль набран неверно.";
constexpr const char NotDescendantText[] =
    "ВНИМАНИЕ:\n"
    "Выбранный файл конфигурации не является потомком данного файла!!!\n"
    "При реструктуризации может произойти разрушение данных!!!\n"
    "Продолжить?";
constexpr const char SaveQuestionShortText[] =
    "При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
    "в случае необходимости, реорганизация информационной базы,\n"
    "что может потребовать  достаточно продолжительного интервала времени!\n"
    "Выполнить сохранение метаданных?";
constexpr const char SaveQuestionLongText[] =
    "При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
    "в случае необходимости, реорганизация информационной базы,\n"
    "что может потребовать  достаточно продолжительного интервала времени!\n"
    "\n"
    "При выполнении реструктуризации не поддерживается целостность журнала транзакций.\n"
    "Рекомендуется выполнить дамп всей базы данных или журнала транзакций!\n"
    "\n"
    "Выполнить сохранение метаданных?";
constexpr const char OpenConfigurationFileText[] =
    "Открыть файл конфигурации";
constexpr const char MetadataLockedText[] =
    "Ошибка блокировки метаданных.\n"
    "Возможно, метаданные используются другой задачей.";
constexpr const char NoSingleUserText[] =
    "База данных не может быть открыта в однопользовательском режиме!";
constexpr const char StructureChangesText[] =
    "Изменения в структуре информации";
constexpr const char RestructuringDoneText[] =
    "Реорганизация информации закончена!";
constexpr const char ConfigurationsIdenticalText[] =
    "Конфигурации идентичны!!!";
constexpr const char MergeConfigurationsText[] =
    "Объединение конфигураций";
constexpr const char UnloadDataText[] =
    "Выгрузка данных";
constexpr const char UnloadSucceededText[] =
    "Выгрузка успешно завершена!";

// Texts of the stand-in's own choosing (the tool does not know them).
constexpr const char MessageBoxTitle[] = "1С:Предприятие";
constexpr const char MainWindowTitle[] = "Конфигуратор - 1С:Предприятие";
constexpr const char DocumentTitle[] = "Конфигурация";
constexpr const char FileNotFoundText[] = "Файл не найден:\n";
constexpr const char UnloadWriteFailedText[] = "Ошибка записи файла выгрузки:\n";
