#include "platform/duilib/window/combo_drop_window.h"

#include <algorithm>
#include <map>

#include "platform/duilib/controls/combo.h"
#include "platform/duilib/controls/vertical_layout.h"
#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/screen/monitor_from.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

constexpr DWORD kBackColor = 0xFFFFFFFF;
constexpr DWORD kBorderColor = 0xFFA7A6AA;

// The open drop-downs of this thread by window (the procedure finds its object here).
std::map<HWND, std::weak_ptr<CComboDropWindow>>& Registry() {
    thread_local std::map<HWND, std::weak_ptr<CComboDropWindow>> windows;
    return windows;
}

// Below the anchor, or above it when the work area has room there and not below; kept
// inside the work area.
RECT PlaceNextTo(const RECT& anchor, SIZE size) {
    RECT work{anchor.left, anchor.bottom, anchor.left + size.cx, anchor.bottom + size.cy};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (HMONITOR monitor = ::MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST); monitor && ::GetMonitorInfoW(monitor, &info)) {
        work = info.rcWork;
    }
    int y = anchor.bottom;
    const int roomBelow = work.bottom - anchor.bottom, roomAbove = anchor.top - work.top;
    if (size.cy > roomBelow && roomAbove > roomBelow) y = anchor.top - size.cy;
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - size.cy));
    const int x = std::max<int>(work.left, std::min<int>(anchor.left, work.right - size.cx));
    return RECT{x, y, x + size.cx, y + size.cy};
}

bool IsDropDownKey(WPARAM vk) {
    switch (vk) {
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_F4:
            return true;
        default:
            return false;
    }
}

}  // namespace

CComboDropWindow::CComboDropWindow(CComboUI* combo) : m_combo(combo) {
    auto* list = new CVerticalLayoutUI;
    list->SetAttribute(L"vscrollbar", L"true");
    list->SetBkColor(kBackColor);
    list->SetBorderColor(kBorderColor);
    list->SetBorderSize(1);
    list->SetInset(RECT{1, 1, 1, 1});
    m_list = list;
    m_pm.SetClearColor(kBackColor);
    m_pm.AttachDialog(list);
}

CComboDropWindow::~CComboDropWindow() {
    // The rows belong to the combo: never freed with this window's list.
    Close();
}

bool CComboDropWindow::Open(CPaintManagerUI* owner, const RECT& anchor, SIZE size,
                            const std::vector<CControlUI*>& rows, int hot) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &CComboDropWindow::WindowProc;
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    for (CControlUI* row : rows) m_list->Add(row);
    if (!registered || !owner) return false;
    m_owner = owner;
    // The rows keep the fonts of the window they come from.
    m_pm.Fonts() = owner->Fonts();
    const RECT rc = PlaceNextTo(anchor, size);
    // WS_EX_NOACTIVATE: override-redirect and never focused, so the owner stays active.
    m_hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, kClassName, L"", WS_POPUP, rc.left,
                               rc.top, rc.right - rc.left, rc.bottom - rc.top, owner->GetPaintWindow(), nullptr,
                               nullptr, nullptr);
    if (!m_hWnd) return false;
    Registry()[m_hWnd] = weak_from_this();
    m_pm.Init(m_hWnd);
    m_hot = hot >= 0 && hot < static_cast<int>(rows.size()) ? hot : -1;
    // Laid out now so the selected row can be scrolled into view before the first paint.
    m_list->SetPos(RECT{0, 0, rc.right - rc.left, rc.bottom - rc.top}, false);
    EnsureVisible(m_hot);
    owner->AddPreMessageFilter(this);
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::SetCapture(m_hWnd);
    return true;
}

std::vector<CControlUI*> CComboDropWindow::Close() {
    std::vector<CControlUI*> rows;
    if (m_closed) return rows;
    m_closed = true;
    m_combo = nullptr;
    if (m_owner) m_owner->RemovePreMessageFilter(this);
    m_owner = nullptr;
    while (m_list->GetCount() > 0) {
        rows.push_back(m_list->GetItemAt(0));
        m_list->RemoveAt(0, true);
    }
    if (m_hWnd) {
        if (::GetCapture() == m_hWnd) ::ReleaseCapture();
        if (!m_destroying) ::DestroyWindow(m_hWnd);
    }
    return rows;
}

void CComboDropWindow::CloseFromHere() {
    if (m_combo) m_combo->CloseDropDown();
}

LRESULT CComboDropWindow::WindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<CComboDropWindow> self;
    auto& registry = Registry();
    if (auto it = registry.find(hwnd); it != registry.end()) self = it->second.lock();
    if (uMsg == WM_NCDESTROY) registry.erase(hwnd);
    // Held until the handler returns: a pick or a close drops the combo's reference.
    if (!self) return ::DefWindowProcW(hwnd, uMsg, wParam, lParam);
    return self->HandleMessage(uMsg, wParam, lParam);
}

