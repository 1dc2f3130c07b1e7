#include <cstdio>

#include "run/console.h"
#include "settings/help.h"
#include "settings/registry_lookup.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

// Lines longer than this are read as several lines.
constexpr std::size_t MaxLineLength = 510;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Trimmed(const std::string& text) {
    std::size_t start = 0, end = text.size();
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// Reads at most MaxLineLength characters up to a line end, which is consumed and dropped.
// Returns false at end of file or on a read failure when nothing was read. One call per
// line: a call per character takes the stream's lock for every byte, which costs tens of
// milliseconds for a settings file of a megabyte. The line ends at a zero byte as before
// (what follows it up to the line end is consumed and dropped).
bool ReadLine(std::FILE* file, std::string& line) {
    char buffer[MaxLineLength + 1];
    if (!std::fgets(buffer, sizeof buffer, file)) return false;
    line.assign(buffer);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return true;
}

void ApplySettingsLine(std::string line) {
    // The line is a C string to the reader: a zero byte ends it.
    line.resize(line.find('\0') == std::string::npos ? line.size() : line.find('\0'));
    if (!line.empty() && line[0] == ';') return;
    std::size_t comment = line.find(';');
    if (comment != std::string::npos) line.resize(comment);
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    line.erase(0, start);

    std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals < 3) return;  // no key of three characters
    std::string key = Trimmed(line.substr(0, equals));
    LowerCaseAnsi(key);
    SetOption(key, Trimmed(line.substr(equals + 1)));
}

}  // namespace

void LoadSettings(const std::string& fileName) {
    Settings = RunSettings{};
    FindConfiguratorPath();
    if (fileName.empty()) return;

    std::FILE* file = std::fopen(fileName.c_str(), "r");
    if (!file) {
        ReportError("Не могу открыть файл: %s", fileName.c_str());
        ShowHelp();
        return;
    }
    std::string line;
    while (ReadLine(file, line)) ApplySettingsLine(line);
    std::fclose(file);
}
