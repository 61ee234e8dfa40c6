// X events of windows the window layer does not own (a tray icon docked into another
// program's panel, key grabs on the root window): a filter sees every X event of the
// calling thread's connection before the layer translates it, and takes what is its own.
#pragma once
#include <functional>

union _XEvent;
struct _XDisplay;

namespace zovi::platform {

// True when the filter took the event (the window layer then ignores it).
using XEventFilter = std::function<bool(union _XEvent& event)>;

// Adds a filter to the calling thread's connection; its id for RemoveXEventFilter.
// Filters run on the calling thread, in the order they were added.
int AddXEventFilter(XEventFilter filter);
// Removes a filter of the calling thread (a filter may remove itself while it runs).
void RemoveXEventFilter(int id);

// The calling thread's X connection, the one its windows live on (opened on first use);
// null without a display.
struct _XDisplay* ThreadDisplay();

}  // namespace zovi::platform