LRESULT CComboDropWindow::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    LRESULT lRes = 0;
    switch (uMsg) {
        case WM_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        case WM_MOUSEMOVE:
            if (const int row = RowAt(pt); row >= 0) SetHot(row);
            ForwardPointer(uMsg, wParam, lParam);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
            OnPress(pt, uMsg, wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            OnRelease(pt, wParam, lParam);
            return 0;
        case WM_RBUTTONUP:
            return 0;
        case WM_MOUSEWHEEL:
            ForwardPointer(uMsg, wParam, lParam);
            return 0;
        case WM_CAPTURECHANGED:
            // The grab went elsewhere (another window took it, or ours was lost).
            if (!m_forwarding && static_cast<HWND>(lParam) != m_hWnd) CloseFromHere();
            return 0;
        case WM_DESTROY:
            m_destroying = true;
            CloseFromHere();  // destroyed with its owner: the rows go back first
            m_pm.MessageHandler(uMsg, wParam, lParam, lRes);
            return 0;
        case WM_NCDESTROY:
            m_pm.Init(0);
            m_hWnd = 0;
            return 0;
        default:
            if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
            return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
    }
}

void CComboDropWindow::ForwardPointer(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (m_closed) return;
    // The paint manager takes and releases the pointer around its own clicks; the grab
    // of this window must outlive them.
    m_forwarding = true;
    LRESULT lRes = 0;
    m_pm.MessageHandler(uMsg, wParam, lParam, lRes);
    m_forwarding = false;
    if (!m_closed && m_hWnd && ::GetCapture() != m_hWnd) ::SetCapture(m_hWnd);
}

void CComboDropWindow::OnPress(POINT pt, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (!PtInRect(client, pt)) {
        CloseFromHere();  // outside: closes, the selection stays
        return;
    }
    if (uMsg == WM_RBUTTONDOWN) return;
    m_pressed = RowAt(pt);
    ForwardPointer(uMsg, wParam, lParam);
}

void CComboDropWindow::OnRelease(POINT pt, WPARAM wParam, LPARAM lParam) {
    const int pressed = m_pressed;
    m_pressed = -1;
    ForwardPointer(WM_LBUTTONUP, wParam, lParam);
    const int row = RowAt(pt);
    if (row < 0 || row != pressed || !m_combo) return;
    // Closes this window and raises "itemselect"; nothing here is used afterwards.
    m_combo->PickFromDropDown(row);
}

int CComboDropWindow::RowAt(POINT pt) const {
    if (m_closed) return -1;
    RECT area = m_list->GetPos();
    const RECT inset = m_list->GetInset();
    area = RECT{area.left + inset.left, area.top + inset.top, area.right - inset.right, area.bottom - inset.bottom};
    if (!PtInRect(area, pt)) return -1;
    for (int i = 0; i < m_list->GetCount(); ++i) {
        CControlUI* row = m_list->GetItemAt(i);
        if (row->IsVisible() && PtInRect(row->GetPos(), pt)) return i;
    }
    return -1;
}

void CComboDropWindow::SetHot(int index) {
    if (index == m_hot || m_closed) return;
    if (CControlUI* old = m_list->GetItemAt(m_hot)) old->Invalidate();
    m_hot = index;
    if (CControlUI* row = m_list->GetItemAt(m_hot)) row->Invalidate();
}

void CComboDropWindow::MoveHot(UINT vk) {
    const int count = m_list->GetCount();
    if (count == 0 || m_closed) return;
    int page = 1;
    if (CControlUI* first = m_list->GetItemAt(0); first && first->GetHeight() > 0) {
        page = std::max(1, (m_list->GetHeight() - 2) / first->GetHeight());
    }
    int next = m_hot;
    switch (vk) {
        case VK_UP: next = m_hot < 0 ? 0 : m_hot - 1; break;
        case VK_DOWN: next = m_hot + 1; break;
        case VK_PRIOR: next = m_hot - page; break;
        case VK_NEXT: next = m_hot < 0 ? page - 1 : m_hot + page; break;
        case VK_HOME: next = 0; break;
        case VK_END: next = count - 1; break;
        default: return;
    }
    SetHot(std::clamp(next, 0, count - 1));
    EnsureVisible(m_hot);
}

void CComboDropWindow::EnsureVisible(int index) {
    CControlUI* row = m_closed ? nullptr : m_list->GetItemAt(index);
    if (!row) return;
    const RECT list = m_list->GetPos(), inset = m_list->GetInset();
    const LONG top = list.top + inset.top, bottom = list.bottom - inset.bottom;
    const RECT rc = row->GetPos();
    SIZE pos = m_list->GetScrollPos();
    if (rc.top < top) {
        pos.cy -= top - rc.top;
    } else if (rc.bottom > bottom) {
        pos.cy += rc.bottom - bottom;
    } else {
        return;
    }
    m_list->SetScrollPos(pos);
}

LRESULT CComboDropWindow::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM /*lParam*/, bool& bHandled) {
    bHandled = false;
    if (m_closed) return 0;
    const std::shared_ptr<CComboDropWindow> keep = shared_from_this();  // a close drops the combo's reference
    // The combo was removed or hidden (its container, a tab switch): nothing to drop from.
    if (m_combo && !m_combo->IsInTree(true)) {
        CloseFromHere();
        return 0;
    }
    switch (uMsg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (IsDropDownKey(wParam) && m_combo) {
                const bool alt = uMsg == WM_SYSKEYDOWN || ::GetKeyState(VK_MENU) < 0;
                bHandled = m_combo->HandleDropDownKey(static_cast<UINT>(wParam), alt);
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) CloseFromHere();
            return 0;
        case WM_SHOWWINDOW:
            if (!wParam) CloseFromHere();
            return 0;
        case WM_MOVE:
        case WM_SIZE:
        case WM_DESTROY:
            CloseFromHere();
            return 0;
        default:
            return 0;
    }
}

}  // namespace DuiLib
