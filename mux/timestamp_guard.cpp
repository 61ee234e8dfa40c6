#include "mux/timestamp_guard.h"

namespace zovi::mux {

namespace {

constexpr int64_t kSecondsPerHour = 3600;

// |a - b| <= limit, without overflow for any two 64-bit values.
bool WithinStep(int64_t from, int64_t to, int64_t limit) {
    if (to < from) return false;
    return static_cast<uint64_t>(to) - static_cast<uint64_t>(from) <=
           static_cast<uint64_t>(limit);
}

}  // namespace

CTimestampGuard::CTimestampGuard(int64_t videoTicksPerSecond, int64_t soundTicksPerSecond) {
    streams_[0].maxStep = videoTicksPerSecond * kSecondsPerHour;
    streams_[1].maxStep = soundTicksPerSecond * kSecondsPerHour;
}

bool CTimestampGuard::Accept(int32_t kind, int64_t pts, int64_t dts) {
    if (kind != 0 && kind != 1) return false;
    Stream& stream = streams_[kind];
    // The first packet may start a little before 0 (an encoder's reordering delay), but
    // not by more than the window allows either way.
    const bool dtsSound = stream.started
                              ? WithinStep(stream.lastDts, dts, stream.maxStep)
                              : WithinStep(-stream.maxStep, dts, 2 * stream.maxStep);
    // Presentation never precedes decoding and follows it within the same window.
    if (!dtsSound || !WithinStep(dts, pts, stream.maxStep)) {
        ++dropped_;
        return false;
    }
    stream.lastDts = dts;
    stream.started = true;
    return true;
}

}  // namespace zovi::mux
