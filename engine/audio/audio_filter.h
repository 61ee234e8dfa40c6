// A filter over blocks of planar float sound.
#pragma once
#include <cstdint>

namespace zovi::engine {

struct AudioFilterBlock {
    float* planes[8] = {};
    int32_t frames = 0;
    int64_t timestamp = 0;
};

class IAudioFiler {
public:
    virtual ~IAudioFiler() = default;
    virtual const char* GetName() const = 0;
    virtual bool Init(int channels, int rate) = 0;
    // The filtered block that is ready (it may be an earlier input block), or null while
    // the filter is still filling. The block stays valid until the next call.
    virtual AudioFilterBlock* Process(AudioFilterBlock* block) = 0;
    virtual void Release() = 0;
};

}  // namespace zovi::engine
