// Window classes, creating and destroying windows, the default window procedure and
// the window longs.
#include "platform/base/last_error.h"
#include "platform/screen/monitor_from.h"
#include "platform/window/present.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

using namespace zovi::platform::window_detail;

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr int kDefaultWidth = 640, kDefaultHeight = 480;

RecordPtr RecordOrFail(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return record;
}

bool IsMouseMessage(UINT message) {
    return (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) || message == WM_MOUSEWHEEL ||
           message == WM_MOUSEHWHEEL;
}

// A window placed by default starts centred on the work area of the pointer's monitor.
POINT DefaultPosition(int width, int height) {
    POINT pointer{};
    GetCursorPos(&pointer);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return POINT{0, 0};
    const RECT& work = info.rcWork;
    return POINT{work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2};
}

// The cursor the default WM_SETCURSOR handling sets for a hit code.
HCURSOR CursorForHit(LRESULT hit, HCURSOR classCursor) {
    switch (hit) {
        case HTCLIENT: return classCursor;
        case HTLEFT: case HTRIGHT: return LoadCursorW(nullptr, IDC_SIZEWE);
        case HTTOP: case HTBOTTOM: return LoadCursorW(nullptr, IDC_SIZENS);
        case HTTOPLEFT: case HTBOTTOMRIGHT: return LoadCursorW(nullptr, IDC_SIZENWSE);
        case HTTOPRIGHT: case HTBOTTOMLEFT: return LoadCursorW(nullptr, IDC_SIZENESW);
        default: return LoadCursorW(nullptr, IDC_ARROW);
    }
}

LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) return FALSE;
    // A child window's parent decides first.
    if ((record->style & WS_CHILD) && record->parent && SendMessageW(record->parent, WM_SETCURSOR, wParam, lParam)) {
        return TRUE;
    }
    const LRESULT hit = static_cast<short>(LOWORD(lParam));
    if (HCURSOR cursor = CursorForHit(hit, record->classCursor)) SetCursor(cursor);
    return FALSE;
}

}  // namespace

