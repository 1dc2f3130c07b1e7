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

// Settings.LogFile expanded in the same way from the current local date, the rest of the
// name in its own letter case: it is the administrator's file name.
std::string ExpandedLogName();

// That expansion for a given date: the same sequences, in any letter case.
std::string ExpandLogPattern(const std::string& logFile, const std::string& basePath, const std::tm& date);
