// The engine's nanosecond clock and the precise sleep used for frame pacing.
#pragma once
#include <cstdint>

namespace zovi::engine {

// The performance counter in nanoseconds.
uint64_t GetClockNs();

// Sleeps until `deadlineNs` (on GetClockNs's clock): whole milliseconds but one by
// sleeping, the rest by yielding. False at once when the deadline has passed.
bool PreciseSleepUntil(uint64_t deadlineNs);

}  // namespace zovi::engine
