// The frame record of the screen sources: a 32-bit top-down bitmap (BGRA, stride
// width * 4), freed when the last holder lets go.
#pragma once
#include "engine/video/cap_video.h"
#include "platform/gdi/dib_section.h"
#include "platform/screen/monitors.h"
#include "platform/screen/rect_ops.h"
#include "platform/screen/top_windows.h"

namespace zovi::engine {

struct CScreenFrame : CapVideoFrame {
    platform::HBITMAP bitmap;

    const uint8_t* Pixels() const override { return bitmap->Bits(); }
    int Stride() const override { return bitmap->Stride(); }
    AVPixelFormat Format() const override { return AV_PIX_FMT_BGRA; }
};

// One monitor holds the whole area, so every pixel of a frame is copied.
template <typename Monitors>
inline bool CoversWholeArea(const RECT& area, const Monitors& monitors) {
    for (const auto& monitor : monitors) {
        RECT common{};
        platform::IntersectRect(&common, area, monitor->info.rcMonitor);
        if (common.left == area.left && common.top == area.top && common.right == area.right &&
            common.bottom == area.bottom)
            return true;
    }
    return false;
}

// The capture area: the followed window's rectangle (false when the window is gone), else
// the source's rectangle.
inline bool ReadCaptureArea(platform::CScreenConnection& connection, const CaptureSourceInfo& source,
                            RECT* area) {
    if (source.window) return platform::GetWindowRect(connection, source.window, area);
    *area = source.Rect();
    return true;
}

// The monitors that the capture area touches (none when the followed window is gone).
inline std::vector<platform::MonitorInfo> MonitorsTouchingArea(platform::CScreenConnection& connection,
                                                               const CaptureSourceInfo& source) {
    std::vector<platform::MonitorInfo> all, touched;
    platform::EnumMonitors(connection, &all);
    RECT area{};
    if (!ReadCaptureArea(connection, source, &area)) return touched;
    for (const auto& monitor : all) {
        RECT common{};
        if (platform::IntersectRect(&common, area, monitor.rcMonitor)) touched.push_back(monitor);
    }
    return touched;
}

}  // namespace zovi::engine
