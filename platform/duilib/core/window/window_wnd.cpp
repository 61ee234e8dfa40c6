#include "platform/duilib/core/window/window_wnd.h"

#include <unordered_map>

#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/duilib/core/window/window_icon.h"
#include "platform/duilib/core/window/window_link.h"
#include "platform/base/last_error.h"
#include "platform/window/process_ids.h"

namespace DuiLib {

using window_detail::FindLink;
using window_detail::LinkPtr;
using window_detail::WindowLink;

namespace {
constexpr DWORD kErrorClassAlreadyExists = 1410;
}  // namespace

namespace window_detail {

namespace {
std::unordered_map<HWND, LinkPtr>& Links() {
    thread_local std::unordered_map<HWND, LinkPtr> links;
    return links;
}
}  // namespace

void RegisterLink(HWND hwnd, const LinkPtr& link) { Links()[hwnd] = link; }

LinkPtr FindLink(HWND hwnd) {
    auto& links = Links();
    auto it = links.find(hwnd);
    return it == links.end() ? nullptr : it->second;
}

void ForgetLink(HWND hwnd) { Links().erase(hwnd); }

void ReleaseModalOwner(WindowLink& link) {
    const HWND owner = link.modalOwner;
    if (!owner) return;
    link.modalOwner = 0;
    const bool wasActive = link.hwnd.load() && ::GetActiveWindow() == link.hwnd.load();
    ::EnableWindow(owner, TRUE);
    if (wasActive && ::IsWindowVisible(owner)) ::SetForegroundWindow(owner);
}

}  // namespace window_detail

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() { DetachAndDestroy(); }

void CWindowWnd::DetachAndDestroy() {
    if (!m_link) return;
    m_link->wnd.store(nullptr);
    const HWND hwnd = m_link->hwnd.load();
    if (!hwnd) return;
    if (GetCurrentThreadId() == m_link->threadId) {
        ::DestroyWindow(hwnd);  // its messages now take the default processing
        m_hWnd = 0;
        return;
    }
    // The safety net: only plain memory is freed here; the UI thread destroys the window.
    LogOnce(L"window-destroyed-off-ui-thread", L"window object destroyed off the UI thread");
    ::PostMessageW(hwnd, WM_DUI_DESTROY_ORPHAN, 0, 0);
}

const wchar_t* CWindowWnd::GetSuperClassName() const { return nullptr; }

UINT CWindowWnd::GetClassStyle() const { return 0; }

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::WindowProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.lpszClassName = GetWindowClassName();
    if (::RegisterClassExW(&wc)) return true;
    // Registered before by another object of the class: fine when it is ours.
    return ::GetLastError() == kErrorClassAlreadyExists;
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc,
                        HMENU menu) {
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy, HMENU menu) {
    if (m_link && m_link->hwnd.load()) {
        LogError(L"CWindowWnd::Create: the window already exists");
        return 0;
    }
    if (!GetWindowClassName() || !RegisterWindowClass()) {
        LogError(L"CWindowWnd::Create: the window class cannot be registered");
        return 0;
    }
    // A dead owner is no owner (a late reply may show a box owned by a closed window).
    if (parent && !::IsWindow(parent) && !(style & WS_CHILD)) parent = 0;
    m_link = std::make_shared<WindowLink>();
    m_link->wnd.store(this);
    m_link->threadId = GetCurrentThreadId();
    m_link->defaultPosition = (x == CW_USEDEFAULT) && !(style & WS_CHILD);
    const HWND hwnd = ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                                        CPaintManagerUI::GetInstance(), this);
    if (!hwnd) LogError(L"CWindowWnd::Create: no window for class " + std::wstring(GetWindowClassName()));
    return hwnd;
}

LRESULT CWindowWnd::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LinkPtr link;
    if (uMsg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<CWindowWnd*>(create->lpCreateParams);
        link = self->m_link;
        link->hwnd.store(hWnd);
        window_detail::RegisterLink(hWnd, link);
        self->m_hWnd = hWnd;
        // Every library window is undecorated: the base draws the caption and moves it.
        if (!(create->style & WS_CHILD)) zovi::platform::SetWindowUndecorated(hWnd);
    } else {
        link = FindLink(hWnd);
    }
    if (!link) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);

    // What concerns the native window whether or not its object is alive.
    if (uMsg == WM_CLOSE) {
        link->hasCloseCode = true;
        link->closeCode = static_cast<UINT>(wParam);
    } else if (uMsg == WM_DESTROY) {
        window_detail::ReleaseModalOwner(*link);
    }

    CWindowWnd* self = link->wnd.load();
    if (!self) {
        if (uMsg == WM_DUI_DESTROY_ORPHAN) {
            ::DestroyWindow(hWnd);
            return 0;
        }
        if (uMsg == WM_NCDESTROY) {
            link->hwnd.store(0);
            window_detail::ForgetLink(hWnd);
        }
        return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
    if (uMsg != WM_NCDESTROY) return self->HandleMessage(uMsg, wParam, lParam);

    const LRESULT result = self->HandleMessage(uMsg, wParam, lParam);
    link->hwnd.store(0);
    window_detail::ForgetLink(hWnd);
    self->m_hWnd = 0;
    self->OnFinalMessage(hWnd);  // last: it may release the object
    return result;
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // The default WM_CLOSE destroys the window: a modal owner is enabled (and activated)
    // before the window is hidden, so the focus goes back to it.
    if (uMsg == WM_CLOSE && m_link) window_detail::ReleaseModalOwner(*m_link);
    return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!::IsWindow(m_hWnd)) return;
    ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::Close(UINT code) {
    if (::IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, code, 0);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? ::SendMessageW(m_hWnd, uMsg, wParam, lParam) : 0;
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? ::PostMessageW(m_hWnd, uMsg, wParam, lParam) : FALSE;
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT rc{};
    if (!m_hWnd || !::GetClientRect(m_hWnd, &rc)) return;
    if (cx < 0) cx = rc.right - rc.left;
    if (cy < 0) cy = rc.bottom - rc.top;
    ::SetWindowPos(m_hWnd, 0, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
    if (!::IsWindow(m_hWnd)) return;
    std::vector<zovi::platform::IconImage> images = LoadSkinIcon(resourceId);
    if (images.empty()) return;  // logged by the loader
    zovi::platform::SetWindowIcon(m_hWnd, images);
}

CWindowWnd* CWindowWnd::FromHandle(HWND hwnd) {
    LinkPtr link = FindLink(hwnd);
    return link ? link->wnd.load() : nullptr;
}

}  // namespace DuiLib

BOOL IsZoomed(HWND hwnd) {
    DuiLib::window_detail::LinkPtr link = DuiLib::window_detail::FindLink(hwnd);
    return link && link->zoomed ? TRUE : FALSE;
}
