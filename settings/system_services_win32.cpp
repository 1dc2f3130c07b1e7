#include "settings/system_services.h"

#include <windows.h>

#include "common/win_handles.h"

void LowerCaseAnsi(std::string& text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

void ConvertToOem(std::string& text) {
    // CharToOemA stops at a zero byte; convert piece by piece so the whole text is converted.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) CharToOemBuffA(&text[start], &text[start], static_cast<DWORD>(end - start));
        start = end + 1;
    }
}

std::string ModuleFilePath() {
    char path[512];
    // A path that does not fit is reported as the full buffer: treat it as a failure.
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    return std::string(path, length);
}

bool IsExistingFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const char last = folder.empty() ? '\\' : folder.back();
    const std::string mask = folder + (last == '\\' || last == '/' || last == ':' ? "" : "\\") + "*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(mask.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty root
    do {
        const std::string name = found.cFileName;  // never cAlternateFileName
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = name;
        entry.plainFile = !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
        entry.size = static_cast<unsigned long long>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
        entry.lastWrite =
            static_cast<unsigned long long>(found.ftLastWriteTime.dwHighDateTime) << 32 | found.ftLastWriteTime.dwLowDateTime;
        entries.push_back(entry);
    } while (FindNextFileA(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    SetLastError(error);
    return error == ERROR_NO_MORE_FILES;
}

bool DeleteOneFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool FreeSpaceOf(const std::string& folder, unsigned long long& bytes) {
    ULARGE_INTEGER available;
    // The folder itself, so that a share or a mounted folder answers for its own volume.
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) return false;
    bytes = available.QuadPart;
    return true;
}

namespace {
HANDLE ConsoleOutputMutex() {
    static HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    return mutex;
}
}  // namespace

bool LockConsoleOutput(unsigned long limitMs) {
    HANDLE mutex = ConsoleOutputMutex();
    // Without a mutex (none could be made) lines are written unguarded, as before threads.
    if (!mutex) return true;
    DWORD answer = WaitForSingleObject(mutex, limitMs);
    return answer == WAIT_OBJECT_0 || answer == WAIT_ABANDONED;
}

void UnlockConsoleOutput() {
    if (HANDLE mutex = ConsoleOutputMutex()) ReleaseMutex(mutex);
}

namespace {
std::tm CalendarFields(const SYSTEMTIME& time) {
    std::tm fields{};
    fields.tm_year = time.wYear - 1900;
    fields.tm_mon = time.wMonth - 1;
    fields.tm_mday = time.wDay;
    fields.tm_wday = time.wDayOfWeek;
    fields.tm_hour = time.wHour;
    fields.tm_min = time.wMinute;
    fields.tm_sec = time.wSecond;
    fields.tm_isdst = -1;
    return fields;
}
}  // namespace

bool ReadLocalTime(std::tm& now) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    now = CalendarFields(local);
    return true;
}

unsigned long MillisecondClock() { return GetTickCount(); }

