// CPaintManagerUI: the window-level shapes its attributes ask for, the layered image's
// window form and the round corners.
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/window/window_wnd.h"
#include "platform/window/layered.h"
#include "platform/window/region.h"
#include "platform/window/window.h"

namespace DuiLib {

void CPaintManagerUI::ApplyWindowShape() {
    if (!m_hWndPaint) return;
    if (IsLayered()) {
        // The layered image is the whole look; the countdown it serves takes no clicks.
        zovi::platform::MakeWindowLayered(m_hWndPaint, false);
        return;
    }
    if (m_szRoundCorner.cx <= 0 || m_szRoundCorner.cy <= 0) return;
    RECT rc{};
    if (!::GetClientRect(m_hWndPaint, &rc)) return;
    if (::IsZoomed(m_hWndPaint)) {
        ::SetWindowRgn(m_hWndPaint, nullptr, TRUE);
        return;
    }
    HRGN region = ::CreateRoundRectRgn(0, 0, rc.right, rc.bottom, m_szRoundCorner.cx, m_szRoundCorner.cy);
    if (region && !::SetWindowRgn(m_hWndPaint, region, TRUE)) ::DeleteObject(region);
}

}  // namespace DuiLib
