// CPaintManagerUI: the window's messages turned into control events — hover with
// enter/leave, capture of the pressed control, clicks, the wheel, keys to the focused
// control, focus, the cursor — and the entry point MessageHandler.
#include <algorithm>
#include <functional>
#include <memory>

#include "platform/base/clock.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager_impl.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

// Modifier bits of an event (MK_ values; Alt as 0x20) from the thread's key state.
WORD CurrentKeyState() {
    WORD state = 0;
    if (::GetKeyState(VK_SHIFT) < 0) state |= MK_SHIFT;
    if (::GetKeyState(VK_CONTROL) < 0) state |= MK_CONTROL;
    if (::GetKeyState(VK_MENU) < 0) state |= 0x20;
    if (::GetKeyState(VK_LBUTTON) < 0) state |= MK_LBUTTON;
    return state;
}

bool IsMouseMessage(UINT uMsg) {
    switch (uMsg) {
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_MOUSEWHEEL:
            return true;
        default:
            return false;
    }
}

bool IsKeyMessage(UINT uMsg) {
    return uMsg == WM_KEYDOWN || uMsg == WM_SYSKEYDOWN || uMsg == WM_KEYUP || uMsg == WM_SYSKEYUP || uMsg == WM_CHAR;
}

// Counts the manager's handlers on the stack (the delayed free waits for none). When the
// outermost one returns with removed controls waiting, a message of our own makes sure
// the loop comes back to free them.
class NestingScope {
public:
    NestingScope(int& count, const std::shared_ptr<bool>& alive, std::function<void()> outermostDone)
        : count_(count), alive_(alive), outermostDone_(std::move(outermostDone)) {
        ++count_;
    }
    ~NestingScope() {
        if (!*alive_) return;  // the manager went with a handler's window
        if (--count_ == 0) outermostDone_();
    }
    NestingScope(const NestingScope&) = delete;
    NestingScope& operator=(const NestingScope&) = delete;

private:
    int& count_;
    std::shared_ptr<bool> alive_;
    std::function<void()> outermostDone_;
};

}  // namespace

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    lRes = 0;
    CheckThread();
    if (m_impl->handlerNesting == 0) ReapDelayed(false);
    if (uMsg == WM_TIMER && IsControlTimer(wParam)) return OnLibraryTimer(wParam);
    switch (uMsg) {
        case WM_SIZE:
            m_impl->client = SIZE{LOWORD(lParam), HIWORD(lParam)};
            if (m_pRoot) m_pRoot->NeedUpdate();
            m_bUpdateNeeded = true;
            Invalidate();
            return false;
        case WM_SHOWWINDOW:
            if (wParam) return false;
            [[fallthrough]];
        case WM_DESTROY:
            HideToolTip();
            CancelCapture();
            return false;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HideToolTip();
                CancelCapture();
            }
            return false;
        case WM_CAPTURECHANGED:
            // Lost to someone else (a grab, another window): the pressed control lets go.
            if (m_pEventClick && static_cast<HWND>(lParam) != m_hWndPaint) {
                m_bMouseCapture = false;
                CancelCapture();
            }
            return false;
        default:
            break;
    }
    if (!m_pRoot) return false;  // a manager without controls passes everything on
    const NestingScope nesting(m_impl->handlerNesting, m_impl->alive, [this] {
        if (m_impl->delayed.empty() || !m_hWndPaint || m_impl->reapPosted) return;
        // Only once the code that removed a control can have returned: a handler deeper
        // than every removal (inside a nested loop) leaves it to the outer one, or the
        // nested loop would spin on its own wake-up messages.
        const int depth = zovi::platform::DispatchDepth();
        const bool reachable = std::any_of(m_impl->delayed.begin(), m_impl->delayed.end(),
                                           [depth](const Impl::Delayed& d) { return d.depth >= depth; });
        if (reachable) m_impl->reapPosted = ::PostMessageW(m_hWndPaint, WM_NULL, 0, 0) != FALSE;
    });
    if (uMsg == WM_PAINT) {
        if (!m_hWndPaint) return false;
        PaintWindow();
        return true;
    }
    if (uMsg == WM_SETCURSOR) {
        if (!HandleSetCursor(lParam)) return false;
        lRes = TRUE;
        return true;
    }
    if (IsMouseMessage(uMsg)) return HandleMouse(uMsg, wParam, lParam);
    if (IsKeyMessage(uMsg)) return HandleKey(uMsg, wParam, lParam);
    return false;
}

