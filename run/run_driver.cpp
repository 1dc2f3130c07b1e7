#include "run/run_driver.h"

#include <string>
#include <vector>

#include "automation/shared_words.h"
#include "automation/supervisor.h"
#include "automation/window_record.h"
#include "common/profile.h"
#include "common/win_handles.h"
#include "run/console.h"
#include "run/interruption.h"
#include "run/run_log.h"
#include "run/unload_check.h"
#include "run/unload_name.h"
#include "run/unload_pruning.h"
#include "settings/help.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

constexpr DWORD ConfiguratorCreationFlags = CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS;  // 0x220
const char RunFailedReason[] = "работа завершается с ошибкой";

unique_handle OpenForReading(const std::string& path) {
    return OwnFileHandle(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string InfobaseConfigurationPath() {
    const std::string& base = Settings.BasePath;
    return base + (!base.empty() && base.back() == '\\' ? "" : "\\") + "1cv7.md";
}

bool LastWriteTime(HANDLE file, FILETIME* time) { return GetFileTime(file, nullptr, nullptr, time) != 0; }

std::string CommandLineText() {
    const RunSettings& s = Settings;
    return "\"" + s.Path1CExe + "\" config /d\"" + s.BasePath + "\" /u\"" + s.BasePath + "\" /n" + s.User;
}

// The first wait for the configurator to become ready. With a time limit the wait is part
// of it: a configurator that hangs at start-up is terminated at the limit.
int WaitForStart(HANDLE process) {
    DWORD answer;
    if (Settings.WorkTime > 0) {
        answer = WaitUntilIdleFor(process, static_cast<unsigned long long>(Settings.WorkTime) * 60000ULL);
        if (answer == WAIT_TIMEOUT) return TerminateAtDeadline(process);
    } else {
        answer = WaitUntilIdle(process);
    }
    if (answer != 0) {
        ReportError("Ошибка запуска %s", SystemErrorText().c_str());
        return 1;
    }
    return 0;
}

void SetDeadline() {
    const int hours = Settings.WorkTime / 60;
    const int minutes = Settings.WorkTime % 60;
    Deadline = CalendarSeconds() + static_cast<long long>(hours) * 3600 + static_cast<long long>(minutes) * 60;
}

// After a successful load. The file to load may be the infobase's own configuration
// (found through the current directory): that one is never deleted.
void DeleteLoadedFile(FileRelation toInfobase) {
    if (toInfobase == FileRelation::Same) {
        ReportError("Не удаляем файл %s: это файл конфигурации самой базы!", Settings.NewMDPath.c_str());
        return;
    }
    if (toInfobase == FileRelation::Unknown) {
        ReportError("Не удаляем файл %s: не удалось сравнить его с файлом конфигурации базы!",
                    Settings.NewMDPath.c_str());
        return;
    }
    ReportInfo("Удаление файла %s", Settings.NewMDPath.c_str());
    // The load itself succeeded, so a file left behind is said but does not fail the run.
    if (!DeleteFileA(Settings.NewMDPath.c_str()))
        ReportError("Не удалось удалить файл %s: %s", Settings.NewMDPath.c_str(), SystemErrorText().c_str());
}

}  // namespace

bool IsExistingDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SearchFullPath(const std::string& name) {
    std::vector<char> buffer(MAX_PATH);
    // A path longer than the buffer is answered with the size it needs: ask again with
    // that size (a few times, in case the path changes meanwhile).
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = SearchPathA(nullptr, name.c_str(), nullptr, static_cast<DWORD>(buffer.size()),
                                   buffer.data(), nullptr);
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.assign(length + 1, '\0');
    }
    return {};
}

FileRelation CompareFileIdentity(HANDLE first, HANDLE second) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    if (!GetFileInformationByHandle(first, &a) || !GetFileInformationByHandle(second, &b))
        return FileRelation::Unknown;
    bool same = a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                a.nFileIndexLow == b.nFileIndexLow;
    return same ? FileRelation::Same : FileRelation::Different;
}

