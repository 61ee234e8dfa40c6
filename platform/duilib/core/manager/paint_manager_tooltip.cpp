// CPaintManagerUI: tooltips. After the pointer rests 500 ms on a control with tooltip
// text, the thread's tooltip window shows the text set last; it goes on leave, press,
// key, deactivation, when the control is hidden or removed, and after 10 s.
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/duilib/window/tooltip_window.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

constexpr UINT kShowDelayMs = 500;
constexpr UINT kShowTimeMs = 10000;

}  // namespace

void CPaintManagerUI::ToolTipPointerMoved() {
    CControlUI* hover = m_pEventHover;
    CControlUI* target = hover && !hover->GetToolTip().IsEmpty() ? hover : nullptr;
    if (target && target == m_impl->tipControl) {
        // Still moving on the control: the rest starts again, a shown tip stays.
        if (!m_impl->tipShown && m_hWndPaint) ::SetTimer(m_hWndPaint, kToolTipShowTimer, kShowDelayMs, nullptr);
        return;
    }
    HideToolTip();
    if (!target || !m_hWndPaint) return;
    m_impl->tipControl = target;
    ::SetTimer(m_hWndPaint, kToolTipShowTimer, kShowDelayMs, nullptr);
}

void CPaintManagerUI::ToolTipTimer(WPARAM id) {
    if (m_hWndPaint) ::KillTimer(m_hWndPaint, id);
    if (id == kToolTipHideTimer) {
        // Gone after its time; it comes back only when the pointer rests somewhere anew.
        if (m_impl->tipShown && CToolTipWindow::ForThread().Owner() == m_hWndPaint) CToolTipWindow::ForThread().Hide();
        m_impl->tipShown = false;
        return;
    }
    CControlUI* control = m_impl->tipControl;
    if (!control || control != m_pEventHover || m_pEventClick || !m_hWndPaint) return;
    const CDuiString text = control->GetToolTip();
    if (text.IsEmpty()) return;
    POINT screen = m_impl->lastMouse;
    ::ClientToScreen(m_hWndPaint, &screen);
    CToolTipWindow::ForThread().Show(m_hWndPaint, screen, text.str());
    m_impl->tipShown = true;
    ::SetTimer(m_hWndPaint, kToolTipHideTimer, kShowTimeMs, nullptr);
}

void CPaintManagerUI::HideToolTip() {
    if (m_hWndPaint && m_impl->tipControl) {
        ::KillTimer(m_hWndPaint, kToolTipShowTimer);
        ::KillTimer(m_hWndPaint, kToolTipHideTimer);
    }
    if (m_impl->tipShown && CToolTipWindow::ForThread().Owner() == m_hWndPaint) CToolTipWindow::ForThread().Hide();
    m_impl->tipShown = false;
    m_impl->tipControl = nullptr;
}

}  // namespace DuiLib
