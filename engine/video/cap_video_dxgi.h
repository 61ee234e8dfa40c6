// The accelerated screen source: one shared-memory image per monitor that the X server
// refreshes only after the screen changed (damage); each frame copies the monitors'
// latest images. A screen change (RandR) ends the video, as a lost duplication does.
#pragma once
#include <memory>
#include <vector>

#include "engine/video/bitmap_pool.h"
#include "engine/video/cap_video_pump.h"
#include "engine/video/screen_frame.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_duplication.h"

namespace zovi::engine {

class CCapVideoMultMonitorDXGI : public CCapVideoPump {
public:
    using CapVideo = CScreenFrame;

    CCapVideoMultMonitorDXGI();
    ~CCapVideoMultMonitorDXGI() override;

    bool CaptureFrame(bool probe, int64_t pts) override;
    bool UpdateMonitors();
    // False when access to the screen is lost; no change keeps the previous image.
    bool AcquireMonitorFrame(size_t index);

protected:
    bool Prepare() override;

private:
    struct CapMonitor {
        platform::MonitorInfo info;
    };
    void DrawCursor(CapVideo& frame, const RECT& area);

    std::unique_ptr<platform::CScreenConnection> connection_;
    std::vector<std::shared_ptr<CapMonitor>> monitors_;
    std::unique_ptr<platform::CScreenDuplication> duplication_;
    std::unique_ptr<platform::CMemoryDC> memoryDC_;
    std::shared_ptr<CBitmapPool> bitmaps_ = std::make_shared<CBitmapPool>();
};

}  // namespace zovi::engine
