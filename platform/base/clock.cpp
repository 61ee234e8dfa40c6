#include "platform/base/clock.h"

#include <sched.h>
#include <time.h>

#include <atomic>

namespace zovi::platform {

namespace {

class CMonotonicClock : public IClock {
public:
    LONGLONG NowNanoseconds() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<LONGLONG>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
    void SleepMilliseconds(DWORD milliseconds) override {
        if (milliseconds == 0) {
            sched_yield();
            return;
        }
        timespec duration{static_cast<time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1'000'000};
        while (nanosleep(&duration, &duration) != 0) {
        }
    }
};

CMonotonicClock g_monotonic;
std::atomic<IClock*> g_clock{&g_monotonic};

}  // namespace

void SetClockForTesting(IClock* clock) { g_clock = clock ? clock : &g_monotonic; }

LONGLONG CManualClock::NowNanoseconds() { return now_.load(); }
void CManualClock::SleepMilliseconds(DWORD milliseconds) {
    now_ += static_cast<LONGLONG>(milliseconds) * 1'000'000;
}
void CManualClock::Advance(LONGLONG nanoseconds) { now_ += nanoseconds; }

}  // namespace zovi::platform

BOOL QueryPerformanceCounter(LONGLONG* counter) {
    if (!counter) return FALSE;
    *counter = zovi::platform::g_clock.load()->NowNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LONGLONG* frequency) {
    if (!frequency) return FALSE;
    *frequency = 1'000'000'000;
    return TRUE;
}

ULONGLONG GetTickCount64() {
    return static_cast<ULONGLONG>(zovi::platform::g_clock.load()->NowNanoseconds() / 1'000'000);
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void Sleep(DWORD milliseconds) { zovi::platform::g_clock.load()->SleepMilliseconds(milliseconds); }
