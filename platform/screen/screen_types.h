// Handles and records of the screen layer, free of Xlib headers.
#pragma once
#include <string>

#include "platform/base/wintypes.h"

// A window handle is the X11 window id (an XID); 0 is no window. The same alias as the
// window layer's, so both headers can meet in one file.
using HWND = unsigned long;

namespace zovi::platform {

// One monitor: its rectangle and work area in root-window coordinates, and its name
// ("screen" on Xvfb, the output name such as "DP-1" elsewhere).
struct MonitorInfo {
    RECT rcMonitor{};
    RECT rcWork{};
    DWORD dwFlags = 0;  // 1 for the primary monitor
    std::wstring device;
};

// A monitor's current mode: size and orientation (0 normal, 1 = 90, 2 = 180, 3 = 270).
struct DisplayMode {
    LONG width = 0;
    LONG height = 0;
    DWORD orientation = 0;
};

}  // namespace zovi::platform
