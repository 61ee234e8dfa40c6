// A clock for pacing tests: time moves only when the tick thread sleeps (or the test
// advances it), so frame indices follow from the arithmetic alone. Sleeps of other
// threads wait a little real time without moving the clock.
#pragma once
#include <atomic>
#include <thread>

#include "platform/base/clock.h"

namespace zovi::engine::testing {

class CTickClock : public platform::IClock {
public:
    CTickClock() { platform::SetClockForTesting(this); }
    ~CTickClock() override { platform::SetClockForTesting(nullptr); }

    // The thread whose sleeps move the clock (the tick thread: call from CaptureFrame).
    void AdoptCurrentThread() { owner_ = std::this_thread::get_id(); }
    void Advance(LONGLONG nanoseconds) { now_ += nanoseconds; }

    LONGLONG NowNanoseconds() override { return now_.load(); }
    void SleepMilliseconds(DWORD milliseconds) override {
        if (std::this_thread::get_id() == owner_.load()) {
            // A yield moves a quarter of a millisecond.
            now_ += milliseconds == 0 ? 250'000 : static_cast<LONGLONG>(milliseconds) * 1'000'000;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(milliseconds == 0 ? 10 : 50));
    }

private:
    std::atomic<LONGLONG> now_{5'000'000'000};
    std::atomic<std::thread::id> owner_{};
};

}  // namespace zovi::engine::testing
