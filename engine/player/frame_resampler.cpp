#include "engine/player/frame_resampler.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace zovi::engine {

bool CFrameResampler::Convert(const AVFrame* frame, uint8_t** samples, int* count) {
    const int channels = frame->ch_layout.nb_channels;
    if (channels != inChannels_ || frame->sample_rate != inRate_ || frame->format != inFormat_) {
        if (!resampler_.Init(channels, frame->sample_rate, frame->format, outChannels_, outRate_, outFormat_))
            return false;
        inChannels_ = channels;
        inRate_ = frame->sample_rate;
        inFormat_ = frame->format;
    }
    uint8_t* planes[8] = {};
    if (!resampler_.Convert(planes, count, nullptr, frame->extended_data, frame->nb_samples)) return false;
    *samples = planes[0];
    return true;
}

void CFrameResampler::Free() {
    resampler_.Free();
    inChannels_ = inRate_ = 0;
    inFormat_ = -1;
}

}  // namespace zovi::engine
