#pragma once
// A time allowance measured with GetTickCount, which every Windows version the tool runs on
// has (GetTickCount64 came with Vista). The 32-bit count wraps every 49.7 days, so the time
// spent is summed from differences of consecutive readings: unsigned subtraction keeps each
// difference right across the wrap, provided the allowance is read at least once per wrap
// (every wait reads it at least once a second). Allowances beyond 49.7 days work too.

#include <windows.h>

class TickCountdown {
public:
    explicit TickCountdown(ULONGLONG allowanceMs, DWORD now = GetTickCount())
        : allowance_(allowanceMs), last_(now) {}

    // Milliseconds left, 0 once the allowance is spent.
    ULONGLONG Left(DWORD now = GetTickCount()) {
        spent_ += static_cast<DWORD>(now - last_);
        last_ = now;
        return spent_ >= allowance_ ? 0 : allowance_ - spent_;
    }

    // The next wait: what is left, but at most sliceMs.
    DWORD NextSlice(DWORD sliceMs, DWORD now = GetTickCount()) {
        ULONGLONG left = Left(now);
        return left < sliceMs ? static_cast<DWORD>(left) : sliceMs;
    }

private:
    ULONGLONG allowance_;
    ULONGLONG spent_ = 0;
    DWORD last_;
};
