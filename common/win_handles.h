#pragma once
// Owners for the Windows handles the program closes itself.

#include <windows.h>

#include <utility>

#include "common/unique_any.h"

// A file or process handle. CreateFileA reports failure as INVALID_HANDLE_VALUE: pass
// such results through OwnFileHandle, so that an owner only ever holds a real handle or null.
using unique_handle = unique_any<HANDLE, &CloseHandle>;
using unique_hkey = unique_any<HKEY, &RegCloseKey>;
using unique_hlocal = unique_any<HLOCAL, &LocalFree>;

inline unique_handle OwnFileHandle(HANDLE handle) {
    return unique_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A started process: CreateProcessA fills it in place, and it closes both handles. Closing
// them ends nothing; the process runs on.
struct unique_process_information : PROCESS_INFORMATION {
    unique_process_information() : PROCESS_INFORMATION{} {}
    ~unique_process_information() { reset(); }
    unique_process_information(const unique_process_information&) = delete;
    unique_process_information& operator=(const unique_process_information&) = delete;
    unique_process_information(unique_process_information&& other) noexcept : PROCESS_INFORMATION(other.release()) {}
    unique_process_information& operator=(unique_process_information&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    void reset(const PROCESS_INFORMATION& value = {}) {
        if (hThread) CloseHandle(hThread);
        if (hProcess) CloseHandle(hProcess);
        static_cast<PROCESS_INFORMATION&>(*this) = value;
    }
    PROCESS_INFORMATION release() { return std::exchange<PROCESS_INFORMATION>(*this, {}); }
};
