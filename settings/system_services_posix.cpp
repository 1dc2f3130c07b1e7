// Native stand-ins for the system services, for building the text code on Linux
// (fuzzing and sanitizers). Text is Windows-1251 as on the target system.
#include "settings/system_services.h"

#include <cerrno>
#include <chrono>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

namespace {

unsigned char LowerCp1251(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32);  // А..Я
    switch (c) {
        case 0x80: return 0x90; case 0x81: return 0x83; case 0x8A: return 0x9A;
        case 0x8C: return 0x9C; case 0x8D: return 0x9D; case 0x8E: return 0x9E;
        case 0x8F: return 0x9F; case 0xA1: return 0xA2; case 0xA3: return 0xBC;
        case 0xA5: return 0xB4; case 0xA8: return 0xB8; case 0xAA: return 0xBA;
        case 0xAF: return 0xBF; case 0xB2: return 0xB3; case 0xBD: return 0xBE;
        default: return c;
    }
}

unsigned char OemCp866(unsigned char c) {
    if (c < 0x80) return c;
    if (c >= 0xC0 && c <= 0xEF) return static_cast<unsigned char>(c - 0x40);  // А..п
    if (c >= 0xF0) return static_cast<unsigned char>(c - 0x10);               // р..я
    switch (c) {
        case 0xA0: return 0xFF;  // no-break space
        case 0xA1: return 0xF6; case 0xA2: return 0xF7;  // Ў ў
        case 0xA4: return 0xFD;  // ¤
        case 0xA8: return 0xF0; case 0xB8: return 0xF1;  // Ё ё
        case 0xAA: return 0xF2; case 0xBA: return 0xF3;  // Є є
        case 0xAF: return 0xF4; case 0xBF: return 0xF5;  // Ї ї
        case 0xB0: return 0xF8;  // °
        case 0xB7: return 0xFA;  // ·
        case 0xB9: return 0xFC;  // №
        default: return '?';     // no counterpart; Windows picks a best fit
    }
}

}  // namespace

void LowerCaseAnsi(std::string& text) {
    for (char& c : text) c = static_cast<char>(LowerCp1251(static_cast<unsigned char>(c)));
}

void ConvertToOem(std::string& text) {
    for (char& c : text) c = static_cast<char>(OemCp866(static_cast<unsigned char>(c)));
}

std::string ModuleFilePath() {
    char path[512];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof path)) return {};
    return std::string(path, static_cast<std::size_t>(length));
}

bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) return false;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    errno = 0;
    while (const dirent* found = readdir(listing)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        FolderEntry entry;
        entry.name = name;
        if (lstat((prefix + name).c_str(), &info) == 0) {
            entry.plainFile = S_ISREG(info.st_mode);  // a symbolic link is no plain file
            entry.size = static_cast<unsigned long long>(info.st_size);
            // Seconds since 1970 in FILETIME's 100-ns steps since 1601.
            entry.lastWrite = (static_cast<unsigned long long>(info.st_mtim.tv_sec) + 11644473600ULL) * 10000000ULL +
                              static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100;
        }
        entries.push_back(entry);
        errno = 0;
    }
    const int error = errno;
    closedir(listing);
    errno = error;
    return error == 0;
}

bool DeleteOneFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool FreeSpaceOf(const std::string& folder, unsigned long long& bytes) {
    struct statvfs volume {};
    if (statvfs(folder.empty() ? "." : folder.c_str(), &volume) != 0) return false;
    bytes = static_cast<unsigned long long>(volume.f_bavail) * volume.f_frsize;
    return true;
}

namespace {
std::timed_mutex ConsoleOutput;
}  // namespace

bool LockConsoleOutput(unsigned long limitMs) {
    return ConsoleOutput.try_lock_for(std::chrono::milliseconds(limitMs));
}

void UnlockConsoleOutput() { ConsoleOutput.unlock(); }

bool ReadLocalTime(std::tm& now) {
    std::time_t seconds = std::time(nullptr);
    return localtime_r(&seconds, &now) != nullptr;
}

