// Native stand-ins for the system services, for building the text code on Linux
// (fuzzing and sanitizers). Text is Windows-1251 as on the target system.
#include "settings/system_services.h"

#include <chrono>
#include <mutex>

#include <sys/stat.h>
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

namespace {
std::timed_mutex ConsoleOutput;
}  // namespace

bool LockConsoleOutput(unsigned long limitMs) {
    return ConsoleOutput.try_lock_for(std::chrono::milliseconds(limitMs));
}

void UnlockConsoleOutput() { ConsoleOutput.unlock(); }
