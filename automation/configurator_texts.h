#pragma once
// Every text of the configurator's windows that the tool recognises, exactly as the
// configurator shows it: compared byte for byte, so line breaks are single line feeds and
// the doubled blanks are its own.

// Windows before its main window, known by their titles (of which only the first 31
// characters are read).
inline constexpr char RegistrationTitle[] = "Регистрация Информационной Базы";
inline constexpr char LoginTitle[] = "Авторизация  доступа";

// An owned window of the main window that is not a dialog.
inline constexpr char NotADialogTitle[] = "Конфигурация *";

// Its dialogs, known by their message text or, in a window without one, by their title.
inline constexpr char PasswordPromptTitle[] = "Введите пароль:";
inline constexpr char WrongPasswordText[] = "Пароль набран неверно.";
inline constexpr char NotDescendantText[] =
    "ВНИМАНИЕ:\n"
    "Выбранный файл конфигурации не является потомком данного файла!!!\n"
    "При реструктуризации может произойти разрушение данных!!!\n"
    "Продолжить?";
inline constexpr char SaveMetadataShortText[] =
    "При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
    "в случае необходимости, реорганизация информационной базы,\n"
    "что может потребовать  достаточно продолжительного интервала времени!\n"
    "Выполнить сохранение метаданных?";
inline constexpr char SaveMetadataLongText[] =
    "При сохранении метаданных будет произведен анализ сделанных  изменений и,\n"
    "в случае необходимости, реорганизация информационной базы,\n"
    "что может потребовать  достаточно продолжительного интервала времени!\n"
    "\n"
    "При выполнении реструктуризации не поддерживается целостность журнала транзакций.\n"
    "Рекомендуется выполнить дамп всей базы данных или журнала транзакций!\n"
    "\n"
    "Выполнить сохранение метаданных?";
inline constexpr char FileChooserTitle[] = "Открыть файл конфигурации";
inline constexpr char MetadataLockText[] =
    "Ошибка блокировки метаданных.\nВозможно, метаданные используются другой задачей.";
inline constexpr char NoSingleUserText[] = "База данных не может быть открыта в однопользовательском режиме!";
inline constexpr char StructureChangesTitle[] = "Изменения в структуре информации";
inline constexpr char RestructuringDoneText[] = "Реорганизация информации закончена!";
inline constexpr char IdenticalText[] = "Конфигурации идентичны!!!";
inline constexpr char MergeTitle[] = "Объединение конфигураций";
inline constexpr char UnloadTitle[] = "Выгрузка данных";
inline constexpr char UnloadDoneText[] = "Выгрузка успешно завершена!";
