#pragma once
// For tests whose windows must lie above all others on the screen (their pictures are copies
// from it): one such test at a time, across the test processes running side by side.
#include <windows.h>

namespace support {

class ScreenTurn {
public:
    explicit ScreenTurn(DWORD waitMs = 240000) : mutex_(CreateMutexA(nullptr, FALSE, "cfgload-tests-screen-turn")) {
        if (mutex_) owned_ = WaitForSingleObject(mutex_, waitMs) != WAIT_TIMEOUT;
    }
    ~ScreenTurn() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    ScreenTurn(const ScreenTurn&) = delete;
    ScreenTurn& operator=(const ScreenTurn&) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};

}  // namespace support
