#include "bench/bench_support.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace bench {

namespace {

const char ProcRoot[] = "Z:\\proc\\";

// Children are started from several threads: while one is being started, its inheritable
// pipe ends must not leak into another started at the same moment (which would keep
// them open, and the first child's output unfinished, for the other's whole life).
struct StartLock {
    CRITICAL_SECTION section;
    StartLock() { InitializeCriticalSection(&section); }
} startLock;

void Drain(HANDLE pipe, std::string* into, CRITICAL_SECTION* lock) {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        EnterCriticalSection(lock);
        into->append(buffer, got);
        LeaveCriticalSection(lock);
    }
}

bool AllDigits(const char* name) {
    if (!*name) return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9') return false;
    return true;
}

std::vector<std::string> NumericEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (AllDigits(found.cFileName)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

double FileTimeMs(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

}  // namespace

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// ---- Child ----

Child::~Child() {
    if (Running()) Terminate();
    Finish();
    if (process_.hProcess) CloseHandle(process_.hProcess);
    if (process_.hThread) CloseHandle(process_.hThread);
    if (lockReady_) DeleteCriticalSection(&lock_);
}

bool Child::Start(const std::string& commandLine, const std::string& currentDirectory,
                  const std::string& outputFile) {
    InitializeCriticalSection(&lock_);
    lockReady_ = true;
    EnterCriticalSection(&startLock.section);
    struct Leave {
        ~Leave() { LeaveCriticalSection(&startLock.section); }
    } leave;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outWrite = nullptr, errWrite = nullptr;
    if (!outputFile.empty()) {
        outWrite = CreateFileA(outputFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (outWrite == INVALID_HANDLE_VALUE) return false;
    } else if (!CreatePipe(&outRead_, &outWrite, &inherit, 1 << 16)) {
        return false;
    }
    if (!CreatePipe(&errRead_, &errWrite, &inherit, 1 << 16)) return false;
    if (outRead_) SetHandleInformation(outRead_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::string line = commandLine;
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process_);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!started) return false;
    if (outRead_) outReader_ = std::thread(Drain, outRead_, &out_, &lock_);
    errReader_ = std::thread(Drain, errRead_, &err_, &lock_);
    return true;
}

bool Child::Wait(DWORD limitMs) {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, limitMs) == WAIT_OBJECT_0;
}

bool Child::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void Child::Terminate() {
    if (!process_.hProcess) return;
    TerminateProcess(process_.hProcess, 255);
    WaitForSingleObject(process_.hProcess, 5000);
}

