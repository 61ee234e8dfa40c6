#include "platform/duilib/controls/slider.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_clip.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {
namespace {

constexpr DWORD kTrackColor = 0xFFD0D0D0;
constexpr DWORD kAccent = 0xFF2B8CF4;
constexpr DWORD kAccentDisabled = 0xFFAACFFA;
constexpr DWORD kRim = 0xFFA7A6AA;
constexpr DWORD kRimDisabled = 0xFFD3D2D5;
constexpr int kTrackHeight = 4;

// A bar with fully rounded ends, `rc` first brought near the visible area so no far
// coordinate reaches Cairo (the ends stay right where they can be seen).
void FillBar(HDC hDC, const RECT& rc, DWORD color) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr || render::IsEmpty(rc)) return;
    RECT visible{};
    if (!render::VisiblePart(cr, rc, &visible)) return;
    const RECT near = render::Clamp(cr, rc, kTrackHeight);
    const double x = near.left, y = near.top, w = near.right - near.left, h = near.bottom - near.top;
    const double r = std::min(w, h) / 2;
    cairo_new_path(cr);
    cairo_arc(cr, x + r, y + r, r, M_PI / 2, 3 * M_PI / 2);
    cairo_arc(cr, x + w - r, y + r, r, 3 * M_PI / 2, M_PI / 2);
    cairo_close_path(cr);
    render::SetColor(cr, color);
    cairo_fill(cr);
    render::CheckContext(cr);
}

}  // namespace

CSliderUI::CSliderUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CSliderUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Slider") == 0) return this;
    return CProgressUI::GetInterface(name);
}

void CSliderUI::SetEnabled(bool enable) {
    if (!enable) {
        m_bHot = false;
        m_bDragging = false;
    }
    CProgressUI::SetEnabled(enable);
}

void CSliderUI::SetThumbSize(SIZE size) {
    m_szThumb = SIZE{std::max<LONG>(size.cx, 0), std::max<LONG>(size.cy, 0)};
    Invalidate();
}

void CSliderUI::SetThumbImage(const wchar_t* image) { m_sThumbImage = image; Invalidate(); }
void CSliderUI::SetThumbHotImage(const wchar_t* image) { m_sThumbHotImage = image; Invalidate(); }
void CSliderUI::SetThumbPushedImage(const wchar_t* image) { m_sThumbPushedImage = image; Invalidate(); }

LONG CSliderUI::ThumbCentreX(int value) const {
    const double travel = std::max<double>(0, static_cast<double>(m_rcItem.right) - m_rcItem.left - m_szThumb.cx);
    return m_rcItem.left + m_szThumb.cx / 2 + static_cast<LONG>(std::lround(travel * Fraction(value)));
}

RECT CSliderUI::GetThumbRect() const {
    const LONG left = ThumbCentreX(m_nValue) - m_szThumb.cx / 2;
    const LONG top = m_rcItem.top + (m_rcItem.bottom - m_rcItem.top - m_szThumb.cy) / 2;
    return RECT{left, top, left + m_szThumb.cx, top + m_szThumb.cy};
}

int CSliderUI::ValueAtX(LONG x) const {
    const double travel = static_cast<double>(m_rcItem.right) - m_rcItem.left - m_szThumb.cx;
    if (travel <= 0 || m_nMax <= m_nMin) return m_nMin;
    const double from = static_cast<double>(x) - (m_rcItem.left + m_szThumb.cx / 2);
    const double value = m_nMin + std::round(from * (static_cast<double>(m_nMax) - m_nMin) / travel);
    return static_cast<int>(std::clamp<double>(value, m_nMin, m_nMax));
}

void CSliderUI::SetHot(bool hot) {
    if (hot == m_bHot) return;
    m_bHot = hot;
    Invalidate();
}

void CSliderUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    SIZE size{};
    if (n == L"thumbimage") SetThumbImage(value);
    else if (n == L"thumbhotimage") SetThumbHotImage(value);
    else if (n == L"thumbpushedimage") SetThumbPushedImage(value);
    else if (n == L"thumbsize" && ParseSize(value, &size)) SetThumbSize(size);
    else if (n == L"thumbsize") LogBadAttribute(name, value);
    else CProgressUI::SetAttribute(name, value);
}

