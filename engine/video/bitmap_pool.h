// Frame bitmaps for one source, reused: a fresh 8 MB bitmap costs more than the copy of
// the screen into it (the memory must be mapped and zeroed). A bitmap goes back to the
// pool when the last holder (the queue, the encode thread) lets go.
#pragma once
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/dib_section.h"

namespace zovi::engine {

class CBitmapPool : public std::enable_shared_from_this<CBitmapPool> {
public:
    // A bitmap of this size: a reused one holds the pixels of an earlier frame. Null
    // when none can be made.
    platform::HBITMAP Get(int width, int height, bool* reused);

private:
    void Put(platform::HBITMAP bitmap);

    static constexpr size_t kMaxFree = 4;
    std::mutex lock_;
    std::vector<platform::HBITMAP> free_;
};

}  // namespace zovi::engine
