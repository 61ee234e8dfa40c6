// Monitors as windows ask for them: the monitor of a rectangle, a point or a window, and
// its rectangle and work area, over the XRandR monitors (EnumMonitors). A monitor handle
// is the monitor's index in that list plus one, valid until the monitors change.
#pragma once
#include <vector>

#include "platform/screen/screen_types.h"

struct HMONITOR__ {
    int unused;
};
using HMONITOR = HMONITOR__*;

struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
static_assert(sizeof(MONITORINFO) == 40);

inline constexpr DWORD MONITOR_DEFAULTTONULL = 0;
inline constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
inline constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
inline constexpr DWORD MONITORINFOF_PRIMARY = 1;

// The monitor sharing the largest area with `rect`; with none, null, the primary monitor
// or the nearest one, as `flags` says.
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
// The monitor holding `point`; with none, as MonitorFromRect.
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
// The monitor of the window's rectangle, as MonitorFromRect.
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
// rcMonitor, rcWork and dwFlags (MONITORINFOF_PRIMARY) of a monitor.
BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);

namespace zovi::platform {

// Replaces the server's monitors with a fixed list (offscreen windows use one virtual
// monitor); an empty list goes back to the server's.
void SetVirtualMonitors(const std::vector<MonitorInfo>& monitors);
// Where MonitorFromWindow finds a window's rectangle: the window layer installs its
// GetWindowRect (which knows its offscreen windows); until then the X server is asked.
using WindowRectSource = BOOL (*)(HWND hwnd, RECT* rect);
void SetWindowRectSource(WindowRectSource source);

}  // namespace zovi::platform
