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

// Replaces every occurrence, found in `search` (the name as matched), in both `search` and
// `name`, which are the same length; the scan goes on after the inserted text, so what was
// inserted is never matched again by the same sequence.
void ReplaceAll(std::string& search, std::string& name, const std::string& sequence,
                const std::string& replacement) {
    std::size_t at = 0;
    while ((at = search.find(sequence, at)) != std::string::npos) {
        search.replace(at, sequence.size(), replacement);
        name.replace(at, sequence.size(), replacement);
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

// The sequences are matched in the lower-cased name; keepCase leaves the rest of the name
// as it was given (the log's name), otherwise the name is lower-cased (DownloadTo).
std::string Expanded(const std::string& pattern, const std::string& basePath, const DateTexts& date,
                     bool keepCase) {
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
    std::string search = pattern;
    LowerCaseAnsi(search);
    std::string name = keepCase ? pattern : search;
    for (const auto& row : replacements) ReplaceAll(search, name, row[0], row[1]);
    return name;
}

// One reading of the clock for every date field. Should the system give no local time,
// the date sequences are left out rather than filled from a date that does not exist.
DateTexts Today() {
    std::tm now;
    return ReadLocalTime(now) ? DateTextsOf(now) : DateTexts{};
}

// Relative: neither a drive ("D:...") nor a root or a server ("\\...", "/...").
bool IsRelative(const std::string& name) {
    return !name.empty() && name[0] != '\\' && name[0] != '/' && !(name.size() > 1 && name[1] == ':');
}

std::string ProgramFolder() {
    const std::string program = ModuleFilePath();
    const std::size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

// The folder name's stand-in in a shape (ShapeOfUnloadName), beside the two date slots.
constexpr char FolderSlot = '\x03';
const char SlotBytes[] = {UnloadNameShape::DigitSlot, UnloadNameShape::WeekdaySlot, FolderSlot, '\0'};

}  // namespace

std::string ExpandUnloadPattern(const std::string& downloadTo, const std::string& basePath,
                                const std::tm& date) {
    return Expanded(downloadTo, basePath, DateTextsOf(date), false);
}

std::string ExpandLogPattern(const std::string& logFile, const std::string& basePath, const std::tm& date) {
    return Expanded(logFile, basePath, DateTextsOf(date), true);
}

void ExpandUnloadName() { Settings.DownloadTo = Expanded(Settings.DownloadTo, Settings.BasePath, Today(), false); }

bool NamesNoFile(std::string name) {
    LowerCaseAnsi(name);
    return name == "nul" || name == "null";
}

std::string ExpandedLogName() {
    if (Settings.LogFile.empty() || NamesNoFile(Settings.LogFile)) return {};
    std::string name = Expanded(Settings.LogFile, Settings.BasePath, Today(), true);
    return IsRelative(name) ? ProgramFolder() + name : name;
}

std::size_t FileNameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return separator + 1;
    return path.size() > 1 && path[1] == ':' ? 2 : 0;
}

UnloadNameShape ShapeOfUnloadName(const std::string& downloadTo, const std::string& basePath) {
    // The expansion itself, with slots for the date: each step as in a run, so every name a
    // run gives fits the shape, the folder name inserted (and matched) as a run inserts it.
    const DateTexts slots{std::string(4, UnloadNameShape::DigitSlot), std::string(2, UnloadNameShape::DigitSlot),
                          std::string(2, UnloadNameShape::DigitSlot), std::string(2, UnloadNameShape::DigitSlot),
                          std::string(1, UnloadNameShape::WeekdaySlot)};
    const std::string shape = Expanded(downloadTo, basePath, slots, false);
    // Once more with a stand-in for the folder name: folder parts that differ hold "?f" (or
    // a folder name with a "/" in it, which a "?f" in the name carries into the folder).
    const std::string marked = Expanded(downloadTo, std::string(1, FolderSlot), slots, false);
    UnloadNameShape result;
    const std::size_t start = FileNameStart(shape);
    result.folder = shape.substr(0, start);
    result.folderVaries = result.folder != marked.substr(0, FileNameStart(marked)) ||
                          result.folder.find_first_of(SlotBytes) != std::string::npos;
    // A pattern or folder name holding the slot bytes could match what it cannot give.
    if (downloadTo.find_first_of(SlotBytes) != std::string::npos ||
        FolderName(basePath).find_first_of(SlotBytes) != std::string::npos)
        return result;
    result.name = shape.substr(start);
    LowerCaseAnsi(result.name);
    return result;
}

bool MatchesUnloadName(const UnloadNameShape& shape, const std::string& fileName) {
    if (shape.name.empty() || fileName.size() != shape.name.size() || fileName.find('?') != std::string::npos)
        return false;
    std::string name = fileName;
    LowerCaseAnsi(name);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char want = shape.name[i], c = name[i];
        if (want == UnloadNameShape::DigitSlot ? c < '0' || c > '9'
            : want == UnloadNameShape::WeekdaySlot ? c < '1' || c > '7'
                                                    : c != want)
            return false;
    }
    return true;
}

std::string PictureNameStart(const std::string& logPath, const std::string& logSetting, const std::string& basePath,
                             const std::tm& now) {
    const std::size_t dot = logPath.find_last_of('.'), folder = logPath.find_last_of("\\/");
    const std::string base =
        dot != std::string::npos && (folder == std::string::npos || dot > folder) ? logPath.substr(0, dot) : logPath;
    std::string setting = logSetting;
    LowerCaseAnsi(setting);
    // A log of the month or of the year leaves the day out: its pictures keep the date.
    const bool wholeDate = setting.find("?yy") != std::string::npos && setting.find("?mm") != std::string::npos &&
                           setting.find("?dd") != std::string::npos;
    // A relative name was opened from the program's folder.
    const std::string today = ExpandLogPattern(logSetting, basePath, now);
    const bool namedForToday =
        logPath.size() >= today.size() && logPath.compare(logPath.size() - today.size(), today.size(), today) == 0;
    return base + Formatted(wholeDate && namedForToday ? "-%H%M%S-" : "-%Y%m%d-%H%M%S-", now);
}