void CPaintManagerUI::SendEvent(CControlUI* control, int type, POINT pt, WPARAM wParam, LPARAM lParam, wchar_t key,
                                WORD keyState) {
    if (!control) return;
    TEventUI event;
    event.Type = type;
    event.pSender = control;
    event.dwTimestamp = static_cast<DWORD>(::GetTickCount64());
    event.ptMouse = pt;
    event.chKey = key;
    event.wKeyState = keyState;
    event.wParam = wParam;
    event.lParam = lParam;
    control->DoEvent(event);
}

void CPaintManagerUI::UpdateHover(POINT pt) {
    if (m_pEventClick) return;  // while a button is held the pressed control keeps the pointer
    CControlUI* now = FindControl(pt);
    if (now == m_pEventHover) return;
    CControlUI* old = m_pEventHover;
    m_pEventHover = now;
    const std::shared_ptr<bool> alive = m_impl->alive;
    if (old) SendEvent(old, UIEVENT_MOUSELEAVE, pt);
    if (*alive && now && m_pEventHover == now) SendEvent(now, UIEVENT_MOUSEENTER, pt);
}

bool CPaintManagerUI::HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const WORD keyState = static_cast<WORD>(wParam);
    const std::shared_ptr<bool> alive = m_impl->alive;
    switch (uMsg) {
        case WM_MOUSEMOVE:
            m_impl->lastMouse = pt;
            if (m_pEventClick) {
                SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE, pt, wParam, lParam, 0, keyState);
                return true;
            }
            UpdateHover(pt);
            if (!*alive) return true;
            if (m_pEventHover) SendEvent(m_pEventHover, UIEVENT_MOUSEMOVE, pt, wParam, lParam, 0, keyState);
            if (*alive) ToolTipPointerMoved();
            return true;
        case WM_MOUSELEAVE: {
            HideToolTip();
            m_impl->tipControl = nullptr;
            if (m_pEventClick) return true;  // the release decides where the pointer is
            CControlUI* old = m_pEventHover;
            m_pEventHover = nullptr;
            if (old) SendEvent(old, UIEVENT_MOUSELEAVE, m_impl->lastMouse);
            return true;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            HideToolTip();
            m_impl->lastMouse = pt;
            UpdateHover(pt);
            if (!*alive) return true;
            CControlUI* control = FindControl(pt);
            if (!control) return false;
            if (!control->IsEnabled()) return true;  // found, so it swallows the press
            m_pEventClick = control;
            if (control->GetControlFlags() & UIFLAG_TABSTOP) SetFocus(control);
            if (!*alive || m_pEventClick != control) return true;
            SetCapture();
            SendEvent(control, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, wParam, lParam, 0,
                      keyState);
            return true;
        }
        case WM_LBUTTONUP: {
            m_impl->lastMouse = pt;
            CControlUI* control = m_pEventClick;
            m_pEventClick = nullptr;
            ReleaseCapture();
            if (!control) return false;
            SendEvent(control, UIEVENT_BUTTONUP, pt, wParam, lParam, 0, keyState);
            // The click's handlers may have closed the window or changed the tree.
            if (*alive) UpdateHover(m_impl->lastMouse);
            return true;
        }
        case WM_RBUTTONDOWN: {
            HideToolTip();
            CControlUI* control = FindControl(pt);
            if (!control) return false;
            if (control->IsEnabled()) SendEvent(control, UIEVENT_CONTEXTMENU, pt, wParam, lParam, 0, keyState);
            return true;
        }
        case WM_MOUSEWHEEL: {
            // The wheel's point is in screen coordinates.
            POINT at = pt;
            if (m_hWndPaint) ::ScreenToClient(m_hWndPaint, &at);
            CControlUI* control = FindControl(at);
            if (!control) return false;
            // 0: away from the user, 1: towards; unused, it travels up to the parents.
            const WPARAM direction = GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 0 : 1;
            SendEvent(control, UIEVENT_SCROLLWHEEL, at, direction, lParam, 0, LOWORD(wParam));
            return true;
        }
        default:
            return false;
    }
}

