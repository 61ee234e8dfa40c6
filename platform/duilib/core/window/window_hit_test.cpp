#include "platform/duilib/core/window/window_hit_test.h"

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager.h"

namespace DuiLib {

bool ControlTakesInput(const CControlUI* control) {
    return control && control->IsVisible() && control->IsEnabled() && control->IsMouseEnabled() &&
           control->GetControlFlags() != 0;
}

LRESULT WindowHitTest(const THitTestInput& input, POINT pt, const CPaintManagerUI* manager) {
    const LONG w = input.client.cx, h = input.client.cy;
    const RECT& box = input.sizeBox;
    if (!input.zoomed) {
        const bool left = pt.x < box.left, right = pt.x >= w - box.right;
        const bool top = pt.y < box.top, bottom = pt.y >= h - box.bottom;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }
    const RECT& cap = input.caption;
    if (input.captionEnabled && pt.x >= cap.left && pt.x < w - cap.right && pt.y >= cap.top && pt.y < cap.bottom) {
        const CControlUI* control = manager ? manager->FindControl(pt) : nullptr;
        return ControlTakesInput(control) ? HTCLIENT : HTCAPTION;
    }
    return HTCLIENT;
}

const wchar_t* EdgeCursorFor(LRESULT code) {
    switch (code) {
        case HTLEFT:
        case HTRIGHT: return IDC_SIZEWE;
        case HTTOP:
        case HTBOTTOM: return IDC_SIZENS;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT: return IDC_SIZENWSE;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: return IDC_SIZENESW;
        default: return nullptr;
    }
}

}  // namespace DuiLib
