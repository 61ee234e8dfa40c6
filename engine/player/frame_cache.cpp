#include "engine/player/frame_cache.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zovi::engine {

namespace {

void CopyPlane(uint8_t* dest, const uint8_t* source, int lineSize, size_t width, size_t height) {
    for (size_t row = 0; row < height; ++row)
        std::memcpy(dest + row * width, source + static_cast<ptrdiff_t>(row) * lineSize, width);
}

}  // namespace

bool CAVFrameSafeCache::PushFrame(const uint8_t* const planes[3], const int lineSizes[3], int width,
                                  int height, int64_t ts) {
    if (width <= 0 || height <= 0 || !planes[0] || !planes[1] || !planes[2]) return false;
    {
        std::lock_guard guard(lock_);
        if (ts < lowerBound_) return false;
    }
    auto frame = std::make_shared<UIYUVVideoFrame>();
    const size_t lumaSize = size_t(width) * height;
    const size_t chromaWidth = UIYUVVideoFrame::ChromaWidth(width);
    const size_t chromaHeight = UIYUVVideoFrame::ChromaHeight(height);
    frame->data.resize(lumaSize + 2 * chromaWidth * chromaHeight);
    frame->width = width;
    frame->height = height;
    frame->ts = ts;
    CopyPlane(frame->data.data(), planes[0], lineSizes[0], width, height);
    CopyPlane(frame->data.data() + lumaSize, planes[1], lineSizes[1], chromaWidth, chromaHeight);
    CopyPlane(frame->data.data() + lumaSize + chromaWidth * chromaHeight, planes[2], lineSizes[2],
              chromaWidth, chromaHeight);

    std::lock_guard guard(lock_);
    if (ts < lowerBound_) return false;
    const auto after = std::find_if(frames_.begin(), frames_.end(),
                                    [ts](const auto& held) { return held->ts > ts; });
    frames_.insert(after, std::move(frame));
    return true;
}

std::shared_ptr<const UIYUVVideoFrame> CAVFrameSafeCache::PeekOldest(std::optional<int64_t>* nextTs) const {
    std::lock_guard guard(lock_);
    if (nextTs) *nextTs = frames_.size() > 1 ? std::optional((*std::next(frames_.begin()))->ts) : std::nullopt;
    return frames_.empty() ? nullptr : frames_.front();
}

bool CAVFrameSafeCache::RemoveOldest(const std::shared_ptr<const UIYUVVideoFrame>& frame) {
    std::lock_guard guard(lock_);
    if (frames_.empty() || frames_.front() != frame) return false;
    frames_.pop_front();
    lowerBound_ = frame->ts;
    return true;
}

size_t CAVFrameSafeCache::Count() const {
    std::lock_guard guard(lock_);
    return frames_.size();
}

void CAVFrameSafeCache::ClearFrames() {
    std::lock_guard guard(lock_);
    frames_.clear();
    lowerBound_ = INT64_MIN;
}

void CAVFrameSafeCache::SetClockBase(int64_t ts, uint64_t counterNs) {
    std::lock_guard guard(lock_);
    baseTs_ = ts;
    baseNs_ = counterNs;
}

int64_t CAVFrameSafeCache::ClockAt(uint64_t nowNs) const {
    std::lock_guard guard(lock_);
    const int64_t elapsedNs = static_cast<int64_t>(nowNs - baseNs_);
    return baseTs_ + elapsedNs / 1'000'000;
}

}  // namespace zovi::engine
