#include "run/console.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// Lines come from the main thread and, at an interruption, from the console control
// handler's thread: one whole line at a time, never two mixed. (The time stamp's
// localtime buffer is shared too.)
std::timed_mutex OutputLock;

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

// With OutputLock held.
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
    std::lock_guard<std::timed_mutex> lock(OutputLock);
    WriteLockedLine(prefix, format, args);
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
    if (!OutputLock.try_lock_for(std::chrono::milliseconds(limitMs))) return;
    if (Settings.Debug == 0) return;
    va_list args;
    va_start(args, format);
    WriteLockedLine("ОШИБКА! ", format, args);
    va_end(args);
}
