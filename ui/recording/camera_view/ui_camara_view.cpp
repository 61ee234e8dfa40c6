#include "ui/recording/camera_view/ui_camara_view.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <new>
#include <string_view>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "core/options/options_controller.h"
#include "engine/controller/capture_controller.h"
#include "platform/gdi/paint_context.h"
#include "ui/recording/camera_view/camera_view_geometry.h"

namespace DuiLib {

namespace {

constexpr UINT kProgramIcon = 107;
constexpr DWORD kToolBarStyle = 0x46000000;  // child, clipping siblings and children
constexpr const wchar_t* kLayout =
    L"<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    L"<Window size=\"320,240\"><HorizontalLayout>"
    L"<ControlFF bkcolor=\"#FF000000\" />"
    L"</HorizontalLayout></Window>";

constexpr size_t PlacementIndexOf(std::wstring_view name) {
    size_t i = 0;
    while (i < std::size(kPlacementNames) && name != kPlacementNames[i]) ++i;
    return i;
}
constexpr size_t kViewPlacement = PlacementIndexOf(L"CameraViewWindow");
static_assert(kViewPlacement < std::size(kPlacementNames));

// Bytes per row of a 24-bit bitmap: rounded up to a multiple of 4.
int BitmapStride(int width) { return (width * 3 + 3) & ~3; }

SIZE ClientSize(HWND hwnd) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace

CUICamaraView::CUICamaraView(std::wstring cameraName)
    : CWindowPositionSaver<CUICamaraView>(&GetGlobal().placements[kViewPlacement]),
      m_cameraName(std::move(cameraName)) {}

CUICamaraView::~CUICamaraView() {
    // Let go of by its owner while open: the base destroys the window without telling
    // this object (no OnDestroy then), so the placement is saved here.
    if (m_hWnd && ::IsWindow(m_hWnd)) SavePosition();
}

CDuiString CUICamaraView::GetSkinFile() { return kLayout; }

CControlUI* CUICamaraView::CreateControl(const wchar_t* pstrClass) {
    if (pstrClass && std::wcsncmp(pstrClass, L"ControlFF", 9) == 0) return new CControlFFUI(this);
    return nullptr;
}

void CUICamaraView::InitWindow() {
    SetIcon(kProgramIcon);
    const std::shared_ptr<CUICamaraView> self = shared_from_this();
    m_hWndForFrames = m_hWnd;

    m_pToolBar = std::make_shared<CUICameraToolBar>(
        std::static_pointer_cast<CUICameraToolBar::CUICameraToolBarCallBack>(self));
    if (!m_pToolBar->Create(m_hWnd, L"", kToolBarStyle, 0)) m_pToolBar.reset();
    PlaceToolBar();  // the window has its size already: no WM_SIZE will come for it

    std::weak_ptr<CUICamaraView> weak = self;
    PostToUiThread([weak] {
        const auto view = weak.lock();
        if (!view || !::IsWindow(view->GetHWND())) return;
        view->RestorePosition();
        view->SetSizeMode(static_cast<int>(GetGlobal().cameraSize));
    });

    CreateShadow(m_hWnd);
    ::SetTimer(m_hWnd, kRepaintTimerId, kRepaintPeriodMs, nullptr);
}

void CUICamaraView::OnDecodedFrame(const uint8_t* data, int width, int stride, int height, int, uint32_t) {
    const HWND hwnd = m_hWndForFrames.load();
    if (!hwnd || !::IsWindow(hwnd)) return;
    if (!data || width <= 0 || height <= 0 || stride <= 0) return;
    std::lock_guard<std::mutex> guard(m_frameLock);
    const int dibStride = BitmapStride(width);
    if (width != m_frameWidth || height != m_frameHeight || !m_hasFrame) {
        m_frame.clear();
        m_hasFrame = false;
        m_frameWidth = m_frameHeight = -1;
        try {
            m_frame.assign(static_cast<size_t>(dibStride) * static_cast<size_t>(height), 0);
        } catch (const std::bad_alloc&) {
            return;
        }
        m_hasFrame = true;
        m_frameWidth = width;
        m_frameHeight = height;
    }
    if (stride == dibStride) {
        std::memcpy(m_frame.data(), data, static_cast<size_t>(stride) * static_cast<size_t>(height));
    } else {
        const size_t row = static_cast<size_t>(std::min(stride, dibStride));
        for (int y = 0; y < height; ++y)
            std::memcpy(m_frame.data() + static_cast<size_t>(y) * dibStride,
                        data + static_cast<size_t>(y) * stride, row);
    }
    m_newFrames.fetch_add(1);
}

void CUICamaraView::OnVideoOpened(int, int) { RaiseOptionsEvent(kEventCameraOpened); }

void CUICamaraView::ResetFrame() {
    std::lock_guard<std::mutex> guard(m_frameLock);
    m_frame.clear();
    m_frame.shrink_to_fit();
    m_hasFrame = false;
    m_frameWidth = m_frameHeight = -1;
    m_newFrames.fetch_add(1);
}

void CUICamaraView::GetFrameSize(int& width, int& height) {
    std::lock_guard<std::mutex> guard(m_frameLock);
    width = m_frameWidth;
    height = m_frameHeight;
}

LRESULT CUICamaraView::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != kRepaintTimerId) {
        bHandled = FALSE;
        return 0;
    }
    if (m_newFrames.load() != 0) {
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        m_newFrames = 0;
    }
    return 0;
}

