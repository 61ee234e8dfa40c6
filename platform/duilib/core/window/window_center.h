// Placing windows on the monitors' work areas: centring over an owner or on a monitor.
#pragma once
#include "platform/window/window_types.h"

namespace DuiLib {

// The work area of the monitor nearest `hwnd`; false when no monitor is known.
bool WorkAreaOfWindow(HWND hwnd, RECT* work);
// The work area of the monitor under the pointer (or the nearest one).
bool WorkAreaUnderPointer(RECT* work);

// `size` centred in `area`.
RECT CenterIn(const RECT& area, SIZE size);
// `rc` moved (not resized) so it lies inside `area` as far as its size allows; the
// top-left corner wins when it is larger.
RECT KeepInside(const RECT& rc, const RECT& area);

}  // namespace DuiLib
