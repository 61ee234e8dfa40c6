// Converts decoded sound frames into one output format, making the resampler anew
// whenever the frames' channel count, rate or sample format changes.
#pragma once
#include <cstdint>

#include "engine/audio/resampler.h"

struct AVFrame;

namespace zovi::engine {

class CFrameResampler {
public:
    // `outFormat` is an FFmpeg sample format.
    CFrameResampler(int outChannels, int outRate, int outFormat)
        : outChannels_(outChannels), outRate_(outRate), outFormat_(outFormat) {}

    // Converts `frame`; `*samples` receives the first output plane (owned until the next
    // call), `*count` the frames in it.
    bool Convert(const AVFrame* frame, uint8_t** samples, int* count);
    void Free();

private:
    const int outChannels_, outRate_, outFormat_;
    // The decoded format the resampler was made for.
    int inChannels_ = 0, inRate_ = 0, inFormat_ = -1;
    CResampler resampler_;
};

}  // namespace zovi::engine