void CUICamaraView::OnControlPaint(HDC hDC, const RECT&) {
    zovi::platform::GdiContext* context = zovi::platform::GdiContextOf(hDC);
    if (!context || !context->cr) return;
    const SIZE client = ClientSize(m_hWnd);
    std::lock_guard<std::mutex> guard(m_frameLock);
    camera_view::StretchRects rects{};
    if (!m_hasFrame || !camera_view::ComputeStretch(m_frameWidth, m_frameHeight, client.cx, client.cy,
                                                    m_bMaximised.load(), &rects))
        return;
    const int sw = rects.source.right - rects.source.left;
    const int sh = rects.source.bottom - rects.source.top;
    cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_RGB24, sw, sh);
    if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(source);
        return;
    }
    // The 24-bit rows of the source rectangle into the surface's 32-bit pixels.
    cairo_surface_flush(source);
    uint8_t* pixels = cairo_image_surface_get_data(source);
    const int pixelStride = cairo_image_surface_get_stride(source);
    const int frameStride = BitmapStride(m_frameWidth);
    for (int y = 0; y < sh; ++y) {
        const uint8_t* from = m_frame.data() + static_cast<size_t>(rects.source.top + y) * frameStride +
                              static_cast<size_t>(rects.source.left) * 3;
        auto* to = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * pixelStride);
        for (int x = 0; x < sw; ++x, from += 3)
            to[x] = 0xFF000000u | (uint32_t{from[2]} << 16) | (uint32_t{from[1]} << 8) | from[0];
    }
    cairo_surface_mark_dirty(source);

    cairo_t* cr = context->cr;
    const int dw = rects.dest.right - rects.dest.left;
    const int dh = rects.dest.bottom - rects.dest.top;
    cairo_save(cr);
    cairo_rectangle(cr, rects.dest.left, rects.dest.top, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, rects.dest.left, rects.dest.top);
    cairo_scale(cr, static_cast<double>(dw) / sw, static_cast<double>(dh) / sh);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(source);
}

void CUICamaraView::OnControlEvent(TEventUI& event) {
    if (!m_pToolBar || !::IsWindow(m_pToolBar->GetHWND())) return;
    if (event.Type == UIEVENT_MOUSEENTER) {
        m_pToolBar->ShowWindow(true, true);
    } else if (event.Type == UIEVENT_MOUSELEAVE) {
        POINT cursor{};
        RECT bar{};
        const bool overBar = ::GetCursorPos(&cursor) && ::GetWindowRect(m_pToolBar->GetHWND(), &bar) &&
                             cursor.x >= bar.left && cursor.x < bar.right && cursor.y >= bar.top &&
                             cursor.y < bar.bottom;
        if (!overBar) m_pToolBar->ShowWindow(false, true);
    }
}

LRESULT CUICamaraView::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL&) {
    if (uMsg == WM_SIZE) PlaceToolBar();
    return 0;
}

void CUICamaraView::PlaceToolBar() {
    if (!m_pToolBar || !::IsWindow(m_pToolBar->GetHWND())) return;
    const SIZE client = ClientSize(m_hWnd);
    RECT bar{};
    ::GetWindowRect(m_pToolBar->GetHWND(), &bar);
    const int width = bar.right - bar.left, height = bar.bottom - bar.top;
    ::MoveWindow(m_pToolBar->GetHWND(), (client.cx - width) / 2,
                 client.cy - camera_view::Scaled(kToolbarMargin) - height, width, height, TRUE);
}

LRESULT CUICamaraView::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    bHandled = TRUE;
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(m_hWnd, &pt);
    const SIZE client = ClientSize(m_hWnd);
    return pt.y > client.cy / 2 ? HTCLIENT : HTCAPTION;
}

LRESULT CUICamaraView::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        SendMessage(WM_CLOSE);
        return 0;
    }
    const bool before = ::IsZoomed(m_hWnd) != FALSE;
    const LRESULT result = WindowImplBaseImpl::OnSysCommand(uMsg, wParam, lParam, bHandled);
    const bool after = ::IsZoomed(m_hWnd) != FALSE;
    if (before != after && m_pToolBar) {
        if (!after) {
            m_pToolBar->SelectSizeMode(ClientSize(m_hWnd).cx == camera_view::Scaled(kBaseWidth) ? kNormal : kDouble);
        } else {
            m_pToolBar->SelectSizeMode(kFull);
        }
    }
    m_bMaximised = after;
    return result;
}

void CUICamaraView::SetSizeMode(int mode) {
    if (mode == kNormal || mode == kDouble) {
        if (m_bMaximised.load() || ::IsZoomed(m_hWnd)) SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        m_bMaximised = false;
        const int factor = mode == kDouble ? 2 : 1;
        ::SetWindowPos(m_hWnd, 0, 0, 0, factor * camera_view::Scaled(kBaseWidth),
                       factor * camera_view::Scaled(kBaseHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (mode == kFull) {
        if (!m_bMaximised.load()) SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
        m_bMaximised = true;
    }
    GetGlobal().cameraSize = static_cast<DWORD>(mode);
    // Leaving full screen selected an option from the size before it; show the mode
    // that was applied instead.
    if (m_pToolBar && mode >= kNormal && mode <= kFull) m_pToolBar->SelectSizeMode(mode);
}

void CUICamaraView::OnToolbarClose(bool& handled) {
    handled = true;
    Close(1);
    RaiseOptionsEvent(kEventCameraClose);
}

LRESULT CUICamaraView::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    ::KillTimer(m_hWnd, kRepaintTimerId);
    SavePosition();
    bHandled = FALSE;
    return 0;
}

void CUICamaraView::OnFinalMessage(HWND hWnd) {
    WindowImplBaseImpl::OnFinalMessage(hWnd);
    // The controller closes (joins) the reader, then lets go of this view, which may be
    // its last reference: nothing of this object is touched afterwards.
    zovi::engine::CCaptureController::GetInstance()->CameraClose();
}

}  // namespace DuiLib