DWORD Child::ExitCode() const {
    DWORD code = 0;
    if (process_.hProcess) GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::string Child::Output() {
    if (!lockReady_) return {};
    EnterCriticalSection(&lock_);
    std::string copy = out_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::string Child::Errors() {
    if (!lockReady_) return {};
    EnterCriticalSection(&lock_);
    std::string copy = err_;
    LeaveCriticalSection(&lock_);
    return copy;
}

void Child::Finish() {
    if (outReader_.joinable()) outReader_.join();
    if (errReader_.joinable()) errReader_.join();
    if (outRead_) CloseHandle(outRead_);
    if (errRead_) CloseHandle(errRead_);
    outRead_ = errRead_ = nullptr;
}

bool Child::WaitForOutput(const std::string& text, DWORD limitMs) {
    double until = NowMs() + limitMs;
    while (NowMs() < until) {
        if (Output().find(text) != std::string::npos) return true;
        if (!Running()) return Output().find(text) != std::string::npos;
        Sleep(10);
    }
    return false;
}

// ---- /proc ----

bool ProcVisible() {
    DWORD attributes = GetFileAttributesA("Z:\\proc\\self\\status");
    return attributes != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path) {
    // /proc files report no size: read until the end.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    // Not inheritable (a C stream's handle would be): a child started meanwhile by another
    // thread must not hold the file open.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

int FindUnixProcess(const std::string& text, int excludePid) {
    for (const std::string& pid : NumericEntries(ProcRoot)) {
        int number = std::atoi(pid.c_str());
        if (number == excludePid) continue;
        std::string commandLine = ReadWholeFile(ProcRoot + pid + "\\cmdline");
        if (commandLine.find(text) != std::string::npos) return number;
    }
    return 0;
}

double UnixCpuMs(int pid) {
    // Nanoseconds on the CPU per thread (schedstat), summed; clock ticks of /proc/<pid>/stat
    // as the fall-back.
    std::string folder = ProcRoot + std::to_string(pid) + "\\task\\";
    std::vector<std::string> threads = NumericEntries(folder);
    double sum = 0;
    bool any = false;
    for (const std::string& thread : threads) {
        std::string stat = ReadWholeFile(folder + thread + "\\schedstat");
        if (stat.empty()) continue;
        sum += std::strtod(stat.c_str(), nullptr) / 1e6;
        any = true;
    }
    if (any && sum > 0) return sum;
    std::string stat = ReadWholeFile(ProcRoot + std::to_string(pid) + "\\stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    // Fields after the command name: state is field 3; utime and stime are 14 and 15.
    const char* p = stat.c_str() + close + 2;
    long long fields[16] = {};
    for (int field = 3; field <= 15 && *p; ++field) {
        fields[field] = std::atoll(p);
        p = std::strchr(p, ' ');
        if (!p) break;
        ++p;
    }
    return static_cast<double>(fields[14] + fields[15]) * 10.0;
}

double UnixCpuMs(const std::vector<int>& pids) {
    double sum = 0;
    for (int pid : pids)
        if (pid) sum += std::max(0.0, UnixCpuMs(pid));
    return sum;
}

int OwnUnixPid() {
    // /proc/self is the Wine process itself.
    return std::atoi(ReadWholeFile(std::string(ProcRoot) + "self\\stat").c_str());
}

int FindWineserver() {
    char prefix[MAX_PATH * 2] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix)) return 0;
    for (const std::string& pid : NumericEntries(ProcRoot)) {
        if (ReadWholeFile(ProcRoot + pid + "\\cmdline").find("wineserver") == std::string::npos) continue;
        std::string environment = ReadWholeFile(ProcRoot + pid + "\\environ");
        if (environment.find(std::string("WINEPREFIX=") + prefix + '\0') != std::string::npos) return std::atoi(pid.c_str());
    }
    return 0;
}

bool ProcessMeter::Attach(HANDLE process, const std::string& marker, DWORD limitMs) {
    process_ = process;
    if (!ProcVisible()) return true;
    double until = NowMs() + limitMs;
    do {
        unixPid_ = FindUnixProcess(marker);
        if (unixPid_) return true;
        Sleep(5);
    } while (NowMs() < until);
    return false;
}

double ProcessMeter::CpuMs() const {
    if (unixPid_) return UnixCpuMs(unixPid_);
    FILETIME created, ended, kernel, user;
    if (!process_ || !GetProcessTimes(process_, &created, &ended, &kernel, &user)) return -1;
    return FileTimeMs(kernel) + FileTimeMs(user);
}

long long ProcessMeter::PeakKb() const {
    if (unixPid_) {
        std::string status = ReadWholeFile(ProcRoot + std::to_string(unixPid_) + "\\status");
        size_t at = status.find("VmHWM:");
        if (at == std::string::npos) return -1;
        return std::atoll(status.c_str() + at + 6);
    }
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process_ || !GetProcessMemoryInfo(process_, &counters, sizeof counters)) return -1;
    return static_cast<long long>(counters.PeakWorkingSetSize / 1024);
}

// ---- text ----

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    return "\"" + argument + "\"";
}

Summary Summarise(std::vector<double> values) {
    Summary summary;
    summary.count = static_cast<int>(values.size());
    if (values.empty()) return summary;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    summary.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    summary.min = values.front();
    summary.max = values.back();
    return summary;
}

}  // namespace bench
