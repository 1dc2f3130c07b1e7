#pragma once
// Programs run as child processes with their standard output and error read into strings as
// they run. For the tests and the benchmark only.

#include <windows.h>

#include <string>
#include <thread>

#include "common/win_handles.h"

namespace support {

class ChildProcess {
public:
    ChildProcess() = default;
    // Ends a child still running, then waits for its output.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // commandLine is passed to CreateProcessA as is; currentDirectory may be empty. With
    // outputFile, the standard output is appended to that file (as a batch file's ">> log"
    // does) instead of being read. False when it could not start (GetLastError tells why).
    bool Start(const std::string& commandLine, const std::string& currentDirectory = {},
               const std::string& outputFile = {});
    // True when it ended within the limit.
    bool Wait(DWORD limitMs);
    bool Running() const;
    // Ends it with exit code 255 and waits up to five seconds for its end.
    void Terminate();
    DWORD ExitCode() const;
    HANDLE Process() const { return process_.hProcess; }
    // Output so far; complete once the child has ended and Finish() has returned.
    std::string Output();
    std::string Errors();
    // Waits for the end of the child's output (the child must have ended).
    void Finish();
    // Waits until the output holds the text (or the child ends, or the limit passes).
    bool WaitForOutput(const std::string& text, DWORD limitMs);

private:
    struct Reader {
        unique_handle pipe;
        std::string text;
        std::thread thread;
    };
    bool OpenPipe(Reader& reader, unique_handle& write, const SECURITY_ATTRIBUTES& inherit);
    void Drain(Reader& reader);
    std::string Copy(const std::string& text);

    unique_process_information process_;
    Reader out_, err_;
    // The readers append while the caller copies.
    CRITICAL_SECTION lock_;
    bool lockReady_ = false;
};

// A Windows command-line argument, in quotes when it holds blanks or quotes.
std::string Quoted(const std::string& argument);

}  // namespace support

struct ChildResult {
    bool started = false;
    DWORD startError = 0;    // GetLastError of the last failed start
    bool timedOut = false;   // killed at the limit
    DWORD exitCode = 0;
    std::string output;      // standard output, raw bytes
    std::string errors;      // standard error, raw bytes
};

// Runs a program to its end or to the limit. commandLine is passed to CreateProcessA as is;
// currentDirectory may be empty.
ChildResult RunChild(const std::string& commandLine, const std::string& currentDirectory = {},
                     DWORD limitMs = 60000);

// A Linux path as Wine sees it ("/tmp/x" becomes "Z:\tmp\x"); Windows paths pass unchanged.
std::string WindowsPath(const std::string& path);

// Decodes CP866 bytes to Windows-1251 bytes (the inverse of CharToOemA for Cyrillic).
std::string OemToAnsi(const std::string& oem);

// Text from one code page to another through UTF-16 (1251 and CP_UTF8 for the run log).
std::string Recoded(const std::string& text, UINT from, UINT to);
