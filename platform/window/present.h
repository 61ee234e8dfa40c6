// Presenting a window's back buffer, and offscreen windows for tests.
//
// Offscreen windows live in the same handle table and message queue as X windows, with
// their geometry kept in memory and no X window: creating, showing, moving, sizing,
// invalidating, painting, timers, posted and sent messages and modal loops behave as for
// X windows. A process selects them before making its first window (a test's main).
// Without a server around them: activation and focus change at once (an activating
// show sends WM_ACTIVATE and WM_SETFOCUS before it returns); the monitors are one
// virtual 1920 x 1080 monitor; GetCursorPos reports where the last mouse message sent
// to an offscreen window pointed; FindWindowW finds offscreen windows; without a
// display RegisterWindowMessageW gives ids of this process only. Their handles start
// at 0x7E000000, above every X id, and are never reused.
#pragma once
#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace zovi::platform {

// Copies `rect` of `source` (an image surface whose origin is the client origin) to the
// window: through the X server for X windows (MIT-SHM where it is faster than a plain
// copy), into the window's own image surface for offscreen windows. False for a handle
// that is not a window of this thread.
bool PresentWindow(HWND hwnd, cairo_surface_t* source, const RECT& rect);

// Every window this process makes from now on is offscreen.
void UseOffscreenWindows();
bool OffscreenWindowsInUse();
// What was presented to an offscreen window so far (the client size; RGB24); null for
// other handles. Owned by the window.
cairo_surface_t* OffscreenSurface(HWND hwnd);

}  // namespace zovi::platform
