#include "tests/support/child_process.h"

#include <cstdio>
#include <thread>

namespace {

struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    ~Pipe() {
        if (read) CloseHandle(read);
        if (write) CloseHandle(write);
    }
};

// Reads until the child has ended and the pipe is empty. The end of the pipe is not waited
// for: a program the child started may hold the write end (Wine hands a console program's
// standard handles to its children even when nothing is inherited) and outlive it.
void Drain(HANDLE pipe, std::string* into, HANDLE process) {
    char buffer[4096];
    while (true) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return;  // every writer gone
        if (available > 0) {
            DWORD got = 0;
            if (!ReadFile(pipe, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr)) return;
            into->append(buffer, got);
            continue;
        }
        // Whatever the child wrote is in the pipe before its end is signalled.
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) continue;
            return;
        }
    }
}

}  // namespace

ChildResult RunChild(const std::string& commandLine, const std::string& currentDirectory, DWORD limitMs) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Pipe out, err;
    if (!CreatePipe(&out.read, &out.write, &inherit, 0) || !CreatePipe(&err.read, &err.write, &inherit, 0))
        return result;
    SetHandleInformation(out.read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err.read, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    // Under Wine, with many test processes starting at once, a start now and then fails
    // for no reason of the test's: try a few times before reporting it.
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process))
            break;
        result.startError = GetLastError();
        if (attempt == 4) {
            std::fprintf(stderr, "RunChild: cannot start [%s]: error %lu\n", commandLine.c_str(),
                         static_cast<unsigned long>(result.startError));
            return result;
        }
        Sleep(200);
        line = commandLine;
    }
    result.started = true;
    CloseHandle(out.write);
    out.write = nullptr;
    CloseHandle(err.write);
    err.write = nullptr;

    std::thread outReader(Drain, out.read, &result.output, process.hProcess);
    std::thread errReader(Drain, err.read, &result.errors, process.hProcess);
    if (WaitForSingleObject(process.hProcess, limitMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, 5000);
    }
    outReader.join();
    errReader.join();
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

std::string OemToAnsi(const std::string& oem) {
    std::string ansi = oem;
    if (!ansi.empty()) OemToCharBuffA(ansi.data(), ansi.data(), static_cast<DWORD>(ansi.size()));
    return ansi;
}
