// CControlUI painting: the fixed order of steps, each clipped to the control.
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

bool CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (!IntersectRect(&m_rcPaint, rcPaint, m_rcItem)) return true;
    {
        // Fills and images take the rounded shape; the border is drawn on top of it.
        const CPaintClip clip(hDC, m_rcPaint);
        const CPaintClip round(hDC, m_rcItem, m_cxyBorderRound);
        PaintBkColor(hDC);
        PaintBkImage(hDC);
        PaintStatusImage(hDC);
        PaintForeImage(hDC);
        PaintText(hDC);
    }
    const CPaintClip clip(hDC, m_rcPaint);
    PaintBorder(hDC);
    return true;
}

void CControlUI::PaintBkColor(HDC hDC) {
    if (m_dwBackColor >> 24) CRenderEngine::DrawColor(hDC, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(HDC hDC) {
    if (!m_sBkImage.IsEmpty()) DrawImage(hDC, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC) {}

void CControlUI::PaintForeImage(HDC hDC) {
    if (!m_sForeImage.IsEmpty()) DrawImage(hDC, m_sForeImage);
}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC hDC) {
    const DWORD color = (m_bFocused && (m_dwFocusBorderColor >> 24)) ? m_dwFocusBorderColor : m_dwBorderColor;
    if ((color >> 24) == 0) return;
    const RECT& w = m_rcBorderSize;
    if (w.left <= 0 && w.top <= 0 && w.right <= 0 && w.bottom <= 0) return;
    const bool uniform = w.left == w.top && w.top == w.right && w.right == w.bottom;
    if (uniform && m_cxyBorderRound.cx > 0 && m_cxyBorderRound.cy > 0) {
        CRenderEngine::DrawRoundRect(hDC, m_rcItem, w.left, m_cxyBorderRound.cx, m_cxyBorderRound.cy, color);
    } else if (uniform) {
        CRenderEngine::DrawRect(hDC, m_rcItem, w.left, color);
    } else {
        CRenderEngine::DrawBorders(hDC, m_rcItem, w, color);
    }
}

bool CControlUI::DrawImage(HDC hDC, const wchar_t* imageRef, BYTE opacity) {
    if (!imageRef || !*imageRef) return false;
    return CRenderEngine::DrawImageString(hDC, m_pManager, m_rcItem, m_rcPaint, imageRef, opacity);
}

}  // namespace DuiLib
