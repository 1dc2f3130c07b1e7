#include "bench/bench_support.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "common/unique_any.h"
#include "tests/support/files.h"

namespace bench {

namespace {

const char ProcRoot[] = "Z:\\proc\\";

bool AllDigits(const char* name) {
    if (!*name) return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9') return false;
    return true;
}

std::vector<std::string> NumericEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE first = FindFirstFileA((folder + "*").c_str(), &found);
    unique_any<HANDLE, &FindClose> search(first == INVALID_HANDLE_VALUE ? nullptr : first);
    for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &found))
        if (AllDigits(found.cFileName)) names.push_back(found.cFileName);
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

bool StartStandin(const std::string& standin, const std::string& base, unique_process_information& process) {
    std::string commandLine = "\"" + standin + "\" config /d\"" + base + "\" /u\"" + base + "\" /nАдминистратор";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, base.c_str(), &startup,
                          &process) != 0;
}

// ---- /proc ----

bool ProcVisible() {
    DWORD attributes = GetFileAttributesA("Z:\\proc\\self\\status");
    return attributes != INVALID_FILE_ATTRIBUTES;
}

int FindUnixProcess(const std::string& text, int excludePid) {
    for (const std::string& pid : NumericEntries(ProcRoot)) {
        int number = std::atoi(pid.c_str());
        if (number == excludePid) continue;
        std::string commandLine = support::ReadWholeFile(ProcRoot + pid + "\\cmdline");
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
        std::string stat = support::ReadWholeFile(folder + thread + "\\schedstat");
        if (stat.empty()) continue;
        sum += std::strtod(stat.c_str(), nullptr) / 1e6;
        any = true;
    }
    if (any && sum > 0) return sum;
    std::string stat = support::ReadWholeFile(ProcRoot + std::to_string(pid) + "\\stat");
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
    return std::atoi(support::ReadWholeFile(std::string(ProcRoot) + "self\\stat").c_str());
}

int FindWineserver() {
    char prefix[MAX_PATH * 2] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix)) return 0;
    for (const std::string& pid : NumericEntries(ProcRoot)) {
        if (support::ReadWholeFile(ProcRoot + pid + "\\cmdline").find("wineserver") == std::string::npos) continue;
        std::string environment = support::ReadWholeFile(ProcRoot + pid + "\\environ");
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
        std::string status = support::ReadWholeFile(ProcRoot + std::to_string(unixPid_) + "\\status");
        size_t at = status.find("VmHWM:");
        if (at == std::string::npos) return -1;
        return std::atoll(status.c_str() + at + 6);
    }
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process_ || !GetProcessMemoryInfo(process_, &counters, sizeof counters)) return -1;
    return static_cast<long long>(counters.PeakWorkingSetSize / 1024);
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
