#pragma once
// What the benchmark programs share beside tests/support: the CPU time
// and peak memory of a process (from /proc under Wine, from the system on Windows), and
// medians.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win_handles.h"

namespace bench {

double NowMs();

// Starts the stand-in configurator on the infobase folder (its scenario already there), as
// cfgload starts the configurator; false when it could not start.
bool StartStandin(const std::string& standin, const std::string& base, unique_process_information& process);

// The process as the system that runs it sees it. Under Wine a Windows process is a Linux
// process whose /proc entry tells its real CPU time and memory (Wine's answers to
// GetProcessTimes and GetProcessMemoryInfo for another process are not filled in).
class ProcessMeter {
public:
    // Finds the process by a text of its command line (a unique marker); under Wine waits up
    // to limitMs for it to appear. Falls back to the handle on Windows.
    bool Attach(HANDLE process, const std::string& marker, DWORD limitMs = 5000);
    // CPU time (user and system) used so far, in milliseconds; negative when unknown.
    double CpuMs() const;
    // Peak resident memory so far (VmHWM; the peak working set on Windows), in KiB.
    long long PeakKb() const;
    bool UnderWine() const { return unixPid_ != 0; }
    int UnixPid() const { return unixPid_; }

private:
    HANDLE process_ = nullptr;
    int unixPid_ = 0;
};

// True when Linux's /proc is visible through Wine's Z: drive.
bool ProcVisible();
// The Linux process id of the first process whose command line holds the text; 0 if none.
int FindUnixProcess(const std::string& text, int excludePid = 0);
// CPU time of a Linux process (all its threads), in milliseconds; negative when unknown.
double UnixCpuMs(int pid);
// The sum over several processes (ids of 0 are left out).
double UnixCpuMs(const std::vector<int>& pids);
// This process's own Linux id.
int OwnUnixPid();
// The wineserver of this Wine prefix (it works for every process of the prefix); 0 if none.
int FindWineserver();

struct Summary {
    int count = 0;
    double median = 0, min = 0, max = 0;
};
Summary Summarise(std::vector<double> values);

}  // namespace bench
