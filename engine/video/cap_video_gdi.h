// The plain screen source: each frame copies every monitor's part of the capture area
// from the X server (XGetImage), then draws the overlay text and the cursor.
#pragma once
#include <memory>
#include <vector>

#include "engine/video/bitmap_pool.h"
#include "engine/video/cap_video_pump.h"
#include "engine/video/screen_frame.h"
#include "platform/screen/screen_connection.h"

namespace zovi::engine {

class CCapVideoMultMonitorGDI : public CCapVideoPump {
public:
    using CapVideo = CScreenFrame;

    CCapVideoMultMonitorGDI();
    ~CCapVideoMultMonitorGDI() override;

    bool CaptureFrame(bool probe, int64_t pts) override;
    // The monitors the capture area touches, fixed for the recording.
    virtual bool InitMonitors();
    // Deletes the memory context: a stopped source cannot capture again.
    virtual void ReleaseMonitor();
    // The overlay text and the cursor into the frame selected in the memory context.
    virtual void DrawCursor();

protected:
    bool Prepare() override;
    void Release() override { ReleaseMonitor(); }

private:
    struct CapMonitor {
        platform::MonitorInfo info;
        platform::DisplayMode mode;
        bool ok = false;
    };
    std::vector<std::shared_ptr<CapMonitor>> monitors_;
    std::unique_ptr<platform::CMemoryDC> memoryDC_;
    std::shared_ptr<CBitmapPool> bitmaps_ = std::make_shared<CBitmapPool>();
    std::unique_ptr<platform::CScreenConnection> connection_;
};

}  // namespace zovi::engine
