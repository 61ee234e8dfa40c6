// CPaintManagerUI: the library's control timers, mapped onto window timers with ids from
// kFirstControlTimer up and routed to the control's DoEvent(UIEVENT_TIMER) (wParam: the
// control's own id). They never reach the window's handlers.
#include <algorithm>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/window/window.h"

namespace DuiLib {

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT timerId, UINT elapse) {
    if (!control || !m_hWndPaint || !::IsWindow(m_hWndPaint)) return false;
    auto& timers = m_impl->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Impl::Timer& t) { return t.control == control && t.id == timerId; });
    // Re-arming keeps the window timer's id.
    const UINT_PTR windowId = it != timers.end() ? it->windowId : m_impl->nextTimerId;
    if (!::SetTimer(m_hWndPaint, windowId, elapse, nullptr)) return false;
    if (it == timers.end()) {
        timers.push_back(Impl::Timer{control, timerId, windowId});
        // Ids below the tooltip's, never reused while this window lives.
        if (++m_impl->nextTimerId >= kToolTipShowTimer) m_impl->nextTimerId = kFirstControlTimer;
    }
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT timerId) {
    auto& timers = m_impl->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Impl::Timer& t) { return t.control == control && t.id == timerId; });
    if (it == timers.end()) return false;
    if (m_hWndPaint) ::KillTimer(m_hWndPaint, it->windowId);
    timers.erase(it);
    return true;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    std::erase_if(m_impl->timers, [&](const Impl::Timer& t) {
        if (t.control != control) return false;
        if (m_hWndPaint) ::KillTimer(m_hWndPaint, t.windowId);
        return true;
    });
}

bool CPaintManagerUI::OnLibraryTimer(WPARAM id) {
    if (id == kToolTipShowTimer || id == kToolTipHideTimer) {
        ToolTipTimer(id);
        return true;
    }
    const auto& timers = m_impl->timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const Impl::Timer& t) { return t.windowId == id; });
    if (it == timers.end()) {
        // A timer whose control is gone: stop it.
        if (m_hWndPaint) ::KillTimer(m_hWndPaint, id);
        return true;
    }
    SendEvent(it->control, UIEVENT_TIMER, m_impl->lastMouse, it->id);
    return true;
}

}  // namespace DuiLib
