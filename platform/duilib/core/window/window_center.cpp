#include "platform/duilib/core/window/window_center.h"

#include <algorithm>

#include "platform/duilib/core/window/window_wnd.h"
#include "platform/screen/monitor_from.h"

namespace DuiLib {

namespace {

bool WorkAreaOf(HMONITOR monitor, RECT* work) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !::GetMonitorInfoW(monitor, &info)) return false;
    *work = info.rcWork;
    return true;
}

}  // namespace

bool WorkAreaOfWindow(HWND hwnd, RECT* work) {
    return WorkAreaOf(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), work);
}

bool WorkAreaUnderPointer(RECT* work) {
    POINT pt{};
    if (!::GetCursorPos(&pt)) pt = POINT{0, 0};
    return WorkAreaOf(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), work);
}

RECT CenterIn(const RECT& area, SIZE size) {
    const LONG x = area.left + (area.right - area.left - size.cx) / 2;
    const LONG y = area.top + (area.bottom - area.top - size.cy) / 2;
    return RECT{x, y, x + size.cx, y + size.cy};
}

RECT KeepInside(const RECT& rc, const RECT& area) {
    const LONG width = rc.right - rc.left, height = rc.bottom - rc.top;
    LONG x = std::min(rc.left, area.right - width);
    LONG y = std::min(rc.top, area.bottom - height);
    x = std::max(x, area.left);
    y = std::max(y, area.top);
    return RECT{x, y, x + width, y + height};
}

void CWindowWnd::CenterWindow() {
    RECT rc{};
    if (!::IsWindow(m_hWnd) || !::GetWindowRect(m_hWnd, &rc)) return;
    const SIZE size{rc.right - rc.left, rc.bottom - rc.top};
    RECT target{};
    RECT ownerRect{}, work{};
    const HWND owner = (::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD) ? 0 : ::GetParent(m_hWnd);
    // A hidden or dead owner does not count.
    if (owner && ::IsWindow(owner) && ::IsWindowVisible(owner) && ::GetWindowRect(owner, &ownerRect) &&
        WorkAreaOfWindow(owner, &work)) {
        target = KeepInside(CenterIn(ownerRect, size), work);
    } else if (WorkAreaOfWindow(m_hWnd, &work)) {
        target = CenterIn(work, size);
    } else {
        return;
    }
    ::SetWindowPos(m_hWnd, 0, target.left, target.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace DuiLib
