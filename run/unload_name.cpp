#include "run/unload_name.h"

#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

std::string Formatted(const char* format, const std::tm& date) {
    char text[128];
    std::size_t length = std::strftime(text, sizeof text, format, &date);
    return std::string(text, length);  // a failed conversion gives 0: the empty string
}

// The last folder of the infobase path: one closing backslash is dropped, then what follows
// the last backslash left ("C:\" gives "C:", a path without any backslash is taken whole).
std::string FolderName(std::string basePath) {
    if (!basePath.empty() && basePath.back() == '\\') basePath.pop_back();
    std::size_t slash = basePath.rfind('\\');
    return slash == std::string::npos ? basePath : basePath.substr(slash + 1);
}

// Replaces every occurrence from the left; the scan goes on after the inserted text, so
// what was inserted is never matched again by the same sequence.
void ReplaceAll(std::string& text, const std::string& sequence, const std::string& replacement) {
    std::size_t at = 0;
    while ((at = text.find(sequence, at)) != std::string::npos) {
        text.replace(at, sequence.size(), replacement);
        at += replacement.size();
    }
}

// The date fields of one reading of the clock; empty when there is no date.
struct DateTexts {
    std::string year, shortYear, day, month, weekday;
};

DateTexts DateTextsOf(const std::tm& date) {
    DateTexts texts{Formatted("%Y", date), Formatted("%y", date), Formatted("%d", date),
                    Formatted("%m", date), Formatted("%w", date)};
    if (texts.weekday == "0") texts.weekday = "7";  // Sunday closes the week
    return texts;
}

std::string Expanded(const std::string& downloadTo, const std::string& basePath, const DateTexts& date) {
    // The order matters: "?yy" is a prefix of "?yyyy". The folder name goes in after the
    // lower-casing, so it keeps its own letter case.
    const std::string replacements[][2] = {
        {"?yyyy", date.year},
        {"?yy", date.shortYear},
        {"?dd", date.day},
        {"?mm", date.month},
        {"?f", FolderName(basePath)},
        {"?w", date.weekday},
    };
    std::string name = downloadTo;
    LowerCaseAnsi(name);
    for (const auto& row : replacements) ReplaceAll(name, row[0], row[1]);
    return name;
}

}  // namespace

std::string ExpandUnloadPattern(const std::string& downloadTo, const std::string& basePath,
                                const std::tm& date) {
    return Expanded(downloadTo, basePath, DateTextsOf(date));
}

void ExpandUnloadName() {
    // One reading of the clock for every date field. Should the system give no local time,
    // the date sequences are left out rather than filled from a date that does not exist.
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    DateTexts date = local ? DateTextsOf(*local) : DateTexts{};
    Settings.DownloadTo = Expanded(Settings.DownloadTo, Settings.BasePath, date);
}
