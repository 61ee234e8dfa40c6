#include "engine/util/clock_ns.h"

#include <atomic>

#include "platform/base/clock.h"

namespace zovi::engine {

namespace {

LONGLONG CounterFrequency() {
    // Read once; every thread that races here stores the same value.
    static std::atomic<LONGLONG> frequency{0};
    LONGLONG value = frequency.load(std::memory_order_relaxed);
    if (value == 0) {
        QueryPerformanceFrequency(&value);
        frequency.store(value, std::memory_order_relaxed);
    }
    return value;
}

}  // namespace

uint64_t GetClockNs() {
    LONGLONG counter = 0;
    QueryPerformanceCounter(&counter);
    const LONGLONG frequency = CounterFrequency();
    if (frequency <= 0) return 0;
    return static_cast<uint64_t>(static_cast<double>(counter) * 1000000000.0 /
                                 static_cast<double>(frequency));
}

bool PreciseSleepUntil(uint64_t deadlineNs) {
    uint64_t now = GetClockNs();
    if (now >= deadlineNs) return false;
    const uint64_t msLeft = (deadlineNs - now) / 1000000;
    if (msLeft > 1) Sleep(static_cast<DWORD>(msLeft - 1));
    while (GetClockNs() < deadlineNs) Sleep(0);
    return true;
}

}  // namespace zovi::engine
