// Activation and keyboard focus: followed from the X focus events (or, for offscreen
// windows, changed directly), with WM_ACTIVATE, WM_KILLFOCUS and WM_SETFOCUS.
#include "platform/base/last_error.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

void FocusXWindow(const WindowRecord& record) {
    x11::CXErrorTrap trap(record.display);  // the window may have been unmapped meanwhile
    XSetInputFocus(record.display, record.hwnd, RevertToParent, CurrentTime);
    trap.Failed();
}

}  // namespace

bool CanActivate(const WindowRecord& record) { return !(record.style & WS_CHILD) && !record.neverActivates; }

void NoteActivation(MessageQueue& queue, HWND active) {
    const HWND old = queue.active;
    if (old == active) return;
    queue.active = active;
    if (old && FindRecord(old)) CallProc(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), static_cast<LPARAM>(active));
    if (active && FindRecord(active)) CallProc(active, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), static_cast<LPARAM>(old));
}

void NoteFocus(MessageQueue& queue, HWND focus) {
    const HWND old = queue.focus;
    if (old == focus) return;
    queue.focus = focus;
    if (old && FindRecord(old)) CallProc(old, WM_KILLFOCUS, focus, 0);
    if (focus && FindRecord(focus)) CallProc(focus, WM_SETFOCUS, old, 0);
}

void RequestActivation(WindowRecord& record) {
    MessageQueue& queue = MessageQueue::Current();
    if (!record.display) {
        NoteActivation(queue, record.hwnd);
        NoteFocus(queue, record.hwnd);
        return;
    }
    if (!record.overrideRedirect && WindowManagerSupports(record.display, "_NET_ACTIVE_WINDOW")) {
        // Source 1: an application's request.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = record.hwnd;
        event.xclient.message_type = GetAtom(record.display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = static_cast<long>(queue.active);
        XSendEvent(record.display, DefaultRootWindow(record.display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(record.display);
        return;
    }
    // Without a window manager the focus can only go to a viewable window.
    if (record.viewable) {
        FocusXWindow(record);
    } else {
        record.focusWhenViewable = true;
    }
}

void HandOffActivation(MessageQueue& queue, WindowRecord& record) {
    RecordPtr owner = (record.style & WS_CHILD) ? nullptr : FindOwnRecord(record.parent);
    if (owner && owner->visible && owner->enabled && CanActivate(*owner)) {
        RequestActivation(*owner);
        return;
    }
    if (record.display) return;  // X takes the focus back itself; its events say so
    if (queue.active == record.hwnd) NoteActivation(queue, 0);
    if (IsSelfOrDescendant(queue.focus, record.hwnd)) NoteFocus(queue, 0);
}

void HandleFocusEvent(MessageQueue& queue, const RecordPtr& record, const XFocusChangeEvent& event) {
    if (event.mode == NotifyGrab || event.mode == NotifyUngrab) return;
    const HWND hwnd = record->hwnd;
    // The window itself gains or loses the focus (not a window inside or around it).
    const bool itself = event.detail == NotifyAncestor || event.detail == NotifyInferior ||
                        event.detail == NotifyNonlinear;
    // A top-level window is active while the focus is in it or inside it.
    const bool activation = !(record->style & WS_CHILD) && event.detail != NotifyInferior &&
                            event.detail != NotifyPointer && event.detail != NotifyPointerRoot &&
                            event.detail != NotifyDetailNone;
    if (event.type == FocusIn) {
        if (activation) NoteActivation(queue, hwnd);
        if (itself) NoteFocus(queue, hwnd);
    } else {
        if (activation && queue.active == hwnd) NoteActivation(queue, 0);
        if (itself && queue.focus == hwnd) NoteFocus(queue, 0);
    }
}

}  // namespace zovi::platform::window_detail

using namespace zovi::platform::window_detail;

HWND GetActiveWindow() { return MessageQueue::Current().active; }

HWND GetFocus() { return MessageQueue::Current().focus; }

HWND SetFocus(HWND hwnd) {
    MessageQueue& queue = MessageQueue::Current();
    const HWND previous = queue.focus;
    if (!hwnd) {
        if (!queue.OpenedDisplay()) NoteFocus(queue, 0);
        return previous;
    }
    RecordPtr record = FindOwnRecord(hwnd);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (record->neverActivates) return 0;
    if (!record->display) {
        const HWND top = TopLevelOf(hwnd);
        if (queue.active != top) NoteActivation(queue, top);
        NoteFocus(queue, hwnd);
        return previous;
    }
    zovi::platform::x11::CXErrorTrap trap(record->display);
    XSetInputFocus(record->display, hwnd, RevertToParent, CurrentTime);
    return trap.Failed() ? 0 : previous;
}

BOOL SetForegroundWindow(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    auto bringForward = [hwnd] {
        RecordPtr own = FindOwnRecord(hwnd);
        if (!own || (own->style & WS_CHILD)) return;
        if (own->display) {
            XRaiseWindow(own->display, hwnd);
            XFlush(own->display);
        }
        if (own->visible && CanActivate(*own)) RequestActivation(*own);
    };
    if (record->threadId == GetCurrentThreadId()) {
        bringForward();
    } else if (auto queue = record->queue.lock()) {
        queue->RunOnOwner(bringForward);
    }
    return TRUE;
}

BOOL BringWindowToTop(HWND hwnd) {
    if (FindRecord(hwnd)) return SetForegroundWindow(hwnd);
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display || !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    zovi::platform::x11::CXErrorTrap trap(display);  // the window may vanish meanwhile
    if (WindowManagerSupports(display, "_NET_ACTIVE_WINDOW")) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = hwnd;
        event.xclient.message_type = GetAtom(display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;  // an application's request
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XRaiseWindow(display, hwnd);
    }
    XSync(display, False);
    return trap.Failed() ? FALSE : TRUE;
}
