#include "engine/audio/noise_suppress_filter.h"

#include <speex/speex_preprocess.h>

#include <algorithm>
#include <cstdlib>

namespace zovi::engine {

CAudioNoiseSuppressFilter::~CAudioNoiseSuppressFilter() { Release(); }

bool CAudioNoiseSuppressFilter::Init(int channels, int rate) {
    if (initialised_) return false;
    frameSize_ = rate / 100;
    if (channels < 1) return true;
    if (channels > 8 || frameSize_ < 1) return false;
    channels_ = channels;
    for (int ch = 0; ch < channels_; ++ch) {
        floatFrame_[ch].assign(frameSize_, 0.0f);
        shortFrame_[ch].assign(frameSize_, 0);
        states_[ch] = speex_preprocess_state_init(frameSize_, rate);
        if (!states_[ch]) {
            Release();
            return false;
        }
        in_[ch].Reserve(frameSize_ * 4);
        out_[ch].Reserve(frameSize_ * 4);
    }
    initialised_ = true;
    return true;
}

void CAudioNoiseSuppressFilter::ProcessFrame() {
    const uint32_t frameBytes = static_cast<uint32_t>(frameSize_) * 4;
    for (int ch = 0; ch < channels_; ++ch) {
        float* samples = floatFrame_[ch].data();
        int16_t* shorts = shortFrame_[ch].data();
        in_[ch].Read(samples, frameBytes);
        spx_int32_t suppress = -std::abs(level_);
        speex_preprocess_ctl(states_[ch], SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &suppress);
        for (int i = 0; i < frameSize_; ++i)
            shorts[i] = static_cast<int16_t>(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0);
        speex_preprocess_run(states_[ch], shorts);
        for (int i = 0; i < frameSize_; ++i) samples[i] = static_cast<float>(shorts[i] * 3.0517578e-5);
        out_[ch].Write(samples, frameBytes);
    }
}

AudioFilterBlock* CAudioNoiseSuppressFilter::Process(AudioFilterBlock* block) {
    if (!initialised_ || !block) return block;
    if (block->frames < 0) return nullptr;
    lastTimestamp_ = block->timestamp;
    const PendingBlock record{block->frames, 0, block->timestamp};
    pending_.Write(&record, sizeof(record));
    const uint32_t blockBytes = static_cast<uint32_t>(block->frames) * 4;
    for (int ch = 0; ch < channels_; ++ch) in_[ch].Write(block->planes[ch], blockBytes);

    while (in_[0].Size() >= static_cast<uint32_t>(frameSize_) * 4) ProcessFrame();

    PendingBlock oldest{};
    if (!pending_.Peek(&oldest, sizeof(oldest))) return nullptr;
    const uint32_t readyBytes = static_cast<uint32_t>(oldest.frames) * 4;
    if (out_[0].Size() < readyBytes) return nullptr;
    pending_.Read(nullptr, sizeof(oldest));
    if (readyBytes > outputCapacity_) {
        for (int ch = 0; ch < channels_; ++ch) outputStore_[ch].resize(readyBytes / 4);
        outputCapacity_ = readyBytes;
    }
    for (int ch = 0; ch < channels_; ++ch) {
        output_.planes[ch] = outputStore_[ch].data();
        out_[ch].Read(output_.planes[ch], readyBytes);
    }
    output_.frames = oldest.frames;
    output_.timestamp = oldest.timestamp;
    return &output_;
}

void CAudioNoiseSuppressFilter::Release() {
    for (int ch = 0; ch < 8; ++ch) {
        if (states_[ch]) speex_preprocess_state_destroy(states_[ch]);
        states_[ch] = nullptr;
        floatFrame_[ch] = {};
        shortFrame_[ch] = {};
        outputStore_[ch] = {};
        output_.planes[ch] = nullptr;
    }
    outputCapacity_ = 0;
    initialised_ = false;
    channels_ = 0;
}

}  // namespace zovi::engine
