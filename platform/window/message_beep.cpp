#include "platform/window/message_beep.h"

#include <X11/Xlib.h>

#include <atomic>

#include "platform/window/x_event_filter.h"

namespace {

std::atomic<unsigned> gBeeps{0};

}  // namespace

BOOL MessageBeep(UINT /*type*/) {
    ++gBeeps;
    Display* display = zovi::platform::ThreadDisplay();
    if (display == nullptr) return FALSE;
    XBell(display, 0);
    XFlush(display);
    return TRUE;
}

namespace zovi::platform {

unsigned MessageBeepCount() { return gBeeps; }

}  // namespace zovi::platform
