// The window layer's side of the clipboard: selection events of the thread's connection.
// Included only by the layer's own .cpp files (it names Xlib types).
#pragma once
#include <X11/Xlib.h>

namespace zovi::platform::window_detail {

// SelectionRequest, SelectionClear and SelectionNotify for the clipboard; true when the
// event was one of them.
bool HandleSelectionEvent(XEvent& event);
// The window is gone: the text it owned goes, and its paste requests end with nothing.
void ClipboardWindowGone(Window window);

}  // namespace zovi::platform::window_detail