bool CPaintManagerUI::HandleKey(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_KEYDOWN || uMsg == WM_SYSKEYDOWN) HideToolTip();
    CControlUI* focus = m_pFocus;
    if (!focus) return false;
    const WORD keyState = CurrentKeyState();
    const auto key = static_cast<wchar_t>(wParam);
    switch (uMsg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            // Enter, Escape and Tab go on to the window's default handling unless the
            // focused control takes them itself.
            const bool passOn =
                (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_TAB) && !focus->WantsKey(static_cast<UINT>(wParam));
            SendEvent(focus, uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : UIEVENT_SYSKEY, m_impl->lastMouse, wParam, lParam, key,
                      keyState);
            return !passOn;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP:
            SendEvent(focus, UIEVENT_KEYUP, m_impl->lastMouse, wParam, lParam, key, keyState);
            return true;
        case WM_CHAR: {
            // The characters of Enter, Escape and Tab belong to the key the window handled
            // (the new focus of a Tab must not get its tab character).
            const UINT vk = wParam == L'\r' ? VK_RETURN : wParam == 0x1B ? VK_ESCAPE : wParam == L'\t' ? VK_TAB : 0;
            if (vk != 0 && !focus->WantsKey(vk)) return false;
            SendEvent(focus, UIEVENT_CHAR, m_impl->lastMouse, wParam, lParam, key, keyState);
            return true;
        }
        default:
            return false;
    }
}

bool CPaintManagerUI::HandleSetCursor(LPARAM lParam) {
    if (static_cast<short>(LOWORD(lParam)) != HTCLIENT) return false;
    POINT pt{};
    if (!m_hWndPaint || !::GetCursorPos(&pt) || !::ScreenToClient(m_hWndPaint, &pt)) pt = m_impl->lastMouse;
    CControlUI* control = m_pEventClick ? m_pEventClick : FindControl(pt);
    if (!control) return false;
    SendEvent(control, UIEVENT_SETCURSOR, pt, 0, lParam);
    return true;
}

void CPaintManagerUI::SetCursorShape(const wchar_t* cursor) { ::SetCursor(::LoadCursorW(nullptr, cursor)); }

void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == m_pFocus) return;
    if (control && (control->GetManager() != this || !control->IsVisible() || !control->IsEnabled())) return;
    CControlUI* old = m_pFocus;
    m_pFocus = control;
    const std::shared_ptr<bool> alive = m_impl->alive;
    // Both repaint (a focus border), whatever their own handling of the events does.
    if (old) {
        old->m_bFocused = false;
        old->Invalidate();
        SendEvent(old, UIEVENT_KILLFOCUS, m_impl->lastMouse, reinterpret_cast<WPARAM>(control));
    }
    if (*alive && control && m_pFocus == control) {
        control->m_bFocused = true;
        control->Invalidate();
        SendEvent(control, UIEVENT_SETFOCUS, m_impl->lastMouse, reinterpret_cast<WPARAM>(old));
    }
}

void CPaintManagerUI::SetCapture() {
    m_bMouseCapture = true;
    if (m_hWndPaint) ::SetCapture(m_hWndPaint);
}

void CPaintManagerUI::ReleaseCapture() {
    if (!m_bMouseCapture) return;
    m_bMouseCapture = false;  // first: releasing sends WM_CAPTURECHANGED back here
    if (m_hWndPaint && ::GetCapture() == m_hWndPaint) ::ReleaseCapture();
}

void CPaintManagerUI::CancelCapture() {
    CControlUI* control = m_pEventClick;
    m_pEventClick = nullptr;
    ReleaseCapture();
    if (control) SendEvent(control, UIEVENT_BUTTONUP, m_impl->lastMouse);
}

bool CPaintManagerUI::HandleReturnKey() {
    CControlUI* sender = m_pFocus ? m_pFocus : m_pRoot;
    if (!sender) return false;
    SendNotify(sender, DUI_MSGTYPE_RETURN);
    return true;
}

}  // namespace DuiLib
