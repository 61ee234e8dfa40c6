#include "mux/flush_clock.h"

#include <algorithm>

namespace zovi::mux {

bool CFlushClock::Due(double seconds, bool videoKeyFrame) {
    if (!started_) {
        started_ = true;
        lastFlush_ = latest_ = seconds;
    }
    latest_ = std::max(latest_, seconds);
    if (!videoKeyFrame && latest_ - lastFlush_ < kMaxGapSeconds) return false;
    lastFlush_ = latest_;
    return true;
}

}  // namespace zovi::mux
