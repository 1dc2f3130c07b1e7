#pragma once
// The run proper: from the complete settings to the exit code 0, 1 or 2.

#include <windows.h>

#include <string>

int RunConfiguratorJob();

// /check: the run's preparation, then what a run would learn only once started (the
// configurator's executable, the unload folder, the log), and whether each password is set.
// Starts nothing and changes nothing but a temporary file; exit code 0 when a run could
// start now, 1 when not, 2 where the Update test gives 2.
int CheckConfiguratorJob();

bool IsExistingDirectory(const std::string& path);

// Full path of a file through the system's search order (SearchPathA), however long;
// empty when it is not found.
std::string SearchFullPath(const std::string& name);

// Whether two open handles are the same file, by volume serial number and file index
// (names can differ for one file: short names, links, letter case, relative paths).
enum class FileRelation { Same, Different, Unknown };
FileRelation CompareFileIdentity(HANDLE first, HANDLE second);
