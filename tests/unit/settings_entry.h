#pragma once
// What the settings tests share: a settings file of given bytes, and the settings passes as
// the program entry runs them.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/run_settings.h"

class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        char dir[MAX_PATH], file[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        GetTempFileNameA(dir, "ini", 0, file);
        path = file;
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~TempFile() { DeleteFileA(path.c_str()); }
    std::string path;
};

// With no default settings file.
inline void ParseAsEntry(const std::vector<std::string>& args) {
    CommandLineScan scan = ScanCommandLine(args);
    ASSERT_FALSE(scan.endProgram);
    LoadSettings(scan.settingsFile);
    ApplyCommandLine(args);
    CompleteSettings();
}
