// Paints an icon into an X window with Cairo, scaled to fit the window (aspect kept,
// centred) over the window's own background.
#pragma once
#include "platform/tray/notify_icon.h"

struct _XDisplay;

namespace zovi::platform::tray {

// Clears the window to its background, then paints `icon` (nothing more when null).
// `visual` is the window's Xlib Visual.
void PaintIconWindow(_XDisplay* display, unsigned long window, void* visual, int width, int height,
                     const ZoviIcon* icon);

}  // namespace zovi::platform::tray