namespace {

// What the preparation found that the run needs after the configurator has ended.
struct PreparedRun {
    FileRelation loadToInfobase = FileRelation::Unknown;
    std::string unloadPattern;  // DownloadTo as given, before its expansion (KeepUnloads)
};

constexpr int ReadyToStart = -1;

// Steps 1-8, shared by the run and the check: the infobase, the file to load, the Update
// test, the unload name, and the command line's lines. ReadyToStart, or the exit code.
int PrepareRun(PreparedRun& prepared) {
    RunSettings& s = Settings;

    // 1. Infobase directory.
    if (s.BasePath.empty()) {
        ReportError("Не задан путь к базе");
        ShowHelpHint();
        return 1;
    }
    if (!IsExistingDirectory(s.BasePath)) {
        ReportError("Путь [%s] не есть существующий каталог", s.BasePath.c_str());
        ShowHelpHint();
        return 1;
    }

    // 2. Load wanted? NUL means nothing is loaded, and nothing is merged either, whatever
    // Merge says: an unload at most.
    const bool namesNoFile = NamesNoFile(s.NewMDPath);
    if (namesNoFile) {
        LoadWanted = 0;
        s.Merge = 0;
    }

    // 3. Unload name.
    prepared.unloadPattern = s.DownloadTo;
    if (!s.DownloadTo.empty()) ExpandUnloadName();

    // 4. The file to load, through the system's search order.
    if (LoadWanted) {
        std::string found = SearchFullPath(s.NewMDPath);
        if (found.empty()) {
            ReportError("[%s] не найден!", s.NewMDPath.c_str());
            return 1;
        }
        s.NewMDPath = found;
        if (!IsExistingFile(s.NewMDPath)) {
            ReportError("[%s] не файл!", s.NewMDPath.c_str());
            return 1;
        }
    }

    // 5. The infobase's own configuration must be readable.
    const std::string infobaseFile = InfobaseConfigurationPath();
    unique_handle infobase = OpenForReading(infobaseFile);
    if (!infobase) {
        ReportError("Не могу прочитать файл [%s]", infobaseFile.c_str());
        return 1;
    }

    // Neither a load nor an unload: a night job that would start the configurator only to
    // close it again is a settings mistake.
    if (namesNoFile && s.DownloadTo.empty()) {
        ReportError("Нечего делать: NewMDPath [%s] отменяет загрузку, а DownloadTo не задан", s.NewMDPath.c_str());
        return 1;
    }

    // 6. The file to load, and the Update test. Neither handle stays open while the
    // configurator runs, so it is never blocked by us.
    if (LoadWanted) {
        unique_handle toLoad = OpenForReading(s.NewMDPath);
        if (!toLoad) {
            ReportError("Не могу прочитать файл [%s]", s.NewMDPath.c_str());
            return 1;
        }
        prepared.loadToInfobase = CompareFileIdentity(toLoad.get(), infobase.get());
        if (s.Update != 0) {
            FILETIME infobaseTime{}, loadTime{};
            if (!LastWriteTime(infobase.get(), &infobaseTime)) {
                ReportError("Не могу прочитать время изменения файла [%s]", infobaseFile.c_str());
                return 1;
            }
            if (!LastWriteTime(toLoad.get(), &loadTime)) {
                ReportError("Не могу прочитать время изменения файла [%s]", s.NewMDPath.c_str());
                return 1;
            }
            if (CompareFileTime(&infobaseTime, &loadTime) != -1) {
                s.Debug = 1;
                ReportInfo("Загружаемый файл старее текущего!");
                if (s.DownloadTo.empty()) return 2;
                LoadWanted = 0;
            }
        }
        toLoad.reset();
    }
    infobase.reset();

    // 7-8. Command line: the password is never on it (it is typed into the log-in window).
    ReportInfo("Подготовка командной строки...");
    ReportInfo("  1C: %s\n  База: %s\n  Пользователь: %s\n", s.Path1CExe.c_str(), s.BasePath.c_str(),
               s.User.c_str());
    return ReadyToStart;
}

bool CheckConfiguratorExecutable() {
    if (!IsExistingFile(Settings.Path1CExe)) {
        ReportError("Конфигуратор не найден: [%s]", Settings.Path1CExe.c_str());
        return false;
    }
    ReportInfo("Конфигуратор найден: %s", Settings.Path1CExe.c_str());
    return true;
}

// The unload's folder exists and takes a new file: one is created and removed again (on
// close, so also if the check is cut short).
bool CheckUnloadFolder() {
    if (Settings.DownloadTo.empty()) return true;
    // A relative name is taken from the infobase's folder, the configurator's current folder.
    const std::string folder = UnloadFolderOf(UnloadFilePath(Settings.DownloadTo, Settings.BasePath));
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        ReportError("Нет папки для выгрузки [%s]", folder.c_str());
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ReportError("Папка для выгрузки [%s] - это файл", folder.c_str());
        return false;
    }
    const std::string stem = folder + (folder.back() == '\\' || folder.back() == '/' ? "" : "\\") + "cfgload-check-";
    std::string probe;
    unique_handle file;
    // A name of the moment, and a few more should one of them be taken.
    for (DWORD attempt = 0, tick = GetTickCount(); attempt < 8 && !file; ++attempt) {
        probe = stem + std::to_string(tick + attempt) + ".tmp";
        file = OwnFileHandle(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file) {
        ReportError("Не могу создать файл в папке для выгрузки [%s]: %s", folder.c_str(), SystemErrorText().c_str());
        return false;
    }
    file.reset();
    if (IsExistingFile(probe) && !DeleteFileA(probe.c_str())) {
        ReportError("Не удалось удалить файл %s: %s", probe.c_str(), SystemErrorText().c_str());
        return false;
    }
    ReportInfo("Выгрузка в файл: %s - папка доступна для записи", Settings.DownloadTo.c_str());
    return true;
}

// The log the run would open (none for NUL), said whatever Debug says when it cannot be,
// as the run says it.
bool CheckLogFile() {
    std::string path, reason;
    if (!CanOpenRunLog(path, reason)) {
        ReportErrorAlways("Не могу открыть журнал [%s]: %s", path.c_str(), reason.c_str());
        return false;
    }
    if (!path.empty()) ReportInfo("Журнал открывается: %s", path.c_str());
    return true;
}

// A numeric option that is no number reads as the C library reads it (often 0), silently in
// a run; the check names each one, whatever Debug says, since Debug may be one of them.
bool CheckNumbers() {
    for (const auto& noted : Settings.NotNumbers)
        ReportErrorAlways("Значение %s [%s] - не число (при запуске будет %d)", noted.first.c_str(),
                          noted.second.c_str(), IntegerOf(noted.second));
    return Settings.NotNumbers.empty();
}

const char* SetOrNot(const std::string& password) { return password.empty() ? "не задан" : "задан"; }

}  // namespace

