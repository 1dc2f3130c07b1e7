#pragma once
// Runs a program as a child process, capturing its standard output as bytes, with a
// wall-clock limit. For tests only.

#include <windows.h>

#include <string>

struct ChildResult {
    bool started = false;
    DWORD startError = 0;    // GetLastError of the last failed start
    bool timedOut = false;   // killed at the limit
    DWORD exitCode = 0;
    std::string output;      // standard output, raw bytes
    std::string errors;      // standard error, raw bytes
};

// commandLine is passed to CreateProcessA as is; currentDirectory may be empty.
ChildResult RunChild(const std::string& commandLine, const std::string& currentDirectory = {},
                     DWORD limitMs = 60000);

// A Linux path as Wine sees it ("/tmp/x" becomes "Z:\tmp\x"); Windows paths pass unchanged.
std::string WindowsPath(const std::string& path);

// Decodes CP866 bytes to Windows-1251 bytes (the inverse of CharToOemA for Cyrillic).
std::string OemToAnsi(const std::string& oem);
