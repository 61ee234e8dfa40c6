// Where a window's controls are on screen, for X tests that click them from a driver
// thread while the window (often a modal one) runs on the UI thread.
#pragma once
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/window/window_types.h"

namespace DuiLib::test {

// The screen centre of the control `name` of `window` (a WindowImplBase), read on the UI
// thread through `hook`; {-1, -1} when the window or the control is not there.
POINT ControlCentreOnScreen(CUiThreadHook& hook, HWND window, const wchar_t* name);

}  // namespace DuiLib::test
