#pragma once
// Owners for the Windows handles the program closes itself.

#include <windows.h>

#include "common/unique_any.h"

// A file or process handle. CreateFileA reports failure as INVALID_HANDLE_VALUE: pass
// such results through OwnFileHandle, so that an owner only ever holds a real handle or null.
using unique_handle = unique_any<HANDLE, &CloseHandle>;
using unique_hkey = unique_any<HKEY, &RegCloseKey>;
using unique_hlocal = unique_any<HLOCAL, &LocalFree>;

inline unique_handle OwnFileHandle(HANDLE handle) {
    return unique_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}
