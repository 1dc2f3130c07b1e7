#include "run/run_log.h"

#include <cstdio>
#include <vector>

#include "common/profile.h"
#include "resources/version.h"
#include "run/console.h"
#include "run/unload_name.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// Lines reported before the log is opened (a settings file that cannot be read) are kept
// for it; there are only ever a few.
constexpr std::size_t MaxEarlyEntries = 64;
// Another run creating the same log holds it for the moment it takes to write its mark.
constexpr unsigned long OpenLimitMs = 3000;
// As for every other line: the console lines' lock is held for one entry at a time.
constexpr unsigned long NoLimit = 0xFFFFFFFF;

const char ByteOrderMark[] = "\xEF\xBB\xBF";

enum class LogState { Early, Open, Off };

// The run's log. Entries are made under the console lines' lock, so that the console
// control handler's last lines never mix with the main thread's.
struct RunLog {
    LogState state = LogState::Early;
    SharedAppendFile file;
    std::string path;
    std::vector<std::string> early;  // entries made before the log was opened
    std::string failure;             // the error line due, once
    unsigned long startedMs = MillisecondClock();
} Log;

// A log that cannot be opened and one whose write fails later are said alike, once, on the
// console (ReportRunLogFailure), and the run goes on without it.
void GiveUp() {
    Log.failure = "Не могу записать журнал [" + Log.path + "]: " + SystemErrorText();
    Log.file.Close();
    Log.state = LogState::Off;
}

void Append(const std::string& entry) {
    if (Log.state != LogState::Open) return;
    if (!Log.file.Append(entry)) GiveUp();
}

std::tm Now(bool& dated) {
    std::tm now{};
    dated = ReadLocalTime(now);
    return now;
}

std::string StampedEntry(const std::string& text) {
    bool dated = false;
    std::tm now = Now(dated);
    return LogEntryText(dated ? &now : nullptr, text);
}


std::string OrNone(const std::string& text) { return text.empty() ? "«нет»" : text; }

std::string FirstLine(const std::string& settingsFile) {
    return std::string("Запуск cfgload ") + CFGLOAD_VERSION_STRING + (sizeof(void*) == 8 ? " (x64)" : " (x86)") +
           "; настройки: " + OrNone(settingsFile) + "; база: " + OrNone(Settings.BasePath);
}

void WriteLastLine(int exitCode) {
    PROFILE_SPAN(RunLog);
    if (Log.state == LogState::Open) {
        unsigned long seconds = (MillisecondClock() - Log.startedMs) / 1000;
        char line[128];
        std::snprintf(line, sizeof line, "Завершение: код выхода %d, длительность %lu:%02lu:%02lu", exitCode,
                      seconds / 3600, seconds / 60 % 60, seconds % 60);
        Append(StampedEntry(line));
    }
    Log.file.Close();
    Log.state = LogState::Off;
    Log.early.clear();
}

}  // namespace

std::string LogEntryText(const std::tm* when, const std::string& text) {
    std::string entry;
    if (when) {
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", when->tm_year + 1900, when->tm_mon + 1,
                      when->tm_mday, when->tm_hour, when->tm_min, when->tm_sec);
        entry = stamp;
    }
    std::string utf8 = text;
    ConvertToUtf8(utf8);
    entry.reserve(entry.size() + utf8.size() + 8);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A line break the text already has in Windows' form stays one.
        if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) entry += '\r';
        entry += utf8[i];
    }
    return entry + "\r\n";
}

bool RunLogTakesLines() { return Log.state != LogState::Off; }

void LogLine(const std::tm* when, const std::string& text) {
    PROFILE_SPAN(RunLog);
    if (Log.state == LogState::Early) {
        if (Log.early.size() < MaxEarlyEntries) Log.early.push_back(LogEntryText(when, text));
        return;
    }
    Append(LogEntryText(when, text));
}

std::string TakeRunLogFailure() {
    std::string failure;
    failure.swap(Log.failure);
    return failure;
}

void OpenRunLog(const std::string& settingsFile) {
    PROFILE_SPAN(RunLog);
    bool locked = LockConsoleOutput(NoLimit);
    std::vector<std::string> early;
    early.swap(Log.early);
    Log.state = LogState::Off;
    Log.path = ExpandedLogName();
    if (!Log.path.empty()) {
        if (Log.file.Open(Log.path, ByteOrderMark, OpenLimitMs)) {
            Log.state = LogState::Open;
            Append(StampedEntry(FirstLine(settingsFile)));
            for (const std::string& entry : early) Append(entry);
        } else {
            GiveUp();
        }
    }
    if (locked) UnlockConsoleOutput();
    ReportRunLogFailure();
}

bool CanOpenRunLog(std::string& path, std::string& reason) {
    path.clear();
    reason.clear();
    path = ExpandedLogName();
    if (path.empty() || SharedAppendFile::CanOpen(path)) return true;
    reason = SystemErrorText();
    return false;
}

bool RunLogOpen() { return Log.state == LogState::Open; }

std::string RunLogPath() { return Log.state == LogState::Open ? Log.path : std::string(); }

void WriteLogEntry(const std::string& text) {
    PROFILE_SPAN(RunLog);
    if (Log.state != LogState::Open) return;
    bool locked = LockConsoleOutput(NoLimit);
    Append(StampedEntry(text));
    if (locked) UnlockConsoleOutput();
    ReportRunLogFailure();
}

void CloseRunLog(int exitCode) {
    bool locked = LockConsoleOutput(NoLimit);
    WriteLastLine(exitCode);
    if (locked) UnlockConsoleOutput();
    ReportRunLogFailure();
}

void CloseRunLogLocked(int exitCode) {
    WriteLastLine(exitCode);
    TakeRunLogFailure();  // the process ends at once; no line may follow the last one
}
