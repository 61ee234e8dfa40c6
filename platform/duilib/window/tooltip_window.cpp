#include "platform/duilib/window/tooltip_window.h"

#include <cairo.h>

#include <algorithm>

#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/gdi/paint_context.h"
#include "platform/screen/monitor_from.h"
#include "platform/window/present.h"
#include "platform/window/window.h"

namespace DuiLib {
namespace {

constexpr const wchar_t* kClassName = L"DuiToolTipWindow";
constexpr DWORD kBorderColor = 0xFFA7A6AA;
constexpr DWORD kBackColor = 0xFFFFFFFF;
constexpr DWORD kTextColor = 0xFF333333;
constexpr int kFont = -1;  // the default font, 12 pixels
constexpr UINT kTextStyle = DT_WORDBREAK | DT_LEFT | DT_TOP | DT_NOPREFIX;
constexpr int kWrapWidth = 400;
constexpr int kPadX = 6, kPadY = 4;  // inside the border
constexpr int kPointerOffset = 16;

}  // namespace

CToolTipWindow& CToolTipWindow::ForThread() {
    thread_local CToolTipWindow tip;
    return tip;
}

CToolTipWindow::~CToolTipWindow() {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    if (buffer_) cairo_surface_destroy(buffer_);
}

LRESULT CToolTipWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CToolTipWindow& tip = ForThread();
    if (message == WM_PAINT && tip.hwnd_ == hwnd) {
        tip.Paint();
        return 0;
    }
    if (message == WM_NCDESTROY && tip.hwnd_ == hwnd) {
        tip.hwnd_ = 0;
        tip.shown_ = false;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool CToolTipWindow::EnsureWindow() {
    if (hwnd_ && ::IsWindow(hwnd_)) return true;
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &CToolTipWindow::WindowProc;
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    // It never takes the pointer or the focus, so it can cause no leave and no deactivation.
    hwnd_ = registered ? ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT, kClassName, L"",
                                           WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr)
                       : 0;
    if (!hwnd_) LogOnce(L"tooltip:create", L"the tooltip window could not be made");
    return hwnd_ != 0;
}

void CToolTipWindow::Show(HWND owner, POINT screenPt, const std::wstring& text) {
    if (text.empty() || !EnsureWindow()) return;
    owner_ = owner;
    text_ = text;
    const SIZE textSize = CRenderEngine::MeasureText(nullptr, text, kFont, kTextStyle, kWrapWidth);
    const int width = std::max<int>(textSize.cx, 1) + 2 * (kPadX + 1);
    const int height = std::max<int>(textSize.cy, 1) + 2 * (kPadY + 1);
    int x = screenPt.x + kPointerOffset, y = screenPt.y + kPointerOffset;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (HMONITOR monitor = ::MonitorFromPoint(screenPt, MONITOR_DEFAULTTONEAREST); monitor && ::GetMonitorInfoW(monitor, &info)) {
        const RECT& work = info.rcWork;
        x = std::max<int>(work.left, std::min<int>(x, work.right - width));
        y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    }
    ::SetWindowPos(hwnd_, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    shown_ = true;
}

void CToolTipWindow::Hide() {
    if (hwnd_ && shown_) ::ShowWindow(hwnd_, SW_HIDE);
    shown_ = false;
    owner_ = 0;
}

void CToolTipWindow::Paint() {
    PAINTSTRUCT ps{};
    ::BeginPaint(hwnd_, &ps);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (client.right > 0 && client.bottom > 0) {
        if (!buffer_ || cairo_image_surface_get_width(buffer_) != client.right ||
            cairo_image_surface_get_height(buffer_) != client.bottom) {
            if (buffer_) cairo_surface_destroy(buffer_);
            buffer_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, client.right, client.bottom);
        }
        cairo_t* cr = cairo_create(buffer_);
        zovi::platform::GdiContext context{cr};
        HDC hdc = zovi::platform::ToHdc(&context);
        CRenderEngine::DrawColor(hdc, client, kBackColor);
        CRenderEngine::DrawRect(hdc, client, 1, kBorderColor);
        const RECT text{client.left + 1 + kPadX, client.top + 1 + kPadY, client.right - 1 - kPadX,
                        client.bottom - 1 - kPadY};
        CRenderEngine::DrawText(hdc, nullptr, text, text_, kTextColor, kFont, kTextStyle);
        cairo_destroy(cr);
        cairo_surface_flush(buffer_);
        zovi::platform::PresentWindow(hwnd_, buffer_, client);
    }
    ::EndPaint(hwnd_, &ps);
}

bool CToolTipWindow::IsShown() const { return shown_; }
HWND CToolTipWindow::Owner() const { return owner_; }
const std::wstring& CToolTipWindow::Text() const { return text_; }
HWND CToolTipWindow::GetHWND() const { return hwnd_; }

}  // namespace DuiLib
