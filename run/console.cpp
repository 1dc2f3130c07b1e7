#include "run/console.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// Lines come from the main thread and, at an interruption, from the console control
// handler's thread: one whole line at a time, never two mixed (LockConsoleOutput). The
// time stamp's localtime buffer is shared too.
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

std::string TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    if (!local) return {};
    char stamp[128];
    std::size_t length = std::strftime(stamp, sizeof stamp, "[%H:%M] ", local);
    return std::string(stamp, length);
}

// With the console output locked.
void WriteLockedLine(const char* prefix, const char* format, va_list args) {
    std::string text = prefix + FormatText(format, args);
    ConvertToOem(text);
    std::string stamp = TimeStamp();
    std::fwrite(stamp.data(), 1, stamp.size(), stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void WriteLine(const char* prefix, const char* format, va_list args) {
    bool locked = LockConsoleOutput(NoLimit);
    WriteLockedLine(prefix, format, args);
    if (locked) UnlockConsoleOutput();
}

}  // namespace

void ReportInfo(const char* format, ...) {
    if (Settings.Debug == 0) return;
    va_list args;
    va_start(args, format);
    WriteLine("", format, args);
    va_end(args);
}

void ReportError(const char* format, ...) {
    if (Settings.Debug == 0) return;
    va_list args;
    va_start(args, format);
    WriteLine("ОШИБКА! ", format, args);
    va_end(args);
}

void ReportFinalError(unsigned limitMs, const char* format, ...) {
    // The lock is kept: the process ends right after this line, and no line of the main
    // thread may follow it half-written.
    if (!LockConsoleOutput(limitMs)) return;
    if (Settings.Debug == 0) return;
    va_list args;
    va_start(args, format);
    WriteLockedLine("ОШИБКА! ", format, args);
    va_end(args);
}
