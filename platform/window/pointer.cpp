// The pointer: capture (an X pointer grab), its position, and cursors.
#include <X11/cursorfont.h>

#include <cstdint>

#include "platform/window/present.h"
#include "platform/window/window_internal.h"

namespace zovi::platform::window_detail {

namespace {

constexpr unsigned kGrabMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                               LeaveWindowMask;

ULONG_PTR ShapeOf(HCURSOR cursor) { return reinterpret_cast<ULONG_PTR>(cursor); }

// The X font cursor of a system cursor; -1 for none.
int FontCursor(ULONG_PTR shape) {
    switch (shape) {
        case 32512: return XC_left_ptr;               // IDC_ARROW
        case 32513: return XC_xterm;                  // IDC_IBEAM
        case 32514: return XC_watch;                  // IDC_WAIT
        case 32515: return XC_crosshair;              // IDC_CROSS
        case 32642: return XC_bottom_right_corner;    // IDC_SIZENWSE
        case 32643: return XC_bottom_left_corner;     // IDC_SIZENESW
        case 32644: return XC_sb_h_double_arrow;      // IDC_SIZEWE
        case 32645: return XC_sb_v_double_arrow;      // IDC_SIZENS
        case 32646: return XC_fleur;                  // IDC_SIZEALL
        case 32649: return XC_hand2;                  // IDC_HAND
        default: return -1;
    }
}

// The thread's X cursor for a shape (made once per connection); None for no cursor.
Cursor XCursorOf(MessageQueue& queue, Display* display, HCURSOR cursor) {
    const int font = FontCursor(ShapeOf(cursor));
    if (font < 0) return None;
    auto it = queue.xCursors.find(ShapeOf(cursor));
    if (it != queue.xCursors.end()) return it->second;
    const Cursor made = XCreateFontCursor(display, static_cast<unsigned>(font));
    queue.xCursors[ShapeOf(cursor)] = made;
    return made;
}

}  // namespace

void DropCapture(MessageQueue& queue, bool ungrab) {
    const HWND old = queue.capture;
    if (!old) return;
    queue.capture = 0;
    RecordPtr record = FindRecord(old);
    if (ungrab && record && record->display) {
        XUngrabPointer(record->display, CurrentTime);
        XFlush(record->display);
    }
    if (record) CallProc(old, WM_CAPTURECHANGED, 0, 0);
}

void ApplyCursor(MessageQueue& queue) {
    RecordPtr record = FindOwnRecord(queue.capture ? queue.capture : queue.pointerWindow);
    if (!record || !record->display || record->definedCursor == queue.cursor) return;
    record->definedCursor = queue.cursor;
    const Cursor cursor = XCursorOf(queue, record->display, queue.cursor);
    if (cursor != None) {
        XDefineCursor(record->display, record->hwnd, cursor);
    } else {
        XUndefineCursor(record->display, record->hwnd);
    }
    if (queue.capture) XChangeActivePointerGrab(record->display, kGrabMask, cursor, CurrentTime);
}

}  // namespace zovi::platform::window_detail

using namespace zovi::platform::window_detail;

HWND SetCapture(HWND hwnd) {
    MessageQueue& queue = MessageQueue::Current();
    RecordPtr record = FindOwnRecord(hwnd);
    if (!record) return 0;
    const HWND previous = queue.capture;
    queue.capture = hwnd;
    if (record->display) {
        // Owner events: the thread's own windows still see where the pointer is (their
        // input is then sent on to the capture window). A grab the server refuses (the
        // pointer held by another program) leaves the press's own grab carrying input.
        const Cursor cursor = XCursorOf(queue, record->display, queue.cursor);
        XGrabPointer(record->display, hwnd, True, kGrabMask, GrabModeAsync, GrabModeAsync, None, cursor,
                     CurrentTime);
    }
    if (previous && previous != hwnd && FindRecord(previous)) {
        CallProc(previous, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(hwnd));
    }
    return previous;
}

BOOL ReleaseCapture() {
    DropCapture(MessageQueue::Current(), true);
    return TRUE;
}

HWND GetCapture() { return MessageQueue::Current().capture; }

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    if (zovi::platform::OffscreenWindowsInUse()) {
        *point = OffscreenPointer();
        return TRUE;
    }
    Display* display = MessageQueue::Current().OpenedDisplay();
    if (!display) display = MessengerDisplay();
    if (!display) return FALSE;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask)) {
        return FALSE;
    }
    *point = POINT{rootX, rootY};
    return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE instance, const wchar_t* name) {
    const auto shape = reinterpret_cast<ULONG_PTR>(name);
    if (instance || FontCursor(shape) < 0) return nullptr;  // only the system cursors exist here
    return reinterpret_cast<HCURSOR>(shape);
}

HCURSOR SetCursor(HCURSOR cursor) {
    MessageQueue& queue = MessageQueue::Current();
    const HCURSOR previous = queue.cursor;
    queue.cursor = cursor;
    ApplyCursor(queue);
    return previous;
}
