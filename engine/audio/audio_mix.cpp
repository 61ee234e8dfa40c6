#include "engine/audio/audio_mix.h"

#include <algorithm>

namespace zovi::engine {

void AddToMix(float* const* mix, const float* const* block, int channels, int samples) {
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < samples; ++i) mix[ch][i] += block[ch][i];
}

void ClampMix(float* const* mix, int channels, int samples) {
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < samples; ++i) mix[ch][i] = std::clamp(mix[ch][i], -1.0f, 1.0f);
}

}  // namespace zovi::engine
