// One swresample context converting any channel count, rate and sample format into
// another, with a fixed full-level rule for mono sources.
#pragma once
#include <cstdint>
#include <memory>

struct SwrContext;

namespace zovi::engine {

class CResampler : public std::enable_shared_from_this<CResampler> {
public:
    static std::shared_ptr<CResampler> Create() { return std::make_shared<CResampler>(); }
    CResampler() = default;
    virtual ~CResampler();
    CResampler(const CResampler&) = delete;
    CResampler& operator=(const CResampler&) = delete;

    // Formats are FFmpeg sample-format codes (AVSampleFormat). A mono input into two or
    // more output channels is copied at full level to the front channels.
    bool Init(int inChannels, int inRate, int inFormat, int outChannels, int outRate, int outFormat);
    // Converts `inFrames` frames (`in`: one pointer per plane, one for packed formats).
    // `outPlanes` receives the output channel count's plane pointers, owned by the
    // resampler until the next Convert or Free; `outCount` the frames converted;
    // `outDelayNs` the delay buffered in the resampler, in nanoseconds.
    bool Convert(uint8_t** outPlanes, int* outCount, int64_t* outDelayNs,
                 const uint8_t* const* in, int inFrames);
    void Free();

private:
    int inChannels_ = 0, inRate_ = 0, inFormat_ = 0;
    int outChannels_ = 0, outRate_ = 0, outFormat_ = 0;
    uint8_t* planes_[8] = {};
    int capacity_ = 0;  // samples per channel
    SwrContext* swr_ = nullptr;
};

}  // namespace zovi::engine
