#pragma once
// The run proper: from the complete settings to the exit code 0, 1 or 2.

#include <windows.h>

#include <string>

int RunConfiguratorJob();

bool IsExistingDirectory(const std::string& path);

// Full path of a file through the system's search order (SearchPathA), however long;
// empty when it is not found.
std::string SearchFullPath(const std::string& name);

// Whether two open handles are the same file, by volume serial number and file index
// (names can differ for one file: short names, links, letter case, relative paths).
enum class FileRelation { Same, Different, Unknown };
FileRelation CompareFileIdentity(HANDLE first, HANDLE second);
