#include "ui/base/window_helpers.h"

#include "platform/duilib/controls/control.h"
#include "platform/screen/monitor_from.h"
#include "platform/screen/rect_ops.h"
#include "platform/window/window.h"
#include "tolka.h"

bool IsRectOnWorkArea(const RECT& rc) {
    HMONITOR monitor = ::MonitorFromRect(&rc, MONITOR_DEFAULTTONULL);
    if (!monitor) return false;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info)) return false;
    RECT common{};
    return zovi::platform::IntersectRect(&common, info.rcWork, rc);
}

bool WorkspaceRectToScreen(RECT& rc) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(::MonitorFromRect(&rc, MONITOR_DEFAULTTOPRIMARY), &info)) return false;
    const LONG dx = info.rcWork.left - info.rcMonitor.left;
    const LONG dy = info.rcWork.top - info.rcMonitor.top;
    if (dx != 0 || dy != 0) {
        rc.left += dx, rc.right += dx;
        rc.top += dy, rc.bottom += dy;
    }
    return true;
}

void SetToolTipById(DuiLib::CControlUI* control, std::uint32_t id) {
    if (control) control->SetToolTip(TolkaGetString(id));
}

zovi::engine::CaptureSourceInfo MakeWindowSourceInfo(HWND hwnd) {
    zovi::engine::CaptureSourceInfo info;
    info.type = 0;
    info.name.clear();
    info.window = hwnd;
    info.full = 1;
    info.rotated = 0;
    info.reader.reset();
    RECT rc{};
    if (!::IsWindow(hwnd) || !::GetWindowRect(hwnd, &rc)) {
        info.init = 0;
        info.SetRect(RECT{0, 0, 0, 0});
        return info;
    }
    // X has no DPI virtualisation: the window's geometry is its size in pixels.
    info.SetRect(RECT{0, 0, rc.right - rc.left, rc.bottom - rc.top});
    info.init = 1;
    return info;
}
