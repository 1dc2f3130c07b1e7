#pragma once
// Date, weekday and folder patterns in the unload file name.

#include <ctime>
#include <string>

// Expands Settings.DownloadTo in place from the current local date and Settings.BasePath.
void ExpandUnloadName();

// The expansion itself, for a given date: "?yyyy", "?yy", "?dd", "?mm", "?f", "?w" in
// the lower-cased name, in that order.
std::string ExpandUnloadPattern(const std::string& downloadTo, const std::string& basePath,
                                const std::tm& date);
