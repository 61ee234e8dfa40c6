// The reader source: each tick copies the newest picture of a frame reader (the camera)
// into the queue. It draws neither the cursor nor the overlay text.
#pragma once
#include <cstdlib>
#include <memory>

#include "engine/video/cap_video_pump.h"

namespace zovi::engine {

class CCapVideoAny : public CCapVideoPump {
public:
    struct CapVideo : CapVideoFrame {
        int32_t stride = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        std::unique_ptr<uint8_t, decltype(&std::free)> buffer{nullptr, &std::free};

        const uint8_t* Pixels() const override { return buffer.get(); }
        int Stride() const override { return stride; }
        AVPixelFormat Format() const override { return format; }
    };

    CCapVideoAny();
    ~CCapVideoAny() override;

    bool CaptureFrame(bool probe, int64_t pts) override;

protected:
    bool Prepare() override;
    bool StopResult() const override { return true; }

private:
    std::weak_ptr<ICapSourceFrameReader> reader_;
};

}  // namespace zovi::engine
