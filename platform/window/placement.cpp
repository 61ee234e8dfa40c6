// Window placements in work-area coordinates: the window rectangle less where the work
// area of its monitor starts within the monitor (a panel along the top or left edge).
// On a monitor without such a panel they are screen coordinates.
#include "platform/screen/monitor_from.h"
#include "platform/window/window_internal.h"

namespace {

POINT WorkAreaOrigin(const RECT& rect) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return POINT{0, 0};
    return POINT{info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

}  // namespace

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
    RECT rect{};
    if (!placement || !GetWindowRect(hwnd, &rect)) return FALSE;
    const POINT origin = WorkAreaOrigin(rect);
    placement->length = sizeof(WINDOWPLACEMENT);
    placement->flags = 0;
    placement->showCmd = SW_SHOWNORMAL;
    placement->ptMinPosition = placement->ptMaxPosition = POINT{-1, -1};
    placement->rcNormalPosition =
        RECT{rect.left - origin.x, rect.top - origin.y, rect.right - origin.x, rect.bottom - origin.y};
    return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement) {
    if (!placement || !IsWindow(hwnd)) return FALSE;
    const RECT& normal = placement->rcNormalPosition;
    const POINT origin = WorkAreaOrigin(normal);
    if (!SetWindowPos(hwnd, 0, normal.left + origin.x, normal.top + origin.y, normal.right - normal.left,
                      normal.bottom - normal.top, SWP_NOZORDER | SWP_NOACTIVATE)) {
        return FALSE;
    }
    ShowWindow(hwnd, static_cast<int>(placement->showCmd));
    return TRUE;
}
