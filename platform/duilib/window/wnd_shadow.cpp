#include "platform/duilib/window/wnd_shadow.h"

#include <cairo.h>

#include <map>
#include <string>

#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/duilib/core/window/window_wnd.h"
#include "platform/base/last_error.h"
#include "platform/gdi/paint_context.h"
#include "platform/window/layered.h"
#include "platform/window/window.h"

namespace DuiLib {

namespace {

HINSTANCE gInstance = nullptr;
constexpr const wchar_t* kShadowClass = L"DuiWndShadow";

// The shadows of this thread by target.
std::map<HWND, CWndShadow*>& Shadows() {
    thread_local std::map<HWND, CWndShadow*> shadows;
    return shadows;
}

bool RegisterShadowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = gInstance;
    wc.lpszClassName = kShadowClass;
    constexpr DWORD kErrorClassAlreadyExists = 1410;
    return ::RegisterClassExW(&wc) || ::GetLastError() == kErrorClassAlreadyExists;
}

}  // namespace

bool CWndShadow::Initialize(HINSTANCE instance) {
    gInstance = instance;
    return true;
}

CWndShadow::~CWndShadow() { Destroy(); }

bool CWndShadow::SetImage(const wchar_t* image, RECT corner, RECT holeOffset) {
    if (!image || !*image) return false;
    m_sImage = image;
    m_rcCorner = corner;
    m_rcHoleOffset = holeOffset;
    return true;
}

bool CWndShadow::Create(HWND target) {
    if (!::IsWindow(target) || m_hTarget || m_sImage.IsEmpty() || Shadows().count(target)) return false;
    if (!zovi::platform::HasCompositor()) {
        LogOnce(L"shadow-no-compositor", L"CWndShadow: no compositing manager, windows have no drop shadow");
        return false;
    }
    if (!RegisterShadowClass()) return false;
    // Owned by the target, so it dies first when the target does.
    m_hShadow = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                  kShadowClass, L"", WS_POPUP, 0, 0, 1, 1, target, nullptr, gInstance, nullptr);
    if (!m_hShadow) return false;
    m_hTarget = target;
    Shadows()[target] = this;
    m_targetProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(target, GWLP_WNDPROC));
    ::SetWindowLongPtrW(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::TargetProc));
    Follow();
    return true;
}

LRESULT CWndShadow::TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& shadows = Shadows();
    auto it = shadows.find(hwnd);
    if (it == shadows.end()) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    CWndShadow* self = it->second;
    const WNDPROC next = self->m_targetProc;
    if (message == WM_NCDESTROY) {
        // The target's last message may end the object owning this shadow: let go first.
        self->Destroy();
        return ::CallWindowProcW(next, hwnd, message, wParam, lParam);
    }
    const LRESULT result = ::CallWindowProcW(next, hwnd, message, wParam, lParam);
    // The target's handler may have ended this shadow meanwhile.
    it = shadows.find(hwnd);
    if (it != shadows.end()) it->second->OnTargetMessage(message, wParam);
    return result;
}

void CWndShadow::OnTargetMessage(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_MOVE:
        case WM_SIZE:
            Follow();
            break;
        case WM_SHOWWINDOW:
            if (wParam) {
                Follow();
            } else {
                ::ShowWindow(m_hShadow, SW_HIDE);
            }
            break;
        case WM_ACTIVATE:
            // Activation raises the target; the shadow goes back under it.
            if (::IsWindowVisible(m_hShadow)) zovi::platform::PlaceWindowBelow(m_hShadow, m_hTarget);
            break;
        default:
            break;
    }
}

void CWndShadow::Follow() {
    if (!::IsWindow(m_hShadow)) return;
    RECT rc{};
    if (!::IsWindowVisible(m_hTarget) || ::IsZoomed(m_hTarget) || !::GetWindowRect(m_hTarget, &rc)) {
        ::ShowWindow(m_hShadow, SW_HIDE);
        return;
    }
    const POINT at{rc.left - m_rcCorner.left, rc.top - m_rcCorner.top};
    const SIZE size{rc.right - rc.left + m_rcCorner.left + m_rcCorner.right,
                    rc.bottom - rc.top + m_rcCorner.top + m_rcCorner.bottom};
    if (size.cx != m_drawnSize.cx || size.cy != m_drawnSize.cy) {
        if (!Draw(size.cx, size.cy)) return;
        m_drawnSize = size;
    }
    ::SetWindowPos(m_hShadow, 0, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!::IsWindowVisible(m_hShadow)) ::ShowWindow(m_hShadow, SW_SHOWNOACTIVATE);
    zovi::platform::PlaceWindowBelow(m_hShadow, m_hTarget);
}

bool CWndShadow::Draw(int width, int height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    zovi::platform::GdiContext context{cr};
    const RECT all{0, 0, width, height};
    const std::wstring ref = L"file='" + m_sImage.str() + L"' corner='" + std::to_wstring(m_rcCorner.left) + L"," +
                             std::to_wstring(m_rcCorner.top) + L"," + std::to_wstring(m_rcCorner.right) + L"," +
                             std::to_wstring(m_rcCorner.bottom) + L"'";
    CRenderEngine::DrawImageString(zovi::platform::ToHdc(&context), nullptr, all, all, ref.c_str());
    // The target covers the centre; nothing of the shadow shows through it.
    const int left = m_rcCorner.left + m_rcHoleOffset.left, top = m_rcCorner.top + m_rcHoleOffset.top;
    const int right = width - m_rcCorner.right - m_rcHoleOffset.right;
    const int bottom = height - m_rcCorner.bottom - m_rcHoleOffset.bottom;
    if (right > left && bottom > top) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(cr, left, top, right - left, bottom - top);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    RECT target{};
    ::GetWindowRect(m_hTarget, &target);
    const POINT at{target.left - m_rcCorner.left, target.top - m_rcCorner.top};
    const bool ok =
        zovi::platform::UpdateLayeredSurface(m_hShadow, surface, POINT{0, 0}, SIZE{width, height}, 255, &at);
    cairo_surface_destroy(surface);
    return ok;
}

void CWndShadow::Destroy() {
    if (m_hTarget) {
        auto& shadows = Shadows();
        auto it = shadows.find(m_hTarget);
        if (it != shadows.end() && it->second == this) shadows.erase(it);
        // Unhook when this shadow is still the target's procedure.
        if (::IsWindow(m_hTarget) &&
            ::GetWindowLongPtrW(m_hTarget, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWndShadow::TargetProc)) {
            ::SetWindowLongPtrW(m_hTarget, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_targetProc));
        }
    }
    if (m_hShadow && ::IsWindow(m_hShadow)) ::DestroyWindow(m_hShadow);
    m_hShadow = 0;
    m_hTarget = 0;
    m_targetProc = nullptr;
    m_drawnSize = SIZE{};
}

}  // namespace DuiLib
