#pragma once
// The few system services that the text-processing code needs. The Windows build
// implements them with Win32 calls; the native build (fuzzing, sanitizers) emulates them
// for code page 1251 so that the same text code runs on Linux.

#include <string>

// Lower-cases a Windows-1251 byte string in place by the ANSI code page's rules
// (CharLowerBuffA on Windows): Latin and Cyrillic capitals alike.
void LowerCaseAnsi(std::string& text);

// Converts a Windows-1251 byte string in place to the console's OEM code page (CharToOemA).
void ConvertToOem(std::string& text);

// Full path of the running executable (at most 511 characters); empty on failure.
std::string ModuleFilePath();

// True when the path names an existing file that is not a directory.
bool IsExistingFile(const std::string& path);

// The console lines' lock: lines come from the main thread and, at an interruption, from
// the console control handler's thread. LockConsoleOutput waits at most limitMs and says
// whether it got the lock. (A kernel mutex on Windows, timed and present on every version
// the tool runs on; the C++ library's timed mutex is missing from mingw-w64's win32
// threading variant.)
bool LockConsoleOutput(unsigned long limitMs);
void UnlockConsoleOutput();
