// The time-ordered queue of decoded pictures between the player's read thread (which
// pushes) and the video render thread (which takes), with the video clock's base.
// Every member is safe from any thread.
#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace zovi::engine {

// One planar YUV 4:2:0 picture in one block: Y (width x height), then U and V of
// ((width + 1) / 2) x ((height + 1) / 2) each, rows without padding.
struct UIYUVVideoFrame {
    std::vector<uint8_t> data;
    int width = 0;
    int height = 0;
    int64_t ts = 0;  // milliseconds

    static size_t ChromaWidth(int width) { return static_cast<size_t>(width + 1) / 2; }
    static size_t ChromaHeight(int height) { return static_cast<size_t>(height + 1) / 2; }
    const uint8_t* Y() const { return data.data(); }
    const uint8_t* U() const { return data.data() + size_t(width) * height; }
    const uint8_t* V() const { return U() + ChromaWidth(width) * ChromaHeight(height); }
};

class CAVFrameSafeCache {
public:
    CAVFrameSafeCache() = default;
    virtual ~CAVFrameSafeCache() = default;
    CAVFrameSafeCache(const CAVFrameSafeCache&) = delete;
    CAVFrameSafeCache& operator=(const CAVFrameSafeCache&) = delete;

    // Copies the three planes (each with its own line size) into one picture and inserts
    // it by time stamp. False for a picture older than the lower bound or a bad size.
    bool PushFrame(const uint8_t* const planes[3], const int lineSizes[3], int width, int height,
                   int64_t ts);
    // The oldest picture, left in place; null when empty. `nextTs`, when given, gets the
    // time of the picture after it (none when it is the only one).
    std::shared_ptr<const UIYUVVideoFrame> PeekOldest(std::optional<int64_t>* nextTs = nullptr) const;
    // Removes `frame` when it is still the oldest; pictures older than it are refused
    // from now on (until Clear).
    bool RemoveOldest(const std::shared_ptr<const UIYUVVideoFrame>& frame);
    size_t Count() const;
    // Drops every picture and the lower bound.
    void ClearFrames();

    // The video clock: `ts` ms is the moment `counterNs` on the engine clock.
    void SetClockBase(int64_t ts, uint64_t counterNs);
    // The video clock in ms at `nowNs`.
    int64_t ClockAt(uint64_t nowNs) const;

private:
    mutable std::mutex lock_;
    std::list<std::shared_ptr<const UIYUVVideoFrame>> frames_;
    int64_t lowerBound_ = INT64_MIN;
    int64_t baseTs_ = 0;
    uint64_t baseNs_ = 0;
};

}  // namespace zovi::engine
