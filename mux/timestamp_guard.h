// Screens the time stamps of each stream before they reach the container: a packet whose
// decode time goes backwards, or leaps more than an hour past the stream's last one, is
// dropped so that one wild value cannot stall the interleaving or make a container pad
// the gap (the rest of the stream is kept).
#pragma once
#include <cstdint>

namespace zovi::mux {

class CTimestampGuard {
public:
    // `ticksPerSecond` of each stream's time base (video fps, sound sample rate).
    CTimestampGuard(int64_t videoTicksPerSecond, int64_t soundTicksPerSecond);

    // True when the packet may be written; then it becomes the stream's last one.
    bool Accept(int32_t kind, int64_t pts, int64_t dts);

    int64_t dropped() const { return dropped_; }

private:
    struct Stream {
        int64_t maxStep = 0;  // one hour in the stream's ticks
        int64_t lastDts = 0;  // a stream starts at 0
        bool started = false;
    };
    Stream streams_[2];
    int64_t dropped_ = 0;
};

}  // namespace zovi::mux
