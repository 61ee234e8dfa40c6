// The performance counter and sleeps (QueryPerformanceCounter, Sleep, GetTickCount64) on
// the monotonic clock. Tests may replace the clock process-wide, so pacing and pause
// arithmetic can be tested without waiting.
#pragma once
#include <atomic>

#include "platform/base/wintypes.h"

// Counter ticks since an arbitrary start; the frequency is ticks per second.
BOOL QueryPerformanceCounter(LONGLONG* counter);
BOOL QueryPerformanceFrequency(LONGLONG* frequency);
// Milliseconds since an arbitrary start.
ULONGLONG GetTickCount64();
// The same, cut to 32 bits: it wraps after 49.7 days, so intervals are taken as unsigned
// differences.
DWORD GetTickCount();
// Sleeps `milliseconds`; 0 yields the rest of the time slice.
void Sleep(DWORD milliseconds);

namespace zovi::platform {

// A source of time. The real one reads CLOCK_MONOTONIC in nanoseconds.
class IClock {
public:
    virtual ~IClock() = default;
    virtual LONGLONG NowNanoseconds() = 0;
    virtual void SleepMilliseconds(DWORD milliseconds) = 0;
};

// Replaces the clock behind the functions above (null restores the real one). Not
// owned; must outlive its use. For tests.
void SetClockForTesting(IClock* clock);

// A clock for tests: time stands still until advanced; a sleep advances it.
class CManualClock : public IClock {
public:
    LONGLONG NowNanoseconds() override;
    void SleepMilliseconds(DWORD milliseconds) override;
    void Advance(LONGLONG nanoseconds);

private:
    std::atomic<LONGLONG> now_{1'000'000'000};
};

}  // namespace zovi::platform
