#pragma once
// The stand-in's unload: a real ZIP archive (deflated entries) of the infobase folder's
// files, spoiled on request the way a full disk or a dropped share spoils one.

#include <string>

// Writes the archive at target; what was written, for the journal ("archive, 2 entries, 1234
// bytes" or "no file" ...), or an empty text when the file could not be written.
// fault: none, no_file, empty, no_entries, truncated, flipped, lying_size.
std::string WriteUnloadArchive(const std::string& baseDir, const std::string& target, const std::string& fault);
