#include "engine/video/bitmap_pool.h"

namespace zovi::engine {

platform::HBITMAP CBitmapPool::Get(int width, int height, bool* reused) {
    platform::HBITMAP bitmap;
    {
        std::lock_guard<std::mutex> lock(lock_);
        while (!free_.empty() && !bitmap) {
            platform::HBITMAP candidate = std::move(free_.back());
            free_.pop_back();
            if (candidate->Width() == width && candidate->Height() == height) bitmap = std::move(candidate);
        }
    }
    *reused = bitmap != nullptr;
    if (!bitmap) bitmap = platform::CDibSection::Create(width, height);
    if (!bitmap) return nullptr;
    // The handle given out returns the bitmap here when its last copy goes.
    std::weak_ptr<CBitmapPool> pool = weak_from_this();
    platform::CDibSection* raw = bitmap.get();
    return platform::HBITMAP(raw, [bitmap = std::move(bitmap), pool](platform::CDibSection*) mutable {
        if (std::shared_ptr<CBitmapPool> owner = pool.lock()) owner->Put(std::move(bitmap));
    });
}

void CBitmapPool::Put(platform::HBITMAP bitmap) {
    std::lock_guard<std::mutex> lock(lock_);
    if (free_.size() < kMaxFree) free_.push_back(std::move(bitmap));
}

}  // namespace zovi::engine
