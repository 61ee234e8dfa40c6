// Decides when the muxer pushes what it holds to the file: at every video key frame and
// at least once per second of media, so a muxer killed mid-recording loses at most the
// last second.
#pragma once

namespace zovi::mux {

class CFlushClock {
public:
    // Seconds of media allowed between two flushes.
    static constexpr double kMaxGapSeconds = 1.0;

    // Takes one written packet at `seconds` of media; true when the file is to be flushed
    // now. The first packet starts the clock.
    bool Due(double seconds, bool videoKeyFrame);

private:
    bool started_ = false;
    double lastFlush_ = 0;
    double latest_ = 0;  // streams interleave: the clock follows the furthest one
};

}  // namespace zovi::mux
