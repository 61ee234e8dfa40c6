#include "engine/audio/resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace zovi::engine {

namespace {

// The weight of a mono input on each output channel (FFmpeg's default layout order):
// full level on the front channels, nothing on a lone centre or low-frequency channel.
constexpr double kMonoWeights[7][8] = {
    {1, 1},
    {1, 1, 0},
    {1, 1, 1, 1},
    {1, 1, 1, 0, 1},
    {1, 1, 1, 1, 1, 1},
    {1, 1, 1, 0, 1, 1, 1},
    {1, 1, 1, 0, 1, 1, 1, 1},
};

}  // namespace

CResampler::~CResampler() { Free(); }

bool CResampler::Init(int inChannels, int inRate, int inFormat, int outChannels, int outRate,
                      int outFormat) {
    Free();
    if (inChannels < 1 || outChannels < 1 || outChannels > 8 || inRate <= 0 || outRate <= 0)
        return false;
    AVChannelLayout inLayout{}, outLayout{};
    av_channel_layout_default(&inLayout, inChannels);
    av_channel_layout_default(&outLayout, outChannels);
    int result = swr_alloc_set_opts2(&swr_, &outLayout, static_cast<AVSampleFormat>(outFormat),
                                     outRate, &inLayout, static_cast<AVSampleFormat>(inFormat),
                                     inRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (result < 0 || !swr_) {
        Free();
        return false;
    }
    if (inChannels == 1 && outChannels >= 2 &&
        swr_set_matrix(swr_, kMonoWeights[outChannels - 2], 1) < 0) {
        Free();
        return false;
    }
    if (swr_init(swr_) < 0) {
        Free();
        return false;
    }
    inChannels_ = inChannels;
    inRate_ = inRate;
    inFormat_ = inFormat;
    outChannels_ = outChannels;
    outRate_ = outRate;
    outFormat_ = outFormat;
    return true;
}

bool CResampler::Convert(uint8_t** outPlanes, int* outCount, int64_t* outDelayNs,
                         const uint8_t* const* in, int inFrames) {
    if (!swr_ || inFrames < 0) return false;
    const int64_t need = av_rescale_rnd(swr_get_delay(swr_, inRate_) + inFrames, outRate_,
                                        inRate_, AV_ROUND_UP);
    if (outDelayNs) *outDelayNs = swr_get_delay(swr_, 1'000'000'000);
    if (need > INT32_MAX / 8) return false;
    if (need > capacity_) {
        av_freep(&planes_[0]);
        std::fill(std::begin(planes_), std::end(planes_), nullptr);
        capacity_ = 0;
        if (av_samples_alloc(planes_, nullptr, outChannels_, static_cast<int>(need),
                             static_cast<AVSampleFormat>(outFormat_), 0) < 0)
            return false;
        capacity_ = static_cast<int>(need);
    }
    const int converted = swr_convert(swr_, planes_, capacity_, const_cast<const uint8_t**>(in), inFrames);
    if (converted < 0) return false;
    const int planeCount = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(outFormat_)) ? outChannels_ : 1;
    for (int i = 0; i < planeCount; ++i) outPlanes[i] = planes_[i];
    if (outCount) *outCount = converted;
    return true;
}

void CResampler::Free() {
    swr_free(&swr_);
    av_freep(&planes_[0]);
    std::fill(std::begin(planes_), std::end(planes_), nullptr);
    inChannels_ = inRate_ = inFormat_ = 0;
    outChannels_ = outRate_ = outFormat_ = 0;
    capacity_ = 0;
}

}  // namespace zovi::engine
