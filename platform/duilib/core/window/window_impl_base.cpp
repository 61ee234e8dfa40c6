#include "platform/duilib/core/window/window_impl_base.h"

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/duilib/core/window/window_center.h"
#include "platform/duilib/core/window/window_hit_test.h"
#include "platform/duilib/core/window/window_link.h"
#include "platform/window/present.h"

namespace DuiLib {

namespace {

bool IsPointerMessage(UINT uMsg) {
    switch (uMsg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

bool IsPress(UINT uMsg) { return uMsg == WM_LBUTTONDOWN || uMsg == WM_LBUTTONDBLCLK; }

}  // namespace

DUI_BEGIN_MESSAGE_MAP(WindowImplBase, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
DUI_END_MESSAGE_MAP()

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
    // The native window must not reach this object's handlers while its parts die.
    DetachAndDestroy();
}

const wchar_t* WindowImplBase::GetSuperClassName() const { return CWindowWnd::GetSuperClassName(); }

UINT WindowImplBase::GetClassStyle() const { return CS_DBLCLKS; }

bool WindowImplBase::IsHTCaptionFlag() const { return true; }

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnClick(TNotifyUI&) {}

CDuiString WindowImplBase::GetSkinFolder() { return L""; }

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        Close(IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

UINT WindowImplBase::GetResourceType() const { return UILIB_ZIPRESOURCE; }

CDuiString WindowImplBase::GetZIPFileName() const { return L""; }

UINT WindowImplBase::GetResourceID() const { return kSkinResourceId; }

LONG WindowImplBase::GetStyle() { return static_cast<LONG>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }

BOOL WindowImplBase::SetWindowPlacement(const WINDOWPLACEMENT* placement) {
    return placement && m_hWnd ? ::SetWindowPlacement(m_hWnd, placement) : FALSE;
}

BOOL WindowImplBase::GetWindowPlacement(WINDOWPLACEMENT* placement) {
    return placement && m_hWnd ? ::GetWindowPlacement(m_hWnd, placement) : FALSE;
}

void WindowImplBase::Notify(TNotifyUI& msg) { NotifyPump(msg); }

LRESULT WindowImplBase::MessageHandler(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t*) { return nullptr; }

// Thin defaults: they leave the message to the next step.
#define DUI_PASS_ON_HANDLER(name)                                                      \
    LRESULT WindowImplBase::name(UINT, WPARAM, LPARAM, BOOL& bHandled) {               \
        bHandled = FALSE;                                                              \
        return 0;                                                                      \
    }
DUI_PASS_ON_HANDLER(OnClose)
DUI_PASS_ON_HANDLER(OnDestroy)
DUI_PASS_ON_HANDLER(OnNcActivate)
DUI_PASS_ON_HANDLER(OnNcCalcSize)
DUI_PASS_ON_HANDLER(OnNcPaint)
DUI_PASS_ON_HANDLER(OnGetMinMaxInfo)
DUI_PASS_ON_HANDLER(OnMouseWheel)
DUI_PASS_ON_HANDLER(OnMouseHover)
DUI_PASS_ON_HANDLER(OnSize)
DUI_PASS_ON_HANDLER(OnChar)
DUI_PASS_ON_HANDLER(OnKeyDown)
DUI_PASS_ON_HANDLER(OnKillFocus)
DUI_PASS_ON_HANDLER(OnSetFocus)
DUI_PASS_ON_HANDLER(OnLButtonDown)
DUI_PASS_ON_HANDLER(OnLButtonUp)
DUI_PASS_ON_HANDLER(OnMouseMove)
DUI_PASS_ON_HANDLER(HandleCustomMessage)
DUI_PASS_ON_HANDLER(OnTimer)
DUI_PASS_ON_HANDLER(OnPaint)
DUI_PASS_ON_HANDLER(OnCommand)
#undef DUI_PASS_ON_HANDLER

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT client{};
    ::ScreenToClient(m_hWnd, &pt);
    ::GetClientRect(m_hWnd, &client);
    THitTestInput input;
    input.client = SIZE{client.right - client.left, client.bottom - client.top};
    input.sizeBox = m_pm.GetSizeBox();
    input.caption = m_pm.GetCaptionRect();
    input.zoomed = ::IsZoomed(m_hWnd) != FALSE;
    input.captionEnabled = IsHTCaptionFlag();
    return WindowHitTest(input, pt, &m_pm);
}

LRESULT WindowImplBase::OnSetCursor(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    const auto code = static_cast<LRESULT>(static_cast<short>(LOWORD(lParam)));
    if (const wchar_t* cursor = EdgeCursorFor(code)) {
        ::SetCursor(::LoadCursorW(nullptr, cursor));
        return TRUE;
    }
    bHandled = FALSE;  // the control under the pointer chooses
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    switch (wParam & 0xFFF0) {
        case SC_CLOSE: Close(IDCANCEL); return 0;
        case SC_MAXIMIZE: Maximize(); return 0;
        case SC_RESTORE: Restore(); return 0;
        case SC_MINIMIZE: ::ShowWindow(m_hWnd, SW_MINIMIZE); return 0;
        default: bHandled = FALSE; return 0;
    }
}

void WindowImplBase::Maximize() {
    window_detail::WindowLink* link = Link();
    RECT work{}, current{};
    if (!link || link->zoomed || !::GetWindowRect(m_hWnd, &current) || !WorkAreaOfWindow(m_hWnd, &work)) return;
    link->normalRect = current;
    link->zoomed = true;
    ::SetWindowPos(m_hWnd, 0, work.left, work.top, work.right - work.left, work.bottom - work.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowImplBase::Restore() {
    window_detail::WindowLink* link = Link();
    if (!link || !link->zoomed) {
        ::ShowWindow(m_hWnd, SW_RESTORE);  // from minimised
        return;
    }
    link->zoomed = false;
    const RECT& rc = link->normalRect;
    ::SetWindowPos(m_hWnd, 0, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    m_pm.Init(m_hWnd);
    m_pm.AddNotifier(this);
    m_pm.AddPreMessageFilter(this);

    // The layout: inline XML, or a file of the skin under the skin folder ("" = root).
    const CDuiString file = GetSkinFile();
    CDuiString source = file;
    if (!file.IsEmpty() && file.GetData()[0] != L'<') {
        CDuiString folder = GetSkinFolder();
        if (!folder.IsEmpty() && folder.str().back() != L'/' && folder.str().back() != L'\\') folder += L"/";
        source = folder + file;
    }
    CDialogBuilder builder;
    CControlUI* root = builder.Create(source.GetData(), nullptr, this, &m_pm);
    // A missing layout was logged by the builder; the window stays, empty.

    ApplyLayoutSize();
    m_pm.ApplyWindowShape();  // layered image, round corners: before the first map
    m_pm.AttachDialog(root);
    if (root) {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        root->SetPos(client, false);
    }
    InitWindow();
    return 0;
}

void WindowImplBase::ApplyLayoutSize() {
    window_detail::WindowLink* link = Link();
    RECT rc{};
    if (!::GetWindowRect(m_hWnd, &rc)) return;
    SIZE size = m_pm.GetInitSize();
    if (size.cx <= 0 || size.cy <= 0) size = SIZE{rc.right - rc.left, rc.bottom - rc.top};
    POINT at{rc.left, rc.top};
    RECT work{};
    if (link && link->defaultPosition && WorkAreaUnderPointer(&work)) {
        const RECT centred = CenterIn(work, size);
        at = POINT{centred.left, centred.top};
    }
    // A child window's rectangle is on the screen but its position is in its parent: it stays.
    const UINT keep = (::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD) ? SWP_NOMOVE : 0;
    ::SetWindowPos(m_hWnd, 0, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | keep);
}

void WindowImplBase::OnFinalMessage(HWND) {
    // The tree stays until the object dies; late calls on it change controls only.
    m_pm.Init(0);
}

POINT WindowImplBase::DragPointerOf(LPARAM lParam) const {
    if (zovi::platform::OffscreenWindowsInUse()) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(m_hWnd, &pt);
        return pt;
    }
    // While the window moves under the pointer only the event's own root position is
    // right: its client point is relative to where the X server had the window then.
    const DWORD pos = ::GetMessagePos();
    return POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
}

bool WindowImplBase::PreparePointerMessage(UINT uMsg, LPARAM lParam) {
    if (m_drag.Active()) {
        if (uMsg == WM_MOUSEMOVE || uMsg == WM_LBUTTONUP) {
            // Only the newest of the motions waiting next in the queue counts.
            MSG next{};
            while (uMsg == WM_MOUSEMOVE && ::PeekMessageW(&next, 0, 0, 0, PM_NOREMOVE) &&
                   next.hwnd == m_hWnd && next.message == WM_MOUSEMOVE &&
                   ::PeekMessageW(&next, m_hWnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) {
                lParam = next.lParam;
            }
            m_drag.Move(DragPointerOf(lParam));
            if (uMsg == WM_LBUTTONUP) m_drag.End();
        }
        return true;  // the drag has the pointer
    }
    if (m_lastHitCode == HTNOWHERE) return true;  // the window made itself inert
    if (IsPress(uMsg) && (m_lastHitCode == HTCAPTION || IsSizeCode(m_lastHitCode)) && !::IsZoomed(m_hWnd)) {
        m_drag.Begin(m_hWnd, m_lastHitCode, DragPointerOf(lParam), m_pm.GetMinInfo());
        return true;
    }
    return false;
}

bool WindowImplBase::DefaultKey(WPARAM key) {
    if (ResponseDefaultKeyEvent(key)) return true;
    if (key == VK_RETURN) return m_pm.HandleReturnKey();
    return false;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT lRes = 0;
    // The library's control timers go to their controls before the window sees them.
    if (uMsg == WM_TIMER && CPaintManagerUI::IsControlTimer(wParam)) {
        m_pm.MessageHandler(uMsg, wParam, lParam, lRes);
        return lRes;
    }
    // The platform sends WM_SETCURSOR with the hit code before each pointer message.
    if (uMsg == WM_SETCURSOR) m_lastHitCode = static_cast<short>(LOWORD(lParam));
    // Round corners follow the size (and go while maximised).
    if (uMsg == WM_SIZE) m_pm.ApplyWindowShape();
    if (IsPointerMessage(uMsg) && PreparePointerMessage(uMsg, lParam)) return 0;
    if (m_drag.Active()) {
        if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
            m_drag.End();
            return 0;
        }
        if (uMsg == WM_CAPTURECHANGED || (uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE)) {
            m_drag.End(uMsg == WM_CAPTURECHANGED);
        }
    }

    BOOL bHandled = FALSE;
    lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled) return lRes;
    // The pre-message filters registered with the paint manager (this window among them).
    if (m_pm.PreMessageHandler(uMsg, wParam, lParam, lRes)) return lRes;

    bHandled = TRUE;
    switch (uMsg) {
        case WM_CREATE: lRes = OnCreate(uMsg, wParam, lParam, bHandled); break;
        case WM_CLOSE: lRes = OnClose(uMsg, wParam, lParam, bHandled); break;
        case WM_DESTROY: lRes = OnDestroy(uMsg, wParam, lParam, bHandled); break;
        case WM_NCACTIVATE: lRes = OnNcActivate(uMsg, wParam, lParam, bHandled); break;
        case WM_NCCALCSIZE: lRes = OnNcCalcSize(uMsg, wParam, lParam, bHandled); break;
        case WM_NCPAINT: lRes = OnNcPaint(uMsg, wParam, lParam, bHandled); break;
        case WM_NCHITTEST: lRes = OnNcHitTest(uMsg, wParam, lParam, bHandled); break;
        case WM_GETMINMAXINFO: lRes = OnGetMinMaxInfo(uMsg, wParam, lParam, bHandled); break;
        case WM_MOUSEWHEEL: lRes = OnMouseWheel(uMsg, wParam, lParam, bHandled); break;
        case WM_MOUSEHOVER: lRes = OnMouseHover(uMsg, wParam, lParam, bHandled); break;
        case WM_SIZE: lRes = OnSize(uMsg, wParam, lParam, bHandled); break;
        case WM_CHAR: lRes = OnChar(uMsg, wParam, lParam, bHandled); break;
        case WM_SYSCOMMAND: lRes = OnSysCommand(uMsg, wParam, lParam, bHandled); break;
        case WM_KEYDOWN: lRes = OnKeyDown(uMsg, wParam, lParam, bHandled); break;
        case WM_KILLFOCUS: lRes = OnKillFocus(uMsg, wParam, lParam, bHandled); break;
        case WM_SETFOCUS: lRes = OnSetFocus(uMsg, wParam, lParam, bHandled); break;
        case WM_LBUTTONDOWN: lRes = OnLButtonDown(uMsg, wParam, lParam, bHandled); break;
        case WM_LBUTTONUP: lRes = OnLButtonUp(uMsg, wParam, lParam, bHandled); break;
        case WM_MOUSEMOVE: lRes = OnMouseMove(uMsg, wParam, lParam, bHandled); break;
        case WM_TIMER: lRes = OnTimer(uMsg, wParam, lParam, bHandled); break;
        case WM_PAINT: lRes = OnPaint(uMsg, wParam, lParam, bHandled); break;
        case WM_COMMAND: lRes = OnCommand(uMsg, wParam, lParam, bHandled); break;
        case WM_SETCURSOR: lRes = OnSetCursor(uMsg, wParam, lParam, bHandled); break;
        default: bHandled = FALSE; break;
    }
    if (bHandled) return lRes;

    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;

    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE) && DefaultKey(wParam)) return 0;
    if (uMsg == WM_KEYDOWN && wParam == VK_TAB && m_pm.GetRoot()) {
        m_pm.SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
        return 0;
    }
    if (uMsg == WM_SETCURSOR) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
