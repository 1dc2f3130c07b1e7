#pragma once
// The few system services that the text-processing code needs. The Windows build
// implements them with Win32 calls; the native build (fuzzing, sanitizers) emulates them
// for code page 1251 so that the same text code runs on Linux.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Lower-cases a Windows-1251 byte string in place by the ANSI code page's rules
// (CharLowerBuffA on Windows): Latin and Cyrillic capitals alike.
void LowerCaseAnsi(std::string& text);

// Converts a Windows-1251 byte string in place to the console's OEM code page (CharToOemA).
void ConvertToOem(std::string& text);

// Full path of the running executable (at most 511 characters); empty on failure.
std::string ModuleFilePath();

// True when the path names an existing file that is not a directory.
bool IsExistingFile(const std::string& path);

// One entry of a folder: its long name (never the 8.3 short one), whether it is a plain file
// (neither a folder nor a reparse point), its size and its last-write time (FILETIME's
// count: 100-ns steps since 1601).
struct FolderEntry {
    std::string name;
    bool plainFile = false;
    unsigned long long size = 0;
    unsigned long long lastWrite = 0;
};

// Every entry of the folder but "." and "..". The folder is listed whole (mask "*") and the
// caller matches the long names itself: a mask such as "*.zip" is also matched against
// short names, where "x.zip_old" is "X~1.ZIP". False when it cannot be listed (the system's
// last error tells why).
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Deletes one file; false when it cannot (the system's last error tells why).
bool DeleteOneFile(const std::string& path);

// Bytes that this account may still write on the folder's volume; false when the system
// gives no figure.
bool FreeSpaceOf(const std::string& folder, unsigned long long& bytes);

// The console lines' lock: lines come from the main thread and, at an interruption, from
// the console control handler's thread. LockConsoleOutput waits at most limitMs and says
// whether it got the lock. (A kernel mutex on Windows, timed and present on every version
// the tool runs on; the C++ library's timed mutex is missing from mingw-w64's win32
// threading variant.)
bool LockConsoleOutput(unsigned long limitMs);
void UnlockConsoleOutput();

// The local date and time now, in tm_year, tm_mon, tm_mday, tm_wday, tm_hour, tm_min and
// tm_sec (GetLocalTime on Windows: no time_t, which the x86 build holds in 32 bits and which
// runs out in 2038). False when the system gives none.
bool ReadLocalTime(std::tm& now);

// A millisecond count for durations (GetTickCount: it wraps every 49.7 days, and unsigned
// differences stay right across the wrap).
unsigned long MillisecondClock();

// Converts a Windows-1251 (ANSI code page) byte string in place to UTF-8.
void ConvertToUtf8(std::string& text);

// A file that several processes append to side by side: opened for appending only and
// shared for reading, writing and deleting, so that each Append lands whole at the end.
// On failure the system's last error tells why (SystemErrorText).
class SharedAppendFile {
public:
    SharedAppendFile() = default;
    ~SharedAppendFile() { Close(); }
    SharedAppendFile(const SharedAppendFile&) = delete;
    SharedAppendFile& operator=(const SharedAppendFile&) = delete;

    // Opens the file, creating it when it does not exist; a file created here starts with
    // header, written once even when several processes create it at the same moment (they
    // wait for each other at most limitMs).
    bool Open(const std::string& path, const std::string& header, unsigned long limitMs);
    // One write of the whole text; false unless all of it was written.
    bool Append(const std::string& text);
    void Close();
    bool IsOpen() const { return handle_ != NoHandle; }

    // Whether the file could be opened for appending now, without writing to it: a file that
    // does not exist is created and removed again.
    static bool CanOpen(const std::string& path);

private:
    static constexpr std::intptr_t NoHandle = -1;
    std::intptr_t handle_ = NoHandle;
};

// What tells one version of a file from another: its size, its last-write time (in 100 ns
// since 1601, UTC, as FILETIME counts) and, where the system gives one, its identity (the
// volume's serial number and the file's index on it). A file rewritten in place changes its
// time; one replaced by a rename changes its identity.
struct FileStamp {
    unsigned long long size = 0;
    unsigned long long writeTime = 0;
    bool identityKnown = false;
    unsigned long volume = 0;
    unsigned long long index = 0;
};

enum class Stamping { Stamped, Missing, Unknown };
// The stamp of the file at path, without reading it (a file another process holds is
// stamped too). Missing: no such file; Unknown: a folder, or the system says nothing.
Stamping ReadFileStamp(const std::string& path, FileStamp& stamp);

// A file time in local time (tm_year .. tm_sec), with the time zone's rule of that date;
// false when the system gives none.
bool LocalFileTime(unsigned long long writeTime, std::tm& local);

// A file read in pieces at given offsets (the unload check reads archives through it),
// shared for reading and writing so that a file still held open by its writer can be read.
// On failure the system's last error tells why (SystemErrorText).
class ReadOnlyFile {
public:
    // Held: another process holds the file open without sharing it (or locks it).
    enum class Opening { Opened, Missing, Folder, Held, Failed };

    ReadOnlyFile() = default;
    ~ReadOnlyFile() { Close(); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    Opening Open(const std::string& path);
    // The file's size in bytes; false when the system gives none.
    bool Size(unsigned long long& size);
    // The open file's stamp (see ReadFileStamp); false when the system gives none.
    bool Stamp(FileStamp& stamp);
    // Reads exactly size bytes from offset; false unless all of them were read.
    bool ReadAt(unsigned long long offset, void* buffer, std::size_t size);
    void Close();

private:
    static constexpr std::intptr_t NoHandle = -1;
    std::intptr_t handle_ = NoHandle;
};