unsigned long MillisecondClock() {
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

namespace {

// Code page 1251's bytes 0x80..0xBF in Unicode (0x98 has none: kept as the control 0x98,
// as Windows does); 0xC0..0xFF are А..я in order.
const unsigned short Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

}  // namespace

void ConvertToUtf8(std::string& text) {
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (unsigned char c : text) {
        unsigned code = c < 0x80 ? c : c < 0xC0 ? Cp1251High[c - 0x80] : 0x0410u + (c - 0xC0u);
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    text.swap(utf8);
}

// No share modes here: a created file gets its header in a file of its own first, which is
// then linked in under the name, so nobody ever sees it without the header.
bool SharedAppendFile::Open(const std::string& path, const std::string& header, unsigned long limitMs) {
    Close();
    const unsigned long started = MillisecondClock();
    const std::string fresh = path + ".new-" + std::to_string(getpid());
    for (;;) {
        int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (file >= 0) {
            handle_ = file;
            return true;
        }
        if (errno != ENOENT) return false;
        int made = open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (made < 0) return false;
        bool whole = write(made, header.data(), header.size()) == static_cast<ssize_t>(header.size());
        int error = errno;
        close(made);
        bool linked = whole && link(fresh.c_str(), path.c_str()) == 0;
        if (!linked && whole) error = errno;
        unlink(fresh.c_str());
        if (!linked && error != EEXIST) {
            errno = error;
            return false;
        }
        if (MillisecondClock() - started >= limitMs) {
            errno = error;
            return false;
        }
    }
}

bool SharedAppendFile::Append(const std::string& text) {
    if (!IsOpen()) return false;
    return write(static_cast<int>(handle_), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void SharedAppendFile::Close() {
    if (!IsOpen()) return;
    close(static_cast<int>(handle_));
    handle_ = NoHandle;
}

bool SharedAppendFile::CanOpen(const std::string& path) {
    int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (file < 0 && errno == ENOENT) {
        file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file >= 0) unlink(path.c_str());
    }
    if (file < 0) return false;
    close(file);
    return true;
}

namespace {

// FILETIME's count: 100 ns since 1601, UTC.
constexpr unsigned long long SecondsFrom1601To1970 = 11644473600ULL;

void StampOf(const struct stat& info, FileStamp& stamp) {
    stamp.size = static_cast<unsigned long long>(info.st_size);
    stamp.writeTime = (static_cast<unsigned long long>(info.st_mtim.tv_sec) + SecondsFrom1601To1970) * 10000000ULL +
                      static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100;
    stamp.identityKnown = true;
    stamp.volume = static_cast<unsigned long>(info.st_dev);
    stamp.index = static_cast<unsigned long long>(info.st_ino);
}

}  // namespace

Stamping ReadFileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? Stamping::Missing : Stamping::Unknown;
    if (S_ISDIR(info.st_mode)) return Stamping::Unknown;
    StampOf(info, stamp);
    return Stamping::Stamped;
}

bool LocalFileTime(unsigned long long writeTime, std::tm& local) {
    const std::time_t seconds = static_cast<std::time_t>(writeTime / 10000000ULL - SecondsFrom1601To1970);
    return localtime_r(&seconds, &local) != nullptr;
}

ReadOnlyFile::Opening ReadOnlyFile::Open(const std::string& path) {
    Close();
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? Opening::Missing : Opening::Failed;
    if (S_ISDIR(info.st_mode)) return Opening::Folder;
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return Opening::Failed;
    handle_ = file;
    return Opening::Opened;
}

bool ReadOnlyFile::Size(unsigned long long& size) {
    struct stat info {};
    if (handle_ == NoHandle || fstat(static_cast<int>(handle_), &info) != 0) return false;
    size = static_cast<unsigned long long>(info.st_size);
    return true;
}

bool ReadOnlyFile::Stamp(FileStamp& stamp) {
    struct stat info {};
    if (handle_ == NoHandle || fstat(static_cast<int>(handle_), &info) != 0) return false;
    StampOf(info, stamp);
    return true;
}

bool ReadOnlyFile::ReadAt(unsigned long long offset, void* buffer, std::size_t size) {
    if (handle_ == NoHandle) return false;
    char* into = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t read = pread(static_cast<int>(handle_), into, size, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) return false;
        into += read;
        offset += static_cast<unsigned long long>(read);
        size -= static_cast<std::size_t>(read);
    }
    return true;
}

void ReadOnlyFile::Close() {
    if (handle_ == NoHandle) return;
    close(static_cast<int>(handle_));
    handle_ = NoHandle;
}
