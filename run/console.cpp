#include "run/console.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "run/run_log.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// Lines come from the main thread and, at an interruption, from the console control
// handler's thread: one whole line at a time, never two mixed (LockConsoleOutput), on the
// console and in the run's log alike.
// The main thread's wait has no limit of its own: the lock is held for one line at a time,
// or by the interruption handler right before it ends the process.
constexpr unsigned long NoLimit = 0xFFFFFFFF;

std::string FormatText(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string TimeStamp(const std::tm* now) {
    if (!now) return {};
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d] ", now->tm_hour, now->tm_min);
    return stamp;
}

void PrintLine(const std::tm* now, std::string text) {
    ConvertToOem(text);
    std::string stamp = TimeStamp(now);
    std::fwrite(stamp.data(), 1, stamp.size(), stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Debug governs the console only: the log gets every line. One reading of the clock
// dates the line in both.
bool LineWanted() { return Settings.Debug != 0 || RunLogTakesLines(); }

// With the console output locked: the log that could not be opened, or could not be written
// any more, said once on the console only (it is off now), and whatever Debug says: with
// Debug 0 the log was the run's only trace.
void PrintRunLogFailure(const std::tm* now) {
    std::string failure = TakeRunLogFailure();
    if (!failure.empty()) PrintLine(now, "ОШИБКА! " + failure);
}

// With the console output locked. toConsole: Debug allows it, or the line must be seen.
void WriteLockedLine(const char* prefix, const char* format, va_list args, bool toConsole) {
    std::string text = prefix + FormatText(format, args);
    std::tm clock{};
    const std::tm* now = ReadLocalTime(clock) ? &clock : nullptr;
    if (toConsole) PrintLine(now, text);
    if (!RunLogTakesLines()) return;
    LogLine(now, text);
    PrintRunLogFailure(now);
}

void WriteLine(const char* prefix, const char* format, va_list args, bool toConsole) {
    bool locked = LockConsoleOutput(NoLimit);
    WriteLockedLine(prefix, format, args, toConsole);
    if (locked) UnlockConsoleOutput();
}

}  // namespace

void ReportInfo(const char* format, ...) {
    if (!LineWanted()) return;
    va_list args;
    va_start(args, format);
    WriteLine("", format, args, Settings.Debug != 0);
    va_end(args);
}

void ReportError(const char* format, ...) {
    if (!LineWanted()) return;
    va_list args;
    va_start(args, format);
    WriteLine("ОШИБКА! ", format, args, Settings.Debug != 0);
    va_end(args);
}

void ReportRunLogFailure() {
    bool locked = LockConsoleOutput(NoLimit);
    std::tm clock{};
    PrintRunLogFailure(ReadLocalTime(clock) ? &clock : nullptr);
    if (locked) UnlockConsoleOutput();
}

void ReportErrorAlways(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine("ОШИБКА! ", format, args, true);
    va_end(args);
}

bool ReportFinalError(unsigned limitMs, const char* format, ...) {
    // The lock is kept: the process ends right after this line, and no line of the main
    // thread may follow it half-written.
    if (!LockConsoleOutput(limitMs)) return false;
    if (!LineWanted()) return true;
    va_list args;
    va_start(args, format);
    WriteLockedLine("ОШИБКА! ", format, args, Settings.Debug != 0);
    va_end(args);
    return true;
}