namespace zovi::platform::window_detail {

LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    RecordPtr record = FindRecord(hwnd);
    if (!record) return 0;
    if (record->offscreen && IsMouseMessage(message)) NoteOffscreenPointer(*record, message, lParam);
    WNDPROC proc = record->proc;
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace zovi::platform::window_detail

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    auto [it, added] = registry.classes.emplace(
        windowClass->lpszClassName,
        WindowClassInfo{windowClass->lpfnWndProc, windowClass->style, static_cast<HCURSOR>(windowClass->hCursor)});
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
    // MonitorFromWindow asks the window layer for rectangles from now on.
    static const bool rectsFromHere = (zovi::platform::SetWindowRectSource(&GetWindowRect), true);
    (void)rectsFromHere;
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
    const bool offscreen = zovi::platform::OffscreenWindowsInUse();
    Display* display = offscreen ? nullptr : queue.UiDisplay();
    if (!offscreen && !display) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    const bool child = (style & WS_CHILD) != 0;
    RecordPtr parentRecord = parent ? FindRecord(parent) : nullptr;
    if (child && (!parentRecord || parentRecord->offscreen != offscreen)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (width == CW_USEDEFAULT) width = kDefaultWidth, height = kDefaultHeight;
    if (x == CW_USEDEFAULT) {
        const POINT start = child ? POINT{0, 0} : DefaultPosition(width, height);
        x = start.x, y = start.y;
    }

    auto record = std::make_shared<WindowRecord>();
    record->queue = MessageQueue::CurrentShared();
    record->threadId = queue.ThreadId();
    record->display = display;
    record->offscreen = offscreen;
    record->className = className;
    record->title = windowName ? windowName : L"";
    record->proc = info.proc;
    record->classStyle = info.style;
    record->classCursor = info.cursor;
    record->style = style & ~(WS_VISIBLE | WS_DISABLED);
    record->exStyle = exStyle;
    record->enabled = !(style & WS_DISABLED);
    record->parent = parent;
    record->instance = instance;
    record->id = reinterpret_cast<LONG_PTR>(menu);
    record->x = x, record->y = y, record->width = width, record->height = height;
    if (offscreen) {
        record->hwnd = zovi::platform::window_detail::NewOffscreenHandle();
        record->depth = (exStyle & WS_EX_LAYERED) ? 32 : 24;
        const DWORD tooltip = WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
        record->neverActivates = (exStyle & WS_EX_NOACTIVATE) || (exStyle & tooltip) == tooltip;
    } else if (!CreateXWindow(*record, windowName)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const HWND hwnd = record->hwnd;
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        registry.windows[hwnd] = record;
    }

    CREATESTRUCTW create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((style & WS_VISIBLE) && FindRecord(hwnd)) ShowOwnWindow(record, SW_SHOWNA);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return FALSE;
    if (record->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (record->destroying) return TRUE;
    record->destroying = true;
    // Owned windows go first, entirely; then the window is hidden (its owner becomes
    // active), told, its child windows go, and it is told last.
    for (HWND owned : Dependents(hwnd, false)) DestroyWindow(owned);
    if (record->visible) ShowOwnWindow(record, SW_HIDE);
    CallProc(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : Dependents(hwnd, true)) DestroyWindow(child);
    CallProc(hwnd, WM_NCDESTROY, 0, 0);
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        registry.windows.erase(hwnd);
    }
    MessageQueue::Current().ForgetWindow(hwnd);
    ReleaseSurface(*record);
    if (Display* display = UsableDisplay(*record)) {
        zovi::platform::x11::CXErrorTrap trap(display);  // a child may be gone with its parent
        XDestroyWindow(display, hwnd);
        if (record->colormap) XFreeColormap(display, record->colormap);
        trap.Failed();
    }
    return TRUE;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE: SendMessageW(hwnd, WM_CLOSE, 0, 0); return 0;
                case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
                default: return 0;
            }
        case WM_PAINT: ValidateRect(hwnd, nullptr); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_NCHITTEST: return HTCLIENT;
        case WM_SETCURSOR: return DefaultSetCursor(hwnd, wParam, lParam);
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
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display || !hwnd) return FALSE;
    zovi::platform::x11::CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    Status ok = XGetWindowAttributes(display, hwnd, &attributes);
    return !trap.Failed() && ok && attributes.map_state == IsViewable;
}

BOOL SetWindowTextW(HWND hwnd, const wchar_t* text) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return FALSE;
    {
        std::lock_guard lock(Registry::Get().lock);
        record->title = text ? text : L"";
    }
    if (record->display) {
        SetWindowTitle(*record, text);
        XFlush(record->display);
    }
    return TRUE;
}

HWND GetParent(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record ? record->parent : 0;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return 0;
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(record->proc);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(record->instance);
        case GWLP_ID: return record->id;
        case GWL_STYLE:
            return static_cast<LONG_PTR>(record->style | (record->visible ? WS_VISIBLE : 0) |
                                         (record->enabled ? 0 : WS_DISABLED));
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(record->exStyle);
        case GWLP_USERDATA: return record->userData;
        default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    RecordPtr record = RecordOrFail(hwnd);
    if (!record) return 0;
    LONG_PTR old = GetWindowLongPtrW(hwnd, index);
    switch (index) {
        case GWLP_WNDPROC: record->proc = reinterpret_cast<WNDPROC>(value); break;
        case GWLP_ID: record->id = value; break;
        case GWL_STYLE:
            record->style = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED);
            EnableWindow(hwnd, (value & WS_DISABLED) ? FALSE : TRUE);
            break;
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
    DWORD pid = IsOffscreenHandle(hwnd) ? 0 : zovi::platform::WindowProcessId(hwnd);
    if (processId) *processId = pid;
    return 0;
}

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
