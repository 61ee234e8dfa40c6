// Text input through the X input method. Each top-level X window gets an input context
// when the process could open an input method; key presses then arrive as WM_KEYDOWN
// followed by one WM_CHAR per committed character (composed and non-ASCII text too).
// Without an input method the keyboard map alone decides the characters.
#pragma once
#include "platform/window/window_types.h"

namespace zovi::platform {

// Input-method focus of the window's input context: on while an editable, non-password
// edit of that window has focus (no effect without an input context).
void SetTextInputFocus(HWND hwnd, bool on);
// The caret in client coordinates and its height, for the input method's pre-edit.
void SetTextInputCaret(HWND hwnd, POINT client, int height);
// Whether the window's top-level has an input context (tests).
bool HasInputContext(HWND hwnd);

}  // namespace zovi::platform
