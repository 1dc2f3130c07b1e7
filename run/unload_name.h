#pragma once
// Date, weekday and folder patterns in the unload file name and in the log's name.

#include <ctime>
#include <string>

// Expands Settings.DownloadTo in place from the current local date and Settings.BasePath.
void ExpandUnloadName();

// The expansion itself, for a given date: "?yyyy", "?yy", "?dd", "?mm", "?f", "?w" in
// the lower-cased name, in that order.
std::string ExpandUnloadPattern(const std::string& downloadTo, const std::string& basePath,
                                const std::tm& date);

// Which names DownloadTo can give on any date, for one infobase (KeepUnloads): each date
// sequence is a run of digits of its width, "?w" one digit 1 to 7, "?f" the infobase's
// folder name, the rest literally; letter case is ignored, as Windows ignores it.
struct UnloadNameShape {
    // A sequence in the folder part ("D:\\?YYYY\\...", "?F\\..."): older unloads lie in other
    // folders, so none is ever deleted.
    bool folderVaries = false;
    std::string folder;  // the folder part with its closing separator ("" for none)
    // The name part, lower-cased: DigitSlot and WeekdaySlot where the date goes. Empty when
    // nothing can match (a pattern holding the slot bytes themselves).
    std::string name;
    static constexpr char DigitSlot = '\x01';
    static constexpr char WeekdaySlot = '\x02';
};
UnloadNameShape ShapeOfUnloadName(const std::string& downloadTo, const std::string& basePath);

// Whether a long file name (never an 8.3 short one) is one the shape's name part gives.
// A "?" never matches: in a listed name it stands for a letter the code page lacks.
bool MatchesUnloadName(const UnloadNameShape& shape, const std::string& fileName);

// Where a path's file name starts: after its last "\\" or "/", or after "D:".
std::size_t FileNameStart(const std::string& path);

// NUL or NULL in any letter case: the name of no file at all (NewMDPath, LogFile).
bool NamesNoFile(std::string name);

// The log's name as the run and the check use it: Settings.LogFile expanded in the same way
// from the current local date, the rest of the name in its own letter case (it is the
// administrator's file name), a relative name taken from the program's folder (Task
// Scheduler starts programs in the system folder). Empty when there is no log: LogFile
// empty, or NUL or NULL in any letter case, as for DownloadTo.
std::string ExpandedLogName();

// That expansion for a given date: the same sequences, in any letter case.
std::string ExpandLogPattern(const std::string& logFile, const std::string& basePath, const std::tm& date);

// The start of the name of a picture beside the log (its number and ".png" follow):
// "<log without its extension>-HHMMSS-" when the log's name holds the whole date of now
// (logSetting, LogFile as written, has a day, a month and a year pattern, and logPath is the
// name it gives for now's day), else "<log without its extension>-YYYYMMDD-HHMMSS-": the
// date always comes from the clock, also in a run that goes on past midnight.
std::string PictureNameStart(const std::string& logPath, const std::string& logSetting, const std::string& basePath,
                             const std::tm& now);
