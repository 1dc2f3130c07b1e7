#include "tests/support/child_process.h"

#include <thread>

namespace {

struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    ~Pipe() {
        if (read) CloseHandle(read);
        if (write) CloseHandle(write);
    }
};

void Drain(HANDLE pipe, std::string* into) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) into->append(buffer, got);
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
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process))
        return result;
    result.started = true;
    CloseHandle(out.write);
    out.write = nullptr;
    CloseHandle(err.write);
    err.write = nullptr;

    std::thread outReader(Drain, out.read, &result.output);
    std::thread errReader(Drain, err.read, &result.errors);
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
