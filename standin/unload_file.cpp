#include "standin/unload_file.h"

#include "standin/scenario.h"
#include "standin/unload_zip.h"

UnloadFile::UnloadFile(const std::string& baseDir, const std::string& target) {
    if (Plan.Number("unload_stale", 0) != 0 && GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        what_ = "left as it was";
    else
        what_ = WriteUnloadArchive(baseDir, target, Plan.Text("unload_fault", "none"));
    if (what_.empty() || Plan.Number("unload_hold", 0) == 0) return;
    held_ = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    what_ += held_ != INVALID_HANDLE_VALUE ? ", held" : ", not held (" + std::to_string(GetLastError()) + ")";
}

UnloadFile::~UnloadFile() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
}
