// Whether a window is minimised. Minimising asks the window manager to iconify the window
// (ShowWindow with SW_MINIMIZE); the window manager says it did in WM_STATE, which is
// what IsIconic reads. With no window manager nothing iconifies and IsIconic stays false.
#pragma once
#include "platform/window/window_types.h"

// Any thread; any window on the X server. FALSE for offscreen windows and dead handles.
BOOL IsIconic(HWND hwnd);
