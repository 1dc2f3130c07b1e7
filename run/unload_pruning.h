#pragma once
// Keeping the newest unloads (KeepUnloads): the files of tonight's unload folder that the
// DownloadTo pattern could have produced, and which of them a good night deletes. A run
// deletes only at its end, when it exits 0 (so its unload passed the check); /check shows
// what that would delete now, and the room left on the unload's disk.

#include <string>
#include <vector>

#include "settings/system_services.h"

// The folder of an unload's full path (UnloadFilePath): what comes before its name, a root
// keeping its separator ("d:\"), "d:" for "d:name" (that drive's current folder).
std::string UnloadFolderOf(const std::string& path);

// The unloads of one pattern in tonight's folder.
struct UnloadSet {
    bool folderVaries = false;  // a sequence in the pattern's folder part: nothing is deleted
    bool listed = false;        // false: the folder could not be listed (failure says why)
    std::string failure;
    std::string folder;                // tonight's unload folder
    std::string tonight;               // tonight's file name, as expanded
    std::vector<FolderEntry> unloads;  // plain files of the pattern, newest first (last write, then name)
};

// pattern: DownloadTo as given; tonightPath: its expansion as a full path.
UnloadSet FindUnloads(const std::string& pattern, const std::string& basePath, const std::string& tonightPath);

// The unloads to delete so that the newest keep remain, tonight's counted whether it is
// there yet or not, and always kept; oldest first. None for keep below 1.
std::vector<FolderEntry> UnloadsBeyond(const UnloadSet& set, int keep);

// The run's last step, after it has succeeded: with Settings.KeepUnloads, deletes the older
// unloads of the pattern (DownloadTo as given), one info line each; a file that cannot be
// deleted is one error line and the rest goes on. Never changes the exit code.
void KeepNewestUnloads(const std::string& pattern);

// /check, with DownloadTo: the free space on the unload's disk beside the newest unload of
// the pattern (a warning below one and a half times its size), and with KeepUnloads what a
// good night would delete now. False after an error line.
bool CheckUnloadsKept(const std::string& pattern);

// "812,0 МБ": a byte count for people, in binary units.
std::string ByteCountText(unsigned long long bytes);
