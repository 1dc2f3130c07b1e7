#pragma once
// What the benchmark programs share: child processes with captured output, the CPU time
// and peak memory of a process (from /proc under Wine, from the system on Windows), and
// medians.

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

namespace bench {

double NowMs();

// A child process whose standard output and error are read into strings as it runs.
class Child {
public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // With outputFile, the standard output is appended to that file (as a batch file's
    // ">> log" does) instead of being read through a pipe.
    bool Start(const std::string& commandLine, const std::string& currentDirectory = {},
               const std::string& outputFile = {});
    // True when it ended within the limit.
    bool Wait(DWORD limitMs);
    bool Running() const;
    void Terminate();
    DWORD ExitCode() const;
    HANDLE Process() const { return process_.hProcess; }
    DWORD Id() const { return process_.dwProcessId; }
    // Output so far; complete once the child has ended and Finish() has been called.
    std::string Output();
    std::string Errors();
    // Waits for the output readers (after the child has ended).
    void Finish();
    // Waits until the output holds the text (or the child ends, or the limit passes).
    bool WaitForOutput(const std::string& text, DWORD limitMs);

private:
    PROCESS_INFORMATION process_{};
    HANDLE outRead_ = nullptr, errRead_ = nullptr;
    std::thread outReader_, errReader_;
    std::string out_, err_;
    CRITICAL_SECTION lock_;
    bool lockReady_ = false;
};

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

std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// A Linux path as Wine sees it; Windows paths pass unchanged.
std::string WindowsPath(const std::string& path);
std::string Quoted(const std::string& argument);

struct Summary {
    int count = 0;
    double median = 0, min = 0, max = 0;
};
Summary Summarise(std::vector<double> values);

}  // namespace bench
