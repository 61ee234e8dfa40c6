#include "ui/recording/whiteboard/ui_white_board_frame_ex.h"

#include <string>
#include <utility>

#include "core/global/global.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/clock.h"
#include "platform/window/layered.h"
#include "ui/recording/wb_toolbar/ui_wb_tool_bar.h"

namespace DuiLib {

namespace {

// Pop-up tool window for the toolbar.
constexpr DWORD kToolBarStyle = WS_POPUP | WS_VISIBLE;
constexpr DWORD kToolBarExStyle = WS_EX_TOOLWINDOW;

POINT CursorOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

uint64_t TickStamp() { return static_cast<uint64_t>(static_cast<uint32_t>(::GetTickCount())); }

}  // namespace

CUIWhiteBoardFrameEx::CUIWhiteBoardFrameEx(std::shared_ptr<IWBStateCallback> stateCallback)
    : m_pStateCallback(stateCallback), m_dwColor(GetGlobal().whiteboardColor) {}

CUIWhiteBoardFrameEx::~CUIWhiteBoardFrameEx() {
    // The window first (its toolbar, owned by it, with it), then what it drew with.
    DetachAndDestroy();
    m_catcher.Destroy();
    m_vecStroke.clear();
    m_vecElements.clear();
    m_layer.Release();
    m_previewLayer.Release();
    m_pToolBar.reset();
}

void CUIWhiteBoardFrameEx::SetDrawArea(const RECT& area) {
    const bool resized = (area.right - area.left) != (m_rcDraw.right - m_rcDraw.left) ||
                         (area.bottom - area.top) != (m_rcDraw.bottom - m_rcDraw.top);
    m_rcDraw = area;
    if (m_hWnd && resized && CreateLayers()) RedrawAll(m_nPaintMode == kWBModePointer);
    ++m_nDirty;
}

LRESULT CUIWhiteBoardFrameEx::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_CREATE: return OnCreateWindow(uMsg, wParam, lParam);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // a second quick press is a new shape all the same
            OnButtonDown(CursorOf(lParam));
            return 0;
        case WM_MOUSEMOVE: OnPointerMove(CursorOf(lParam)); return 0;
        case WM_LBUTTONUP: OnButtonUp(CursorOf(lParam)); return 0;
        case WM_CAPTURECHANGED:
            // A grab lost mid-drag ends it where it last was, as a release.
            if (m_bButtonDown && static_cast<HWND>(lParam) != m_hWnd) OnButtonUp(m_ptCurrent);
            return 0;
        case WM_TIMER:
            if (wParam != kShowTimerId) break;
            OnShowTimer();
            return 0;
        case WM_COMMAND:
            if (OnShortcutCommand(LOWORD(wParam))) return 0;
            break;
        case WM_SIZE: ++m_nDirty; break;
        case WM_SHOWWINDOW:
            if (!wParam) m_catcher.Hide();
            else ++m_nDirty;
            break;
        case WM_NCCALCSIZE:
        case WM_NCPAINT: return 0;
        case WM_NCACTIVATE:
            // Override-redirect windows are never minimised here.
            return wParam ? FALSE : TRUE;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            ::BeginPaint(m_hWnd, &paint);
            ::EndPaint(m_hWnd, &paint);
            return 0;
        }
        case WM_DESTROY:
            m_pm.RemoveTranslateAccelerator(this);
            ::KillTimer(m_hWnd, kShowTimerId);
            m_catcher.Destroy();
            break;
        default: break;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT CUIWhiteBoardFrameEx::OnCreateWindow(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    m_pm.Init(m_hWnd);
    m_pm.AddTranslateAccelerator(this);
    CreateLayers();
    ::SetTimer(m_hWnd, kShowTimerId, kShowPeriodMs, nullptr);
    m_pToolBar = std::make_shared<CUIWBToolBar>(m_hWnd, std::weak_ptr<IWBToolBar>(weak_from_this()));
    if (m_pToolBar->Create(m_hWnd, L"", kToolBarStyle, kToolBarExStyle)) m_pToolBar->ShowWindow(true, true);
    m_hAccel = LoadWBAccelerators();
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void CUIWhiteBoardFrameEx::OnFinalMessage(HWND hWnd) {
    if (const auto callback = m_pStateCallback.lock()) callback->OnWhiteBoardClosed();
    WindowImplBaseImpl::OnFinalMessage(hWnd);
}

bool CUIWhiteBoardFrameEx::CreateLayers() {
    m_layer.Release();
    m_previewLayer.Release();
    const int width = m_rcDraw.right - m_rcDraw.left, height = m_rcDraw.bottom - m_rcDraw.top;
    if (!m_layer.Create(width, height)) {
        GetGlobal().Error(L"create layered Window error");
        return false;
    }
    if (!m_previewLayer.Create(width, height)) {
        GetGlobal().Error(L"create slave layered window error");
        return false;
    }
    ++m_nDirty;
    return true;
}

void CUIWhiteBoardFrameEx::RedrawAll(bool pointerMode) {
    m_layer.Clear(pointerMode ? kPointerBackground : kDrawingBackground);
    for (const auto& element : m_vecElements) m_layer.DrawElement(*element);
    ++m_nDirty;
}

void CUIWhiteBoardFrameEx::Record(std::shared_ptr<PaintElement> element) {
    element->recorded = true;
    element->tickCount = TickStamp();
    m_vecElements.push_back(std::move(element));
}

void CUIWhiteBoardFrameEx::OnButtonDown(POINT cursor) {
    m_bButtonDown = 1;
    ::SetCapture(m_hWnd);
    if (IsDrawingMode(m_nPaintMode)) m_ptStart = m_ptCurrent = cursor;
}

void CUIWhiteBoardFrameEx::OnPointerMove(POINT cursor) {
    if (!m_bButtonDown) return;
    if (m_nPaintMode == kWBModePen) {
        const WBSegment segment{m_ptCurrent.x, m_ptCurrent.y, cursor.x, cursor.y};
        m_layer.DrawPenSegment(segment, m_dwColor, m_fLineWidth);
        m_vecStroke.push_back(segment);
        ++m_nDirty;
        m_ptCurrent = cursor;
    } else if (IsShapeMode(m_nPaintMode)) {
        m_ptCurrent = cursor;
        ++m_nDirty;
    }
}

void CUIWhiteBoardFrameEx::OnButtonUp(POINT cursor) {
    const bool wasDown = m_bButtonDown != 0;
    m_bButtonDown = 0;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    if (!wasDown) return;  // a release whose press went elsewhere
    if (m_nPaintMode == kWBModePen) {
        const WBSegment segment{m_ptCurrent.x, m_ptCurrent.y, cursor.x, cursor.y};
        m_layer.DrawPenSegment(segment, m_dwColor, m_fLineWidth);
        m_vecStroke.push_back(segment);
        auto element = std::make_shared<PaintElement>();
        element->startX = m_ptStart.x, element->startY = m_ptStart.y;
        element->endX = cursor.x, element->endY = cursor.y;
        element->color = m_dwColor;
        element->width = m_fLineWidth;
        element->kind = kWBModePen;
        element->segments = std::move(m_vecStroke);
        m_vecStroke.clear();
        Record(std::move(element));
        ++m_nDirty;
    } else if (IsShapeMode(m_nPaintMode)) {
        m_layer.DrawShape(m_nPaintMode, m_ptStart.x, m_ptStart.y, cursor.x, cursor.y, m_dwColor, m_fLineWidth);
        auto element = std::make_shared<PaintElement>();
        element->startX = m_ptStart.x, element->startY = m_ptStart.y;
        element->endX = cursor.x, element->endY = cursor.y;
        element->color = m_dwColor;
        element->width = m_fLineWidth;
        element->kind = m_nPaintMode;
        Record(std::move(element));
        m_ptStart = POINT{0, 0};
        ++m_nDirty;
    }
    // A release in pointer mode records nothing: an invisible element would make the
    // next revoke seem to do nothing.
}

void CUIWhiteBoardFrameEx::OnShowTimer() {
    if (m_nDirty <= 0) return;
    if (m_bButtonDown && IsShapeMode(m_nPaintMode) && m_previewLayer.Valid()) {
        m_previewLayer.CopyFrom(m_layer);
        m_previewLayer.DrawShape(m_nPaintMode, m_ptStart.x, m_ptStart.y, m_ptCurrent.x, m_ptCurrent.y, m_dwColor,
                                 m_fLineWidth);
        ShowLayer(m_previewLayer);
    } else if (m_layer.Valid()) {
        ShowLayer(m_layer);
    }
    m_nDirty = 0;
}

void CUIWhiteBoardFrameEx::ShowLayer(const CWBLayer& layer) {
    const POINT position{m_rcDraw.left, m_rcDraw.top};
    const SIZE size{m_rcDraw.right - m_rcDraw.left, m_rcDraw.bottom - m_rcDraw.top};
    if (!zovi::platform::UpdateLayeredSurface(m_hWnd, layer.Surface(), POINT{0, 0}, size, 255, &position)) return;
    m_catcher.Follow(m_hWnd, layer.Surface(), position, size);
}

void CUIWhiteBoardFrameEx::SetPaintMode(int32_t mode) {
    if (m_nPaintMode == kWBModePointer || mode == kWBModePointer) {
        if (CreateLayers()) RedrawAll(mode == kWBModePointer);
    }
    m_nPaintMode = mode;
}

void CUIWhiteBoardFrameEx::SetColor(uint32_t argb) { m_dwColor = argb; }

void CUIWhiteBoardFrameEx::SetLineWidth(float width) { m_fLineWidth = width; }

void CUIWhiteBoardFrameEx::Revoke() {
    if (m_vecElements.empty()) return;
    m_vecElements.pop_back();
    RedrawAll(m_nPaintMode == kWBModePointer);
}

void CUIWhiteBoardFrameEx::Clear() {
    m_vecElements.clear();
    RedrawAll(m_nPaintMode == kWBModePointer);
}

void CUIWhiteBoardFrameEx::Exit() { Close(kCloseCode); }

LRESULT CUIWhiteBoardFrameEx::TranslateAccelerator(MSG* pMsg) {
    return TranslateWBAccelerator(m_hWnd, m_hAccel, pMsg) ? 0 : 1;
}

bool CUIWhiteBoardFrameEx::OnShortcutCommand(UINT id) {
    if (!IsWBCommand(id)) return false;
    PostGAEvent("wb_toolbar", "hotkey", std::to_string(id));
    if (!m_pToolBar) return true;
    if (id >= kWBCommandFirstMode && id <= kWBCommandLastMode) {
        m_pToolBar->SelectPaintMode(static_cast<int32_t>(id - kWBCommandFirstMode) + kWBModePointer);
        return true;
    }
    switch (id) {
        case kWBCommandExit: m_pToolBar->OnExit(); break;
        case kWBCommandColor: m_pToolBar->OnColorSelect(); break;
        case kWBCommandLineWidth: m_pToolBar->OnLineWidth(); break;
        case kWBCommandRevoke: m_pToolBar->OnRevoke(); break;
        case kWBCommandClear: m_pToolBar->OnClear(); break;
        default: break;
    }
    return true;
}

}  // namespace DuiLib
