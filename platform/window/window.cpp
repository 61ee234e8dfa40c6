#include <X11/Xatom.h>

#include <algorithm>
#include <cstring>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

using namespace zovi::platform::window_detail;

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr int kDefaultWidth = 640, kDefaultHeight = 480;

RecordPtr OwnRecordOrFail(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return record;
}

void SetUtf8Property(Display* display, Window window, const char* name, const std::wstring& value) {
    const std::string text = zovi::platform::WideToUtf8(value);
    XChangeProperty(display, window, GetAtom(display, name), GetAtom(display, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

void SetTitle(Display* display, Window window, const wchar_t* title) {
    const std::wstring text = title ? title : L"";
    SetUtf8Property(display, window, "_NET_WM_NAME", text);
    const std::string utf8 = zovi::platform::WideToUtf8(text);
    XStoreName(display, window, utf8.c_str());
}

// Windows whose parent (child windows) or owner (owned windows) is `hwnd`.
std::vector<HWND> Dependents(HWND hwnd) {
    std::vector<HWND> out;
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    for (auto& [id, record] : registry.windows) {
        if (record->parent == hwnd) out.push_back(id);
    }
    return out;
}

bool IsActivating(int command) {
    return command == SW_SHOWNORMAL || command == SW_SHOWMAXIMIZED || command == SW_SHOW || command == SW_RESTORE;
}

// The window the window manager would move: our top-level window, or its frame.
void SetAboveState(Display* display, const RecordPtr& record, bool above) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = record->hwnd;
    event.xclient.message_type = GetAtom(display, "_NET_WM_STATE");
    event.xclient.format = 32;
    event.xclient.data.l[0] = above ? 1 : 0;
    event.xclient.data.l[1] = static_cast<long>(GetAtom(display, "_NET_WM_STATE_ABOVE"));
    event.xclient.data.l[3] = 1;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

namespace zovi::platform::window_detail {

LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) return 0;
    WNDPROC proc = record->proc;
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

BOOL ShowOwnWindow(const RecordPtr& record, int command) {
    Display* display = record->display;
    const BOOL wasVisible = record->visible.load() ? TRUE : FALSE;
    if (command == SW_HIDE) {
        if (record->visible) {
            record->visible = false;
            XUnmapWindow(display, record->hwnd);
        }
    } else if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE) {
        record->visible = true;
        XMapWindow(display, record->hwnd);
        XIconifyWindow(display, record->hwnd, DefaultScreen(display));
    } else {
        if (!record->visible) {
            record->visible = true;
            std::lock_guard lock(Registry::Get().lock);
            record->invalid = true;
            record->invalidRect = RECT{0, 0, record->width, record->height};
        }
        XMapWindow(display, record->hwnd);
        if (IsActivating(command) && !(record->style & WS_CHILD)) XRaiseWindow(display, record->hwnd);
    }
    XFlush(display);
    return wasVisible;
}

BOOL PositionOwnWindow(const RecordPtr& record, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Display* display = record->display;
    const HWND hwnd = record->hwnd;
    const bool move = !(flags & SWP_NOMOVE) && (x != record->x || y != record->y);
    const bool size = !(flags & SWP_NOSIZE) && (cx != record->width || cy != record->height);
    if (move && size) {
        XMoveResizeWindow(display, hwnd, x, y, std::max(cx, 1), std::max(cy, 1));
    } else if (move) {
        XMoveWindow(display, hwnd, x, y);
    } else if (size) {
        XResizeWindow(display, hwnd, std::max(cx, 1), std::max(cy, 1));
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) {
            record->exStyle |= WS_EX_TOPMOST;
            SetAboveState(display, record, true);
            XRaiseWindow(display, hwnd);
        } else if (insertAfter == HWND_NOTOPMOST) {
            if (record->exStyle & WS_EX_TOPMOST) SetAboveState(display, record, false);
            record->exStyle &= ~WS_EX_TOPMOST;
        } else if (insertAfter == HWND_TOP) {
            XRaiseWindow(display, hwnd);
        } else if (insertAfter == HWND_BOTTOM) {
            XLowerWindow(display, hwnd);
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowOwnWindow(record, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowOwnWindow(record, SW_HIDE);
    XFlush(display);
    if (move) {
        record->x = x, record->y = y;
        CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    }
    if (size) {
        record->width = cx, record->height = cy;
        CallProc(hwnd, WM_SIZE, 0, MAKELPARAM(cx, cy));
    }
    return TRUE;
}

}  // namespace zovi::platform::window_detail

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    auto [it, added] = registry.classes.emplace(windowClass->lpszClassName,
                                                WindowClassInfo{windowClass->lpfnWndProc, windowClass->style});
    if (!added) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return static_cast<ATOM>(0xC000 + (registry.classes.size() & 0x3FFF));
}

BOOL UnregisterClassW(const wchar_t* className, HINSTANCE) {
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    return className && registry.classes.erase(className) ? TRUE : FALSE;
}

HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    WindowClassInfo info;
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        auto it = className ? registry.classes.find(className) : registry.classes.end();
        if (it == registry.classes.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return 0;
        }
        info = it->second;
    }
    MessageQueue& queue = MessageQueue::Current();
    Display* display = queue.UiDisplay();
    if (!display) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    RecordPtr parentRecord = parent ? FindRecord(parent) : nullptr;
    const bool child = (style & WS_CHILD) != 0;
    if (child && !parentRecord) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (x == CW_USEDEFAULT) x = 0, y = 0;
    if (width == CW_USEDEFAULT) width = kDefaultWidth, height = kDefaultHeight;
    const int screen = DefaultScreen(display);

    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWBorderPixel | CWBitGravity;
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                            ButtonReleaseMask | PointerMotionMask | LeaveWindowMask | FocusChangeMask;
    attributes.border_pixel = 0;
    attributes.bit_gravity = NorthWestGravity;
    Visual* visual = DefaultVisual(display, screen);
    int depth = DefaultDepth(display, screen);
    Colormap colormap = 0;
    XVisualInfo argb{};
    if ((exStyle & WS_EX_LAYERED) && XMatchVisualInfo(display, screen, 32, TrueColor, &argb)) {
        visual = argb.visual;
        depth = 32;
        colormap = XCreateColormap(display, RootWindow(display, screen), visual, AllocNone);
        attributes.colormap = colormap;
        attributes.background_pixel = 0;
        mask |= CWColormap | CWBackPixel;
    }
    const Window xParent = child ? parentRecord->hwnd : RootWindow(display, screen);
    Window window = XCreateWindow(display, xParent, x, y, std::max(width, 1), std::max(height, 1), 0, depth,
                                  InputOutput, visual, mask, &attributes);
    if (!window) {
        if (colormap) XFreeColormap(display, colormap);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (!child) {
        SetUtf8Property(display, window, kClassAtom, className);
        const long pid = static_cast<long>(GetCurrentProcessId());
        XChangeProperty(display, window, GetAtom(display, "_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        Atom protocols[] = {GetAtom(display, "WM_DELETE_WINDOW")};
        XSetWMProtocols(display, window, protocols, 1);
        if (parent) XSetTransientForHint(display, window, parent);
        if (!(style & WS_CAPTION)) {
            // No title bar: ask the window manager for no decorations (Motif hints).
            const long hints[5] = {2, 0, 0, 0, 0};
            XChangeProperty(display, window, GetAtom(display, "_MOTIF_WM_HINTS"), GetAtom(display, "_MOTIF_WM_HINTS"),
                            32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
        }
        if (exStyle & WS_EX_TOPMOST) {
            const long above = static_cast<long>(GetAtom(display, "_NET_WM_STATE_ABOVE"));
            XChangeProperty(display, window, GetAtom(display, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&above), 1);
        }
        XSizeHints position{};
        position.flags = USPosition | USSize;
        position.x = x, position.y = y, position.width = width, position.height = height;
        XSetWMNormalHints(display, window, &position);
    }
    SetTitle(display, window, windowName);

    auto record = std::make_shared<WindowRecord>();
    record->hwnd = window;
    record->queue = MessageQueue::CurrentShared();
    record->threadId = queue.ThreadId();
    record->display = display;
    record->className = className;
    record->proc = info.proc;
    record->classStyle = info.style;
    record->style = style & ~WS_VISIBLE;
    record->exStyle = exStyle;
    record->parent = parent;
    record->instance = instance;
    record->id = reinterpret_cast<LONG_PTR>(menu);
    record->x = x, record->y = y, record->width = width, record->height = height;
    record->visual = visual;
    record->depth = depth;
    record->colormap = colormap;
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        registry.windows[window] = record;
    }
    XFlush(display);

    CREATESTRUCTW create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (!CallProc(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        CallProc(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(window);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (style & WS_VISIBLE) {
        record->style |= WS_VISIBLE;
        ShowOwnWindow(record, SW_SHOWNA);
    }
    return window;
}

BOOL DestroyWindow(HWND hwnd) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return FALSE;
    if (record->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    CallProc(hwnd, WM_DESTROY, 0, 0);
    for (HWND dependent : Dependents(hwnd)) DestroyWindow(dependent);
    CallProc(hwnd, WM_NCDESTROY, 0, 0);
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        registry.windows.erase(hwnd);
    }
    MessageQueue::Current().ForgetWindow(hwnd);
    zovi::platform::x11::CXErrorTrap trap(record->display);  // a child may be gone with its parent
    XDestroyWindow(record->display, hwnd);
    if (record->colormap) XFreeColormap(record->display, record->colormap);
    trap.Failed();
    return TRUE;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_PAINT: ValidateRect(hwnd, nullptr); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        default: return 0;
    }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

BOOL IsWindowVisible(HWND hwnd) {
    if (RecordPtr record = FindRecord(hwnd)) {
        for (RecordPtr r = record; r; r = (r->style & WS_CHILD) ? FindRecord(r->parent) : nullptr) {
            if (!r->visible) return FALSE;
        }
        return TRUE;
    }
    Display* display = MessengerDisplay();
    if (!display || !hwnd) return FALSE;
    zovi::platform::x11::CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    Status ok = XGetWindowAttributes(display, hwnd, &attributes);
    return !trap.Failed() && ok && attributes.map_state == IsViewable;
}

// Another thread's or process's window: its owning thread applies the request.
BOOL ShowWindow(HWND hwnd, int command) {
    RecordPtr record = FindRecord(hwnd);
    if (record && record->threadId == GetCurrentThreadId()) return ShowOwnWindow(record, command);
    Display* display = MessengerDisplay();
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
    Display* display = MessengerDisplay();
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
    Display* display = record ? nullptr : MessengerDisplay();
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
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record || !rect) return FALSE;
    *rect = RECT{0, 0, record->width, record->height};
    return TRUE;
}

BOOL SetWindowTextW(HWND hwnd, const wchar_t* text) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return FALSE;
    SetTitle(record->display, hwnd, text);
    XFlush(record->display);
    return TRUE;
}

HWND GetParent(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record ? record->parent : 0;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return 0;
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(record->proc);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(record->instance);
        case GWLP_ID: return record->id;
        case GWL_STYLE: return static_cast<LONG_PTR>(record->style | (record->visible ? WS_VISIBLE : 0));
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(record->exStyle);
        case GWLP_USERDATA: return record->userData;
        default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return 0;
    LONG_PTR old = GetWindowLongPtrW(hwnd, index);
    switch (index) {
        case GWLP_WNDPROC: record->proc = reinterpret_cast<WNDPROC>(value); break;
        case GWLP_ID: record->id = value; break;
        case GWL_STYLE: record->style = static_cast<DWORD>(value) & ~WS_VISIBLE; break;
        case GWL_EXSTYLE: record->exStyle = static_cast<DWORD>(value); break;
        case GWLP_USERDATA: record->userData = value; break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
    return old;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    if (RecordPtr record = FindRecord(hwnd)) {
        if (processId) *processId = GetCurrentProcessId();
        return record->threadId;
    }
    DWORD pid = zovi::platform::WindowProcessId(hwnd);
    if (processId) *processId = pid;
    return 0;
}

BOOL SetForegroundWindow(HWND hwnd) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return FALSE;
    XRaiseWindow(record->display, hwnd);
    XFlush(record->display);
    return TRUE;
}

HWND SetFocus(HWND hwnd) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return 0;
    zovi::platform::x11::CXErrorTrap trap(record->display);
    Window previous = 0;
    int revert = 0;
    XGetInputFocus(record->display, &previous, &revert);
    XSetInputFocus(record->display, hwnd, RevertToParent, CurrentTime);
    return trap.Failed() ? 0 : FindRecord(previous) ? previous : 0;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return FALSE;
    {
        std::lock_guard lock(Registry::Get().lock);
        RECT area = rect ? *rect : RECT{0, 0, record->width, record->height};
        RECT& into = record->invalidRect;
        if (into.right <= into.left || into.bottom <= into.top) {
            into = area;
        } else {
            into = RECT{std::min(into.left, area.left), std::min(into.top, area.top), std::max(into.right, area.right),
                        std::max(into.bottom, area.bottom)};
        }
        record->invalid = true;
    }
    if (auto queue = record->queue.lock()) queue->Wake();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return FALSE;
    std::lock_guard lock(Registry::Get().lock);
    record->invalid = false;
    record->invalidRect = RECT{};
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record) return FALSE;
    bool due;
    {
        std::lock_guard lock(Registry::Get().lock);
        due = record->invalid && record->visible;
        if (due) {
            record->paintRect = record->invalidRect;
            record->invalidRect = RECT{};
            record->invalid = false;
        }
    }
    if (due) CallProc(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    RecordPtr record = OwnRecordOrFail(hwnd);
    if (!record || !paint) return nullptr;
    std::lock_guard lock(Registry::Get().lock);
    // The area of the WM_PAINT being handled, and whatever became invalid since.
    RECT area = record->paintRect;
    if (record->invalid) {
        const RECT& more = record->invalidRect;
        area = (area.right <= area.left) ? more
                                         : RECT{std::min(area.left, more.left), std::min(area.top, more.top),
                                                std::max(area.right, more.right), std::max(area.bottom, more.bottom)};
    }
    record->invalid = false;
    record->invalidRect = RECT{};
    record->paintRect = RECT{};
    paint->hdc = reinterpret_cast<HDC>(hwnd);
    paint->fErase = FALSE;
    paint->rcPaint = area;
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

namespace zovi::platform {

_XDisplay* WindowDisplay(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record ? record->display : nullptr;
}

void* WindowVisual(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record ? record->visual : nullptr;
}

int WindowDepth(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record ? record->depth : 0;
}

}  // namespace zovi::platform
