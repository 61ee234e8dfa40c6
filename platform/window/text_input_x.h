// The window layer's side of text input: the X input method of the thread's connection
// and the input contexts of its top-level windows. Included only by the layer's own
// .cpp files (it names Xlib types).
#pragma once
#include <X11/Xlib.h>

#include <string>

namespace zovi::platform::window_detail {

// Makes the input context of a new top-level window (opening the connection's input
// method on first use) and adds the events the input method needs to the window's
// event mask `eventMask`. Nothing when no input method can be opened.
void CreateInputContext(Display* display, Window window, long eventMask);
// The window is gone: so is its input context.
void ForgetInputContext(Window window);
// XFilterEvent: true when the input method took the event (it must not be translated).
bool FilterTextInputEvent(XEvent& event);
// The text a key press produces (UTF-32) and its keysym: through the input context of
// `topLevel` when it has one (committed text of the input method included), else from
// the keyboard map.
std::wstring LookupKeyText(Window topLevel, XKeyEvent& event, KeySym* keysym);
// The top-level window became active or inactive: its input context follows, when an
// edit of it asked for input-method focus.
void NoteTextInputWindowActive(Window topLevel, bool active);

}  // namespace zovi::platform::window_detail
