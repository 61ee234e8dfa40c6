#include "platform/window/window_state.h"

#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

using namespace zovi::platform::window_detail;

BOOL IsIconic(HWND hwnd) {
    if (!hwnd || IsOffscreenHandle(hwnd)) return FALSE;
    Display* display = MessengerDisplay();
    if (!display) return FALSE;
    zovi::platform::x11::CXErrorTrap trap(display);
    const Atom state = GetAtom(display, "WM_STATE");
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool read = XGetWindowProperty(display, hwnd, state, 0, 2, False, state, &actualType, &format, &count,
                                         &after, &data) == Success;
    const bool iconic = read && data && format == 32 && count >= 1 &&
                        reinterpret_cast<const unsigned long*>(data)[0] == IconicState;
    if (data) XFree(data);
    return !trap.Failed() && iconic ? TRUE : FALSE;
}
