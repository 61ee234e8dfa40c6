// Where a recording's sound begins. A file's time line begins at the earliest decode
// time of all its tracks, and fragmented MP4 (without edit lists) and AVI begin every
// track there, playing sound back to back from its first packet. The picture's first
// packet decodes before time 0 when its encoder reorders frames, so sound that began
// at 0 would play that much early. The sound is therefore held back until the picture's
// first packet is known, and silent blocks (encoded like any other sound) are put before
// the first captured block so that the sound begins no later than the picture.
// Not thread-safe: the capture engine calls it under its encode lock.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace zovi::engine {

class CSoundStart {
public:
    // Encodes one block of `frames` frames (one plane per channel) at `pts`.
    using Emit = std::function<bool(float* const* planes, int frames, int64_t pts)>;

    // Times are in sound frames. `encoderDelay`: how far the encoder's first packet lies
    // before its first block. `expectedPictureStart`: where the picture is expected to
    // begin, used when the picture's first packet takes longer than `maxHeldFrames`.
    CSoundStart(int channels, int blockFrames, int64_t encoderDelay,
                int64_t expectedPictureStart, int64_t maxHeldFrames);

    // The picture's first decode time, or none when it has no packets (it ended first).
    // The first call counts.
    void SetPictureStart(std::optional<int64_t> start);
    // A block from the mixer: held while the picture's start is unknown, otherwise
    // emitted after the lead-in and the held blocks. False when an emit failed.
    bool Add(float* const* planes, int frames, int64_t pts, const Emit& emit);
    // Emits the held blocks (with their lead-in) when the picture's start is known.
    bool Release(const Emit& emit);

    // Silent blocks needed before a first packet at `firstPacketPts` so that it begins no
    // later than `pictureStart`.
    static int64_t LeadInBlocks(int64_t firstPacketPts, int64_t pictureStart, int blockFrames);

private:
    struct HeldBlock {
        std::vector<float> samples;  // channel after channel
        int frames;
        int64_t pts;
    };
    bool Begin(int64_t firstBlockPts, const Emit& emit);
    bool EmitHeld(const Emit& emit);

    int channels_;
    int blockFrames_;
    int64_t encoderDelay_;
    int64_t expectedPictureStart_;
    int64_t maxHeldFrames_;
    bool pictureKnown_ = false;
    std::optional<int64_t> pictureStart_;
    bool begun_ = false;
    int64_t heldFrames_ = 0;
    std::deque<HeldBlock> held_;
};

}  // namespace zovi::engine
