// Posting a message that carries a given screen position (GetMessagePos while it is
// handled), as input that happened elsewhere (a click on a notification-area icon
// another program shows) is reported.
#pragma once
#include "platform/window/window_types.h"

namespace zovi::platform {

// As PostMessageW, with `screenPoint` as the message's position. Any thread; a window of
// this process only.
BOOL PostMessageAt(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT screenPoint);

}  // namespace zovi::platform
