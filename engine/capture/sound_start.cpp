#include "engine/capture/sound_start.h"

#include <algorithm>

namespace zovi::engine {

namespace {
constexpr int kMaxPlanes = 8;
}  // namespace

CSoundStart::CSoundStart(int channels, int blockFrames, int64_t encoderDelay,
                         int64_t expectedPictureStart, int64_t maxHeldFrames)
    : channels_(std::clamp(channels, 1, kMaxPlanes)),
      blockFrames_(std::max(blockFrames, 1)),
      encoderDelay_(encoderDelay),
      expectedPictureStart_(expectedPictureStart),
      maxHeldFrames_(maxHeldFrames) {}

int64_t CSoundStart::LeadInBlocks(int64_t firstPacketPts, int64_t pictureStart,
                                  int blockFrames) {
    if (pictureStart >= firstPacketPts || blockFrames <= 0) return 0;
    return (firstPacketPts - pictureStart + blockFrames - 1) / blockFrames;
}

void CSoundStart::SetPictureStart(std::optional<int64_t> start) {
    if (pictureKnown_) return;
    pictureKnown_ = true;
    pictureStart_ = start;
}

bool CSoundStart::Add(float* const* planes, int frames, int64_t pts, const Emit& emit) {
    if (!begun_) {
        if (!pictureKnown_ && heldFrames_ + frames <= maxHeldFrames_) {
            HeldBlock block{std::vector<float>(static_cast<size_t>(channels_) * frames), frames,
                            pts};
            for (int c = 0; c < channels_; ++c)
                std::copy_n(planes[c], frames, block.samples.begin() + c * frames);
            held_.push_back(std::move(block));
            heldFrames_ += frames;
            return true;
        }
        // Begin where the picture begins, or where it is expected to when its first
        // packet takes too long.
        SetPictureStart(expectedPictureStart_);
        bool ok = Begin(held_.empty() ? pts : held_.front().pts, emit);
        ok = EmitHeld(emit) && ok;
        return emit(planes, frames, pts) && ok;
    }
    return emit(planes, frames, pts);
}

bool CSoundStart::Release(const Emit& emit) {
    if (begun_ || held_.empty() || !pictureKnown_) return true;
    const bool ok = Begin(held_.front().pts, emit);
    return EmitHeld(emit) && ok;
}

bool CSoundStart::Begin(int64_t firstBlockPts, const Emit& emit) {
    begun_ = true;
    if (!pictureStart_) return true;
    const int64_t blocks =
        LeadInBlocks(firstBlockPts - encoderDelay_, *pictureStart_, blockFrames_);
    if (blocks == 0) return true;
    std::vector<float> silence(static_cast<size_t>(channels_) * blockFrames_, 0.0f);
    float* planes[kMaxPlanes] = {};
    for (int c = 0; c < channels_; ++c) planes[c] = silence.data() + c * blockFrames_;
    bool ok = true;
    for (int64_t k = blocks; k > 0; --k)
        ok = emit(planes, blockFrames_, firstBlockPts - k * blockFrames_) && ok;
    return ok;
}

bool CSoundStart::EmitHeld(const Emit& emit) {
    bool ok = true;
    while (!held_.empty()) {
        HeldBlock& block = held_.front();
        float* planes[kMaxPlanes] = {};
        for (int c = 0; c < channels_; ++c) planes[c] = block.samples.data() + c * block.frames;
        ok = emit(planes, block.frames, block.pts) && ok;
        held_.pop_front();
    }
    heldFrames_ = 0;
    return ok;
}

}  // namespace zovi::engine
