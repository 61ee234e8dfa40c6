// What a window manager sends when the user closes a window: WM_DELETE_WINDOW in a
// WM_PROTOCOLS client message, from a connection of its own. Any thread.
#pragma once
#include "platform/window/window_types.h"

namespace capture_source_test {

bool SendWindowManagerClose(HWND window);

}  // namespace capture_source_test
