// Where the sound mixer hands its blocks: the capture engine (to encode them) or the
// sound test (to measure a level).
#pragma once
#include <cstdint>

namespace zovi::engine {

class IAudioOutput {
public:
    virtual ~IAudioOutput() = default;
    // One mixed block: `planes` holds one plane of 32-bit floats per channel, `frames`
    // samples each. `runningCount` counts the frames emitted since the mixer started,
    // this block included (1024 for the first). Runs on the mixing thread.
    virtual bool OnAudioFrame(float** planes, int frames, int64_t runningCount) = 0;
};

}  // namespace zovi::engine
