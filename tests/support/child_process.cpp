#include "tests/support/child_process.h"

#include <cstdio>
#include <functional>

namespace support {

namespace {

// Children are started from several threads (the benchmark's runs side by side): while one
// is being started, the inheritable write ends of its pipes must not leak into another
// started at the same moment, which would hold them open for that other child's life.
struct StartLock {
    CRITICAL_SECTION section;
    StartLock() { InitializeCriticalSection(&section); }
} startLock;

// Pipe names unique within this process.
LONG pipeCounter = 0;

}  // namespace

ChildProcess::~ChildProcess() {
    if (Running()) Terminate();
    Finish();
    if (lockReady_) DeleteCriticalSection(&lock_);
}

bool ChildProcess::OpenPipe(Reader& reader, unique_handle& write, const SECURITY_ATTRIBUTES& inherit) {
    // A named pipe read overlapped, so that the reader waits for data and for the child's end
    // at once (an anonymous pipe cannot be read so).
    std::string name = "\\\\.\\pipe\\cfgload-child-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(InterlockedIncrement(&pipeCounter));
    reader.pipe = OwnFileHandle(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                                 PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 1 << 16, 0, nullptr));
    if (!reader.pipe) return false;
    write = OwnFileHandle(CreateFileA(name.c_str(), GENERIC_WRITE, 0, const_cast<SECURITY_ATTRIBUTES*>(&inherit),
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(write);
}

bool ChildProcess::Start(const std::string& commandLine, const std::string& currentDirectory,
                         const std::string& outputFile) {
    if (!lockReady_) {
        InitializeCriticalSection(&lock_);
        lockReady_ = true;
    }
    EnterCriticalSection(&startLock.section);
    struct Leave {
        ~Leave() { LeaveCriticalSection(&startLock.section); }
    } leave;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    unique_handle outWrite, errWrite;
    if (!outputFile.empty()) {
        outWrite = OwnFileHandle(CreateFileA(outputFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!outWrite) return false;
    } else if (!OpenPipe(out_, outWrite, inherit)) {
        return false;
    }
    if (!OpenPipe(err_, errWrite, inherit)) return false;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite.get();
    startup.hStdError = errWrite.get();
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process_))
        return false;
    if (out_.pipe) out_.thread = std::thread(&ChildProcess::Drain, this, std::ref(out_));
    err_.thread = std::thread(&ChildProcess::Drain, this, std::ref(err_));
    return true;
}

// Reads until the child has ended and the pipe is empty. The end of the pipe is not waited
// for: a program the child started may hold the write end (Wine hands a console program's
// standard handles to its children even when nothing is inherited) and outlive it.
void ChildProcess::Drain(Reader& reader) {
    unique_handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event) return;
    char buffer[65536];
    while (true) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        bool childEnded = false;
        if (!ReadFile(reader.pipe.get(), buffer, sizeof buffer, nullptr, &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) return;  // every writer gone
            // Whatever the child wrote is in the pipe before its end is signalled, and a read
            // that has data comes first.
            HANDLE waits[] = {event.get(), process_.hProcess};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(reader.pipe.get());
                childEnded = true;
            }
        }
        DWORD got = 0;
        bool read = GetOverlappedResult(reader.pipe.get(), &overlapped, &got, TRUE);
        EnterCriticalSection(&lock_);
        reader.text.append(buffer, got);
        LeaveCriticalSection(&lock_);
        if (!read || childEnded) return;
    }
}

bool ChildProcess::Wait(DWORD limitMs) {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, limitMs) == WAIT_OBJECT_0;
}

bool ChildProcess::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Terminate() {
    if (!process_.hProcess) return;
    TerminateProcess(process_.hProcess, 255);
    WaitForSingleObject(process_.hProcess, 5000);
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = 0;
    if (process_.hProcess) GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::string ChildProcess::Copy(const std::string& text) {
    if (!lockReady_) return {};
    EnterCriticalSection(&lock_);
    std::string copy = text;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::string ChildProcess::Output() { return Copy(out_.text); }
std::string ChildProcess::Errors() { return Copy(err_.text); }

void ChildProcess::Finish() {
    for (Reader* reader : {&out_, &err_}) {
        if (reader->thread.joinable()) reader->thread.join();
        reader->pipe.reset();
    }
}

bool ChildProcess::WaitForOutput(const std::string& text, DWORD limitMs) {
    ULONGLONG until = GetTickCount64() + limitMs;
    while (GetTickCount64() < until) {
        if (Output().find(text) != std::string::npos) return true;
        if (!Running()) return Output().find(text) != std::string::npos;
        Sleep(10);
    }
    return false;
}

std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    return "\"" + argument + "\"";
}

}  // namespace support

ChildResult RunChild(const std::string& commandLine, const std::string& currentDirectory, DWORD limitMs) {
    ChildResult result;
    support::ChildProcess child;
    // Under Wine, with many test processes starting at once, a start now and then fails
    // for no reason of the test's: try a few times before reporting it.
    for (int attempt = 0; !child.Start(commandLine, currentDirectory); ++attempt) {
        result.startError = GetLastError();
        if (attempt == 4) {
            std::fprintf(stderr, "RunChild: cannot start [%s]: error %lu\n", commandLine.c_str(),
                         static_cast<unsigned long>(result.startError));
            return result;
        }
        Sleep(200);
    }
    result.started = true;
    if (!child.Wait(limitMs)) {
        result.timedOut = true;
        child.Terminate();
    }
    child.Finish();
    result.exitCode = child.ExitCode();
    result.output = child.Output();
    result.errors = child.Errors();
    return result;
}

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

std::string Recoded(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring unicode(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), unicode.data(), wide);
    int bytes = WideCharToMultiByte(to, 0, unicode.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string recoded(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(to, 0, unicode.data(), wide, recoded.data(), bytes, nullptr, nullptr);
    return recoded;
}

std::string OemToAnsi(const std::string& oem) {
    std::string ansi = oem;
    if (!ansi.empty()) OemToCharBuffA(ansi.data(), ansi.data(), static_cast<DWORD>(ansi.size()));
    return ansi;
}
