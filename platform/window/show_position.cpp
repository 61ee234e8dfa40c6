// Showing, hiding, moving and sizing windows, and their rectangles.
#include "platform/base/last_error.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

namespace {

bool IsActivating(int command) {
    return command == SW_SHOWNORMAL || command == SW_SHOWMAXIMIZED || command == SW_SHOW || command == SW_RESTORE;
}

bool IsMinimising(int command) {
    return command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
}

void InvalidateAll(WindowRecord& record) {
    std::lock_guard lock(Registry::Get().lock);
    record.invalid = true;
    record.invalidRect = RECT{0, 0, record.width, record.height};
}

void Hide(MessageQueue& queue, WindowRecord& record) {
    record.focusWhenViewable = false;
    if (IsSelfOrDescendant(queue.capture, record.hwnd)) DropCapture(queue, true);
    const bool topLevel = !(record.style & WS_CHILD);
    if (topLevel && queue.active == record.hwnd) HandOffActivation(queue, record);
    record.visible = false;
    if (!record.display) {
        // Offscreen: nothing else gives the focus up.
        if (queue.active == record.hwnd) NoteActivation(queue, 0);
        if (IsSelfOrDescendant(queue.focus, record.hwnd)) NoteFocus(queue, 0);
    }
    ApplyXMapping(record);
}

}  // namespace

BOOL ShowOwnWindow(const RecordPtr& record, int command) {
    MessageQueue& queue = MessageQueue::Current();
    Display* display = UsableDisplay(*record);
    const BOOL wasVisible = record->visible.load() ? TRUE : FALSE;
    const bool topLevel = !(record->style & WS_CHILD);
    if (command == SW_HIDE) {
        if (record->visible) Hide(queue, *record);
    } else {
        if (!record->visible) {
            record->visible = true;
            InvalidateAll(*record);
        }
        ApplyXMapping(*record);
        if (display && topLevel) {
            if (IsMinimising(command)) {
                XIconifyWindow(display, record->hwnd, DefaultScreen(display));
            } else if (IsActivating(command) || record->overrideRedirect) {
                XRaiseWindow(display, record->hwnd);
            }
        }
        if (IsActivating(command) && CanActivate(*record)) RequestActivation(*record);
    }
    if (display) XFlush(display);
    return wasVisible;
}

BOOL PositionOwnWindow(const RecordPtr& record, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Display* display = UsableDisplay(*record);
    const HWND hwnd = record->hwnd;
    const bool move = !(flags & SWP_NOMOVE) && (x != record->x || y != record->y);
    const bool size = !(flags & SWP_NOSIZE) && (cx != record->width || cy != record->height);
    if (move) record->x = x, record->y = y;
    if (size) record->width = cx, record->height = cy;
    if (move || size) {
        RequestXGeometry(*record);
        ApplyXMapping(*record);  // a window without a size is not shown
        if (size && !display) InvalidateAll(*record);  // X exposes what grew
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) {
            record->exStyle |= WS_EX_TOPMOST;
            ChangeNetWmState(*record, "_NET_WM_STATE_ABOVE", true);
            if (display) XRaiseWindow(display, hwnd);
        } else if (insertAfter == HWND_NOTOPMOST) {
            if (record->exStyle & WS_EX_TOPMOST) ChangeNetWmState(*record, "_NET_WM_STATE_ABOVE", false);
            record->exStyle &= ~WS_EX_TOPMOST;
        } else if (insertAfter == HWND_TOP) {
            if (display) XRaiseWindow(display, hwnd);
        } else if (insertAfter == HWND_BOTTOM) {
            if (display) XLowerWindow(display, hwnd);
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowOwnWindow(record, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowOwnWindow(record, SW_HIDE);
    if (display) XFlush(display);
    // A handler that moves or sizes the window again sends its own messages; the older
    // ones are then not sent.
    if (move && record->x == x && record->y == y) CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    if (size && record->width == cx && record->height == cy) CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, cy));
    return TRUE;
}

}  // namespace zovi::platform::window_detail

using namespace zovi::platform::window_detail;

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

}  // namespace

BOOL ShowWindow(HWND hwnd, int command) {
    RecordPtr record = FindRecord(hwnd);
    if (record && record->threadId == GetCurrentThreadId()) return ShowOwnWindow(record, command);
    if (record) {
        auto queue = record->queue.lock();
        if (!queue) return FALSE;
        queue->RunOnOwner([hwnd, command] {
            if (RecordPtr own = FindOwnRecord(hwnd)) ShowOwnWindow(own, command);
        });
        return TRUE;
    }
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display || !hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const long data[5] = {kRequestShow, command, 0, 0, 0};
    return SendClientMessage(display, hwnd, kRequestAtom, data) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    RecordPtr record = FindRecord(hwnd);
    if (record && record->threadId == GetCurrentThreadId()) {
        return PositionOwnWindow(record, insertAfter, x, y, cx, cy, flags);
    }
    if (record) {
        auto queue = record->queue.lock();
        if (!queue) return FALSE;
        queue->RunOnOwner([=] {
            if (RecordPtr own = FindOwnRecord(hwnd)) PositionOwnWindow(own, insertAfter, x, y, cx, cy, flags);
        });
        return TRUE;
    }
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display || !hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const long data[5] = {kRequestPosition, static_cast<long>(static_cast<LONG>(static_cast<LONG_PTR>(insertAfter))),
                          static_cast<long>(static_cast<DWORD>(MAKELONG(x, y))),
                          static_cast<long>(static_cast<DWORD>(MAKELONG(cx, cy))), static_cast<long>(flags)};
    return SendClientMessage(display, hwnd, kRequestAtom, data) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    if (!rect) return FALSE;
    RecordPtr record = FindRecord(hwnd);
    if (record && !(record->style & WS_CHILD)) {
        *rect = RECT{record->x, record->y, record->x + record->width, record->y + record->height};
        return TRUE;
    }
    if (record) {
        RECT parentRect{};
        if (!GetWindowRect(record->parent, &parentRect)) return FALSE;
        *rect = RECT{parentRect.left + record->x, parentRect.top + record->y,
                     parentRect.left + record->x + record->width, parentRect.top + record->y + record->height};
        return TRUE;
    }
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display || !hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    zovi::platform::x11::CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    int rootX = 0, rootY = 0;
    Window childWindow = 0;
    Status ok = XGetWindowAttributes(display, hwnd, &attributes);
    if (ok) XTranslateCoordinates(display, hwnd, attributes.root, 0, 0, &rootX, &rootY, &childWindow);
    if (trap.Failed() || !ok) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{rootX, rootY, rootX + attributes.width, rootY + attributes.height};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    RecordPtr record = FindRecord(hwnd);
    if (!record || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, record->width, record->height};
    return TRUE;
}

// Our windows have no frame: the client origin is the window's origin.
BOOL ClientToScreen(HWND hwnd, POINT* point) {
    RECT window{};
    if (!point || !GetWindowRect(hwnd, &window)) return FALSE;
    point->x += window.left;
    point->y += window.top;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    RECT window{};
    if (!point || !GetWindowRect(hwnd, &window)) return FALSE;
    point->x -= window.left;
    point->y -= window.top;
    return TRUE;
}
