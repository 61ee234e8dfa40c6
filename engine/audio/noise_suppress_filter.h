// Noise suppression with speexdsp's preprocessor: one state per channel on 10 ms
// frames, suppression set to -30 dB on every frame, other settings at their defaults.
// Blocks come back in order with their own sizes, delayed until their frames are done.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/audio/audio_fifo.h"
#include "engine/audio/audio_filter.h"

struct SpeexPreprocessState_;

namespace zovi::engine {

class CAudioNoiseSuppressFilter : public IAudioFiler {
public:
    CAudioNoiseSuppressFilter() = default;
    ~CAudioNoiseSuppressFilter() override;

    const char* GetName() const override { return "noise-suppress-filter"; }
    bool Init(int channels, int rate) override;
    AudioFilterBlock* Process(AudioFilterBlock* block) override;
    void Release() override;

private:
    struct PendingBlock {  // 16 bytes: frames, a carried word, time stamp
        int32_t frames;
        int32_t reserved;
        int64_t timestamp;
    };
    void ProcessFrame();

    int32_t level_ = -30;
    int64_t lastTimestamp_ = 0;
    int frameSize_ = 0;
    int channels_ = 0;
    bool initialised_ = false;
    CAudioFifo pending_;
    CAudioFifo in_[8];
    CAudioFifo out_[8];
    SpeexPreprocessState_* states_[8] = {};
    std::vector<float> floatFrame_[8];
    std::vector<int16_t> shortFrame_[8];
    AudioFilterBlock output_;
    uint32_t outputCapacity_ = 0;  // bytes per plane
    std::vector<float> outputStore_[8];
};

}  // namespace zovi::engine
