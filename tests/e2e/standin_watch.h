#pragma once
// Holds the stand-in's process from the moment it journals its start, so that its exit code
// can still be read after cfgload, which may terminate it, has ended.

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/win_handles.h"
#include "tests/e2e/harness.h"

namespace e2e {

class StandinWatch {
public:
    explicit StandinWatch(std::string journal) : journal_(std::move(journal)), thread_([this] { Watch(); }) {}
    ~StandinWatch() { Stop(); }
    StandinWatch(const StandinWatch&) = delete;
    StandinWatch& operator=(const StandinWatch&) = delete;

    // Its exit code once it has ended (waiting up to the limit); -1 when unknown.
    long ExitCode(DWORD limitMs) {
        Stop();
        if (!process_ || WaitForSingleObject(process_.get(), limitMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<long>(code);
    }

private:
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void Watch() {
        while (!stop_ && !process_) {
            for (const auto& event : ReadJournal(journal_)) {
                if (event.kind != "start" || event.text.compare(0, 4, "pid=") != 0) continue;
                DWORD pid = std::strtoul(event.text.c_str() + 4, nullptr, 10);
                process_.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
                break;
            }
            Sleep(10);
        }
    }

    std::string journal_;
    std::atomic<bool> stop_{false};
    unique_handle process_;  // written by the watching thread only until Stop() has joined it
    std::thread thread_;     // last: it starts once the rest is there
};

}  // namespace e2e
