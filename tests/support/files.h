#pragma once
// Files and folders as the tests and the benchmark handle them.

#include <string>
#include <vector>

namespace support {

// The whole file, read to its end (/proc files report no size); empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Not inheritable (a C stream's handle would be): a child started meanwhile by another thread
// must not hold the file open.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// The lines, each ended by CR LF, as a settings or scenario file.
std::string Joined(const std::vector<std::string>& lines);
// The named entry of a ZIP archive (stored or deflated), found by its local header; empty
// when there is none or it does not inflate.
std::string ZipEntry(const std::string& archive, const std::string& name);
// Removes a folder and everything in it, read-only files too.
void RemoveTree(const std::string& folder);
// The system's folder for temporary files, without a trailing backslash.
std::string TempRoot();

}  // namespace support
