#include "engine/video/capture_source_info.h"

#include <vector>

#include "platform/screen/monitors.h"
#include "platform/screen/rect_ops.h"
#include "platform/screen/top_windows.h"

namespace zovi::engine {

CaptureSourceInfo::CaptureSourceInfo() {
    std::vector<platform::MonitorInfo> monitors;
    platform::EnumMonitors(&monitors);
    RECT all{0, 0, 0, 0};
    for (const auto& monitor : monitors) platform::UnionRect(&all, all, monitor.rcMonitor);
    SetRect(all);
}

CaptureSourceInfo::CaptureSourceInfo(const std::wstring& deviceName)
    : type(CAP_SINGLE_MONITOR), name(deviceName) {
    auto connection = platform::CScreenConnection::Open();
    platform::DisplayMode mode;
    rotated = (connection && platform::GetDisplayMode(*connection, deviceName, &mode) &&
               mode.orientation != 0)
                  ? 1
                  : 0;
    full = 1;
    init = FindMonitorForRect(*this) ? 1 : 0;
}

bool CaptureSourceInfo::IsCaptureRectValid() const {
    return !platform::IsRectAllZero(Rect()) && !platform::IsRectEmpty(Rect());
}

bool CaptureSourceInfo::GetTargetWindowRect(RECT* rc) const {
    if (!window) {
        *rc = Rect();
        return true;
    }
    auto connection = platform::CScreenConnection::Open();
    return connection && platform::GetWindowRect(*connection, window, rc);
}

bool FindMonitorForRect(CaptureSourceInfo& source) {
    std::vector<platform::MonitorInfo> monitors;
    platform::EnumMonitors(&monitors);
    for (const auto& monitor : monitors) {
        if (!platform::SameDeviceName(monitor.device, source.name)) continue;
        const RECT rc = source.Rect();
        if (platform::IsRectAllZero(rc) || platform::IsRectEmpty(rc)) source.SetRect(monitor.rcMonitor);
        return true;
    }
    return false;
}

}  // namespace zovi::engine
