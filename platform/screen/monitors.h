// Monitors (XRandR 1.5 monitors) and their work areas (_NET_WORKAREA).
#pragma once
#include <string>
#include <vector>

#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_types.h"

namespace zovi::platform {

// The active monitors in the server's order, clipped to the root window. False when
// none can be read.
bool EnumMonitors(CScreenConnection& connection, std::vector<MonitorInfo>* monitors);
// Opens a connection of its own for one enumeration.
bool EnumMonitors(std::vector<MonitorInfo>* monitors);

// The current mode of the monitor named `device` (compared ignoring case): its size
// and the rotation of its CRTC. False when no monitor has that name.
bool GetDisplayMode(CScreenConnection& connection, const std::wstring& device, DisplayMode* mode);

// Case-insensitive comparison of device names (ASCII folding).
bool SameDeviceName(const std::wstring& a, const std::wstring& b);

}  // namespace zovi::platform
