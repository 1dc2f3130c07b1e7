#include "run/console.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

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

void WriteLine(const char* prefix, const char* format, va_list args) {
    std::string text = prefix + FormatText(format, args);
    ConvertToOem(text);
    std::string stamp = TimeStamp();
    std::fwrite(stamp.data(), 1, stamp.size(), stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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