void CSliderUI::DoEvent(TEventUI& event) {
    const bool mouse = event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND;
    if (!IsEnabled() && (mouse || event.Type == UIEVENT_KEYDOWN)) {
        if (event.Type != UIEVENT_MOUSEENTER && event.Type != UIEVENT_MOUSELEAVE) PassToParent(event);
        return;
    }
    const POINT pt = event.ptMouse;
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (PtInRect(GetThumbRect(), pt)) {
                m_iDragOffset = pt.x - ThumbCentreX(m_nValue);
            } else {
                m_iDragOffset = 0;
                SetValue(ValueAtX(pt.x));
            }
            m_bDragging = true;
            Invalidate();
            Notify(DUI_MSGTYPE_VALUECHANGED);  // last: a handler may remove this slider
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_bDragging) {
                const int value = ValueAtX(pt.x - m_iDragOffset);
                if (value == m_nValue) return;
                SetValue(value);
                Notify(DUI_MSGTYPE_VALUECHANGED);
                return;
            }
            SetHot(PtInRect(GetThumbRect(), pt));
            return;
        case UIEVENT_BUTTONUP:
            if (!m_bDragging) return;
            m_bDragging = false;
            SetValue(ValueAtX(pt.x - m_iDragOffset));
            m_bHot = PtInRect(GetThumbRect(), pt);
            Invalidate();
            Notify(DUI_MSGTYPE_VALUECHANGED);
            return;
        case UIEVENT_MOUSEENTER:
            SetHot(PtInRect(GetThumbRect(), pt));
            return;
        case UIEVENT_MOUSELEAVE:
            SetHot(false);
            return;
        case UIEVENT_KEYDOWN: {
            const UINT vk = static_cast<UINT>(event.chKey);
            const int step = vk == VK_LEFT ? -1 : vk == VK_RIGHT ? 1 : 0;
            if (step == 0 || m_bDragging) return;
            const int before = m_nValue;
            SetValue(m_nValue + step);
            if (m_nValue != before) Notify(DUI_MSGTYPE_VALUECHANGED);
            return;
        }
        default:
            CProgressUI::DoEvent(event);
            return;
    }
}

void CSliderUI::PaintBkImage(HDC hDC) {
    if (!m_sBkImage.IsEmpty()) {
        DrawImage(hDC, m_sBkImage);
        return;
    }
    const LONG top = m_rcItem.top + (m_rcItem.bottom - m_rcItem.top - kTrackHeight) / 2;
    FillBar(hDC, RECT{m_rcItem.left, top, m_rcItem.right, top + kTrackHeight}, kTrackColor);
}

void CSliderUI::PaintStatusImage(HDC hDC) {
    const LONG centre = ThumbCentreX(m_nValue);
    if (!m_sForeImage.IsEmpty()) {
        const CPaintClip clip(hDC, RECT{m_rcItem.left, m_rcItem.top, centre, m_rcItem.bottom});
        DrawImage(hDC, m_sForeImage);
        return;
    }
    if (!m_sBkImage.IsEmpty() || centre <= m_rcItem.left) return;
    const LONG top = m_rcItem.top + (m_rcItem.bottom - m_rcItem.top - kTrackHeight) / 2;
    FillBar(hDC, RECT{m_rcItem.left, top, centre, top + kTrackHeight}, IsEnabled() ? kAccent : kAccentDisabled);
}

void CSliderUI::PaintForeImage(HDC hDC) {
    const RECT thumb = GetThumbRect();
    if (render::IsEmpty(thumb)) return;
    RECT visible{};
    if (!IntersectRect(&visible, thumb, m_rcPaint)) return;
    auto draw = [&](const CDuiString& image, BYTE opacity = 255) {
        return !image.IsEmpty() &&
               CRenderEngine::DrawImageString(hDC, m_pManager, thumb, m_rcPaint, image.str().c_str(), opacity);
    };
    if (!IsEnabled()) {
        if (!draw(m_sThumbImage, 128)) PaintDrawnThumb(hDC, thumb);
        return;
    }
    if (m_bDragging && draw(m_sThumbPushedImage)) return;
    // Focus shows as hot: the thumb is what the arrow keys move.
    if ((m_bHot || m_bDragging || IsFocused()) && draw(m_sThumbHotImage)) return;
    if (!draw(m_sThumbImage)) PaintDrawnThumb(hDC, thumb);
}

void CSliderUI::PaintDrawnThumb(HDC hDC, const RECT& thumb) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr) return;
    // The thumb lies within the paint rectangle's reach, so its coordinates are small.
    const double w = thumb.right - thumb.left, h = thumb.bottom - thumb.top;
    const double r = std::min(w, h) / 2 - 0.5;
    if (r <= 0) return;
    DWORD fill = 0xFFFFFFFF, rim = kRim;
    if (!IsEnabled()) {
        fill = 0xFFF0F0F0;
        rim = kRimDisabled;
    } else if (m_bDragging) {
        fill = 0xFFEAF3FE;
        rim = kAccent;
    } else if (m_bHot || IsFocused()) {
        rim = kAccent;
    }
    cairo_new_path(cr);
    cairo_arc(cr, thumb.left + w / 2, thumb.top + h / 2, r, 0, 2 * M_PI);
    render::SetColor(cr, fill);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    render::SetColor(cr, rim);
    cairo_stroke(cr);
    render::CheckContext(cr);
}

void CSliderUI::PaintText(HDC) {}

}  // namespace DuiLib