void ConvertToUtf8(std::string& text) {
    if (text.empty()) return;
    const int size = static_cast<int>(text.size());
    int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (wide <= 0) return;
    std::wstring unicode(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, unicode.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, unicode.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, unicode.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    text.swap(utf8);
}

namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenForAppending(const std::string& path) {
    return CreateFileA(path.c_str(), FILE_APPEND_DATA, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Made with no sharing: until its header is written and it is closed, another run's open
// meets a sharing violation and waits, so that nothing comes before the header.
bool CreateWithHeader(const std::string& path, const std::string& header) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole = WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr) &&
                 written == header.size();
    DWORD error = GetLastError();
    CloseHandle(file);
    if (whole) return true;
    DeleteFileA(path.c_str());  // a file without its header would never get one
    SetLastError(error);
    return false;
}

unsigned long long FileTimeCount(const FILETIME& time) {
    return static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

bool StampOf(HANDLE file, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    stamp.size = static_cast<unsigned long long>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    stamp.writeTime = FileTimeCount(info.ftLastWriteTime);
    stamp.identityKnown = true;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.index = static_cast<unsigned long long>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

}  // namespace

Stamping ReadFileStamp(const std::string& path, FileStamp& stamp) {
    // No data access asked for: a file that another process holds without sharing opens all
    // the same. Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
    unique_handle file = OwnFileHandle(CreateFileA(path.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Stamping::Missing : Stamping::Unknown;
    }
    return StampOf(file.get(), stamp) ? Stamping::Stamped : Stamping::Unknown;
}

bool LocalFileTime(unsigned long long writeTime, std::tm& local) {
    const FILETIME time{static_cast<DWORD>(writeTime), static_cast<DWORD>(writeTime >> 32)};
    SYSTEMTIME universal, there;
    if (!FileTimeToSystemTime(&time, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &there))
        return false;
    local = CalendarFields(there);
    return true;
}

bool SharedAppendFile::Open(const std::string& path, const std::string& header, unsigned long limitMs) {
    Close();
    const DWORD started = GetTickCount();
    for (;;) {
        HANDLE file = OpenForAppending(path);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            return true;
        }
        DWORD error = GetLastError();
        bool created = false;
        if (error == ERROR_FILE_NOT_FOUND) {
            created = CreateWithHeader(path, header);
            if (!created) error = GetLastError();
            if (error == ERROR_FILE_EXISTS) error = ERROR_SHARING_VIOLATION;  // another run made it meanwhile
        }
        if (!created && error != ERROR_SHARING_VIOLATION) {
            SetLastError(error);
            return false;
        }
        if (GetTickCount() - started >= limitMs) {
            SetLastError(error);
            return false;
        }
        if (!created) Sleep(10);
    }
}

bool SharedAppendFile::Append(const std::string& text) {
    if (!IsOpen()) return false;
#ifdef CFGLOAD_FAILING_LOG_WRITES
    // Only in the test build whose log writes fail after the first (tests/CMakeLists.txt):
    // a log that opened and is lost later, as on a full disk or a share that went away.
    static int appended = 0;
    if (appended++ > 0) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
#endif
    DWORD written = 0;
    return WriteFile(reinterpret_cast<HANDLE>(handle_), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

void SharedAppendFile::Close() {
    if (!IsOpen()) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = NoHandle;
}

bool SharedAppendFile::CanOpen(const std::string& path) {
    HANDLE file = OpenForAppending(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
        file = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

ReadOnlyFile::Opening ReadOnlyFile::Open(const std::string& path) {
    Close();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        SetLastError(error);
        return missing ? Opening::Missing : Opening::Failed;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Opening::Folder;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Opening::Held : Opening::Failed;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return Opening::Opened;
}

bool ReadOnlyFile::Size(unsigned long long& size) {
    LARGE_INTEGER length;
    if (handle_ == NoHandle || !GetFileSizeEx(reinterpret_cast<HANDLE>(handle_), &length)) return false;
    size = static_cast<unsigned long long>(length.QuadPart);
    return true;
}

bool ReadOnlyFile::Stamp(FileStamp& stamp) {
    return handle_ != NoHandle && StampOf(reinterpret_cast<HANDLE>(handle_), stamp);
}

bool ReadOnlyFile::ReadAt(unsigned long long offset, void* buffer, std::size_t size) {
    if (handle_ == NoHandle) return false;
    char* into = static_cast<char*>(buffer);
    while (size > 0) {
        // The offset goes with each read (a handle opened without overlapped I/O still
        // takes it), so no file pointer is kept between reads.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD piece = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD read = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), into, piece, &read, &at)) return false;
        if (read == 0) {
            SetLastError(ERROR_HANDLE_EOF);
            return false;
        }
        into += read;
        offset += read;
        size -= read;
    }
    return true;
}

void ReadOnlyFile::Close() {
    if (handle_ == NoHandle) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = NoHandle;
}
