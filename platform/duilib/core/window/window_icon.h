// The program icon from the skin: "icon/<id>-<size>.png" at the sizes the desktop asks
// for, as the non-premultiplied ARGB images _NET_WM_ICON carries.
#pragma once
#include <vector>

#include "platform/window/window.h"

namespace DuiLib {

// The images found (missing sizes are skipped; none at all logs one line).
std::vector<zovi::platform::IconImage> LoadSkinIcon(UINT resourceId);

}  // namespace DuiLib
