#include "platform/screen/monitor_from.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>

#include "platform/screen/monitors.h"
#include "platform/screen/rect_ops.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

struct VirtualMonitors {
    std::mutex lock;
    std::vector<MonitorInfo> list;
};
VirtualMonitors& Virtual() {
    static auto* monitors = new VirtualMonitors;
    return *monitors;
}

std::atomic<WindowRectSource> gWindowRects{nullptr};

bool CurrentMonitors(std::vector<MonitorInfo>* monitors) {
    {
        VirtualMonitors& fixed = Virtual();
        std::lock_guard lock(fixed.lock);
        if (!fixed.list.empty()) {
            *monitors = fixed.list;
            return true;
        }
    }
    return EnumMonitors(monitors);
}

HMONITOR HandleOf(size_t index) { return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1)); }

// The squared distance between two rectangles (0 when they touch or overlap).
std::int64_t Distance(const RECT& a, const RECT& b) {
    using Wide = std::int64_t;
    const Wide dx = std::max<Wide>({0, Wide(b.left) - a.right + 1, Wide(a.left) - b.right + 1});
    const Wide dy = std::max<Wide>({0, Wide(b.top) - a.bottom + 1, Wide(a.top) - b.bottom + 1});
    return dx * dx + dy * dy;
}

HMONITOR Fallback(const std::vector<MonitorInfo>& monitors, const RECT& rect, DWORD flags) {
    if (monitors.empty() || flags == MONITOR_DEFAULTTONULL) return nullptr;
    if (flags == MONITOR_DEFAULTTOPRIMARY) {
        for (size_t i = 0; i < monitors.size(); ++i) {
            if (monitors[i].dwFlags & MONITORINFOF_PRIMARY) return HandleOf(i);
        }
        return HandleOf(0);
    }
    size_t nearest = 0;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (size_t i = 0; i < monitors.size(); ++i) {
        const std::int64_t d = Distance(rect, monitors[i].rcMonitor);
        if (d < best) best = d, nearest = i;
    }
    return HandleOf(nearest);
}

// A window's root-relative rectangle from the X server.
bool XWindowRect(HWND hwnd, RECT* rect) {
    Display* display = x11::OpenDisplay();
    if (!display) return false;
    bool ok;
    {
        x11::CXErrorTrap trap(display);
        XWindowAttributes attributes{};
        int x = 0, y = 0;
        Window child = 0;
        ok = XGetWindowAttributes(display, hwnd, &attributes) &&
             XTranslateCoordinates(display, hwnd, attributes.root, 0, 0, &x, &y, &child);
        ok = !trap.Failed() && ok;
        if (ok) *rect = RECT{x, y, x + attributes.width, y + attributes.height};
    }
    x11::CloseDisplay(display);
    return ok;
}

}  // namespace

void SetVirtualMonitors(const std::vector<MonitorInfo>& monitors) {
    VirtualMonitors& fixed = Virtual();
    std::lock_guard lock(fixed.lock);
    fixed.list = monitors;
}

void SetWindowRectSource(WindowRectSource source) { gWindowRects = source; }

}  // namespace zovi::platform

using zovi::platform::MonitorInfo;

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
    if (!rect) return nullptr;
    std::vector<MonitorInfo> monitors;
    zovi::platform::CurrentMonitors(&monitors);
    // An empty rectangle is taken as the point it starts at.
    RECT area = *rect;
    if (area.right <= area.left) area.right = area.left + 1;
    if (area.bottom <= area.top) area.bottom = area.top + 1;
    std::int64_t largest = 0;
    HMONITOR found = nullptr;
    for (size_t i = 0; i < monitors.size(); ++i) {
        RECT common{};
        if (!zovi::platform::IntersectRect(&common, area, monitors[i].rcMonitor)) continue;
        const std::int64_t size = std::int64_t(common.right - common.left) * (common.bottom - common.top);
        if (size > largest) largest = size, found = zovi::platform::HandleOf(i);
    }
    return found ? found : zovi::platform::Fallback(monitors, area, flags);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    const RECT spot{point.x, point.y, point.x + 1, point.y + 1};
    return MonitorFromRect(&spot, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    RECT rect{};
    const auto source = zovi::platform::gWindowRects.load();
    const bool known = source ? source(hwnd, &rect) != FALSE : zovi::platform::XWindowRect(hwnd, &rect);
    if (!known) {
        // No rectangle: only the fallback can answer.
        std::vector<MonitorInfo> monitors;
        zovi::platform::CurrentMonitors(&monitors);
        return flags == MONITOR_DEFAULTTONEAREST ? zovi::platform::Fallback(monitors, RECT{}, MONITOR_DEFAULTTOPRIMARY)
                                                 : zovi::platform::Fallback(monitors, RECT{}, flags);
    }
    return MonitorFromRect(&rect, flags);
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
    if (!monitor || !info) return FALSE;
    const auto index = reinterpret_cast<std::uintptr_t>(monitor) - 1;
    std::vector<MonitorInfo> monitors;
    if (!zovi::platform::CurrentMonitors(&monitors) || index >= monitors.size()) return FALSE;
    info->rcMonitor = monitors[index].rcMonitor;
    info->rcWork = monitors[index].rcWork;
    info->dwFlags = monitors[index].dwFlags & MONITORINFOF_PRIMARY;
    return TRUE;
}