int RunConfiguratorJob() {
    PreparedRun prepared;
    int preparation = PrepareRun(prepared);
    if (preparation != ReadyToStart) return preparation;
    RunSettings& s = Settings;
    const std::string commandText = CommandLineText();
    std::vector<char> commandLine(commandText.begin(), commandText.end());
    commandLine.push_back('\0');

    // 9-10. Start.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (s.Hide != 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    // Declared before the InterruptionHandler below, so that the configurator's process
    // handle stays open as long as that lives; both handles close when the run returns.
    unique_process_information process;
    BOOL started;
    {
        PROFILE_WAIT(Start);
        started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, ConfiguratorCreationFlags,
                                 nullptr, s.BasePath.c_str(), &startup, &process);
    }
    if (!started) {
        ReportError("Ошибка запуска 1C: %s", SystemErrorText().c_str());
        return 1;
    }

    {
        // Until the supervision ends, Ctrl+C, Ctrl+Break or a closed console end the run
        // with the configurator left running, and shown again if Hide hid it.
        InterruptionHandler interruption(s.Hide != 0 ? process.dwProcessId : 0);

        // 11-12. Ready for input.
        ReportInfo("Ожидаем запуска конфигуратора...");
        ReportInfo("  ИД процесса: %d", static_cast<int>(process.dwProcessId));
        if (int failed = WaitForStart(process.hProcess)) {
            LogFailedRun(process.dwProcessId, process.hProcess, RunFailedReason);
            return failed;
        }

        // 13. The time limit counts from here.
        if (s.WorkTime != 0) {
            ReportInfo("Выполнять не более %d мин.", s.WorkTime);
            SetDeadline();
        }

        // 14. Supervision.
        ReportInfo("Поиск окна конфигуратора");
        if (int result = SuperviseConfigurator(process.dwProcessId, process.hProcess)) {
            LogFailedRun(process.dwProcessId, process.hProcess, RunFailedReason);
            return result;
        }
    }

    // 15. Success.
    if (s.DeleteAfter != 0 && LoadWanted) DeleteLoadedFile(prepared.loadToInfobase);
    KeepNewestUnloads(prepared.unloadPattern);
    return 0;
}

int CheckConfiguratorJob() {
    const bool numbers = CheckNumbers();
    PreparedRun prepared;
    const int preparation = PrepareRun(prepared);
    if (preparation == 1) return 1;
    // Not newer today (exit code 2) need not be so tonight: what a run needs is checked all
    // the same.
    bool ready = CheckConfiguratorExecutable() && numbers;
    const bool unloadFolder = CheckUnloadFolder();
    // Said only when set: without it the check's lines stay as they were.
    if (Settings.VerifyUnload != 0)
        ReportInfo("Проверка выгрузки (VerifyUnload): включена%s",
                   Settings.DownloadTo.empty() ? ", но выгрузки нет (DownloadTo не задан)" : "");
    ready = unloadFolder && CheckUnloadsKept(prepared.unloadPattern) && ready;
    ready = CheckLogFile() && ready;
    const RunSettings& s = Settings;
    ReportInfo("Пароль пользователя: %s", SetOrNot(s.Password));
    ReportInfo("Пароль конфигурации: %s", SetOrNot(s.ConfigPassword));
    ReportInfo("Пароль загружаемой конфигурации: %s", SetOrNot(s.NewConfigPassword));
    if (!ready) return 1;
    if (preparation == 2) return 2;
    ReportInfo("Проверка пройдена: запуск возможен.");
    return 0;
}
