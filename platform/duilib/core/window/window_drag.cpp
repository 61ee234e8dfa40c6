#include "platform/duilib/core/window/window_drag.h"

#include <algorithm>

#include "platform/duilib/core/window/window_hit_test.h"

namespace DuiLib {

RECT CWindowDrag::Apply(const RECT& start, LRESULT code, LONG dx, LONG dy, SIZE minSize) {
    const LONG minW = std::max<LONG>(minSize.cx, 1), minH = std::max<LONG>(minSize.cy, 1);
    RECT rc = start;
    if (code == HTCAPTION) {
        rc.left += dx, rc.right += dx, rc.top += dy, rc.bottom += dy;
        return rc;
    }
    const bool left = code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT;
    const bool right = code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT;
    const bool top = code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT;
    const bool bottom = code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT;
    if (left) rc.left = std::min(start.left + dx, start.right - minW);
    if (right) rc.right = std::max(start.right + dx, start.left + minW);
    if (top) rc.top = std::min(start.top + dy, start.bottom - minH);
    if (bottom) rc.bottom = std::max(start.bottom + dy, start.top + minH);
    return rc;
}

bool CWindowDrag::Begin(HWND hwnd, LRESULT code, POINT pointer, SIZE minSize) {
    if (code != HTCAPTION && !IsSizeCode(code)) return false;
    if (!::GetWindowRect(hwnd, &m_start)) return false;
    m_hWnd = hwnd;
    m_code = code;
    m_pointer = pointer;
    m_minSize = minSize;
    ::SetCapture(hwnd);
    return true;
}

void CWindowDrag::Move(POINT pointer) {
    if (!m_hWnd) return;
    const RECT rc = Apply(m_start, m_code, pointer.x - m_pointer.x, pointer.y - m_pointer.y, m_minSize);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (m_code == HTCAPTION ? SWP_NOSIZE : 0);
    ::SetWindowPos(m_hWnd, 0, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, flags);
}

void CWindowDrag::End(bool grabLost) {
    if (!m_hWnd) return;
    m_hWnd = 0;
    if (!grabLost) ::ReleaseCapture();
}

}  // namespace DuiLib
