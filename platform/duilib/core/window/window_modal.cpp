// CWindowWnd::ShowModal: the nested loop of a modal window.
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/window/window_link.h"
#include "platform/duilib/core/window/window_wnd.h"

namespace DuiLib {

UINT CWindowWnd::ShowModal() {
    // The link outlives a loop whose window (or owner) is destroyed under it.
    const std::shared_ptr<window_detail::WindowLink> link = m_link;
    if (!link || !::IsWindow(m_hWnd)) return link && link->hasCloseCode ? link->closeCode : IDCANCEL;
    const HWND hwnd = m_hWnd;

    // An owner that is hidden or gone counts as none: nothing to disable, nothing to
    // give the focus back to.
    const HWND owner = (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) ? 0 : ::GetParent(hwnd);
    if (owner && ::IsWindow(owner) && ::IsWindowVisible(owner) && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);  // clicks and keys on it are dropped while we run
        link->modalOwner = owner;
    }
    zovi::platform::SetModalState(hwnd, true);
    ShowWindow(true, true);

    // Everything is dispatched (posted messages, every window's timers and input,
    // cross-process sends); the application's idle pass does not run in here.
    MSG msg{};
    while (link->hwnd.load()) {
        const BOOL got = ::GetMessageW(&msg, 0, 0, 0);
        if (got == -1) continue;
        if (!got) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            window_detail::ReleaseModalOwner(*link);
            if (const HWND still = link->hwnd.load()) ::DestroyWindow(still);
            break;
        }
        if (CPaintManagerUI::TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return link->hasCloseCode ? link->closeCode : IDCANCEL;
}

}  // namespace DuiLib
