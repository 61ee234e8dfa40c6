// Copies of the screen and of windows into bitmaps (XGetImage), and the cursor.
#pragma once
#include <memory>

#include "platform/gdi/dib_section.h"
#include "platform/screen/screen_connection.h"

namespace zovi::platform {

// Copies the root-window rectangle `source` into `dest` at `destOrigin` (clipped to the
// bitmap). The rectangle must lie inside the root window. False when the server refuses.
bool GrabScreenRect(CScreenConnection& connection, const RECT& source, CDibSection& dest,
                    POINT destOrigin);

// A picture of a window's contents, window-sized; parts outside the screen are black,
// parts under other windows may show anything. Null when the window is gone, unmapped
// or empty.
std::shared_ptr<CDibSection> GrabWindow(CScreenConnection& connection, HWND window);

// Paints the current cursor image over `dest`, whose pixel (0, 0) is the screen point
// (area.left, area.top), when the pointer lies inside `area` (right and bottom
// exclusive). False when it was not drawn.
bool DrawCursorImage(CScreenConnection& connection, CDibSection& dest, const RECT& area);

// The pointer position on the root window; false when it cannot be read.
bool GetCursorPos(CScreenConnection& connection, POINT* position);

}  // namespace zovi::platform
