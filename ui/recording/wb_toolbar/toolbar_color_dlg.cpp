#include "ui/recording/wb_toolbar/toolbar_color_dlg.h"

#include <algorithm>
#include <cstdint>

#include "platform/screen/monitor_from.h"
#include "platform/window/window.h"

namespace DuiLib {

POINT CToolbarColorDlg::CentredOver(const RECT& owner, SIZE size, const RECT& work) {
    POINT at{owner.left + (owner.right - owner.left - size.cx) / 2,
             owner.top + (owner.bottom - owner.top - size.cy) / 2};
    at.x = std::max(std::min(at.x, work.right - size.cx), work.left);
    at.y = std::max(std::min(at.y, work.bottom - size.cy), work.top);
    return at;
}

UINT_PTR CToolbarColorDlg::HookProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG || !lParam) return 0;
    const auto* choose = reinterpret_cast<const CHOOSECOLORW*>(lParam);
    RECT owner{}, self{};
    if (!choose->hwndOwner || !::GetWindowRect(choose->hwndOwner, &owner) || !::GetWindowRect(dialog, &self))
        return 0;
    const SIZE size{self.right - self.left, self.bottom - self.top};
    MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
    const HMONITOR nearest = ::MonitorFromWindow(choose->hwndOwner, MONITOR_DEFAULTTONEAREST);
    // Without a work area, the screen's whole coordinate range.
    const RECT work = nearest && ::GetMonitorInfoW(nearest, &monitor) ? monitor.rcWork
                                                                      : RECT{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
    const POINT at = CentredOver(owner, size, work);
    ::MoveWindow(dialog, at.x, at.y, size.cx, size.cy, TRUE);
    return 0;
}

}  // namespace DuiLib
