#include "platform/duilib/controls/scroll_bar.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {
namespace {

constexpr DWORD kThumbColor = 0xFFC1C1C1;
constexpr DWORD kThumbHotColor = 0xFFA8A8A8;
constexpr DWORD kTrackColor = 0x0A000000;  // a faint shade of whatever is behind
constexpr int kMinThumb = 20;
constexpr int kThumbMargin = 1;  // the thumb is a little thinner than the bar

}  // namespace

CScrollBarUI::CScrollBarUI(bool horizontal) : m_bHorizontal(horizontal) {
    if (horizontal) {
        m_cxyFixed.cy = kThickness;
    } else {
        m_cxyFixed.cx = kThickness;
    }
}

void* CScrollBarUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"ScrollBar") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::Show(bool show) {
    m_bVisible = show;
    if (!show) m_bHot = m_bDragging = false;  // it comes back in its normal state
}

void CScrollBarUI::SetScrollRange(int range) {
    range = std::max(range, 0);
    if (range == m_nRange) return;
    m_nRange = range;
    m_nPos = std::clamp(m_nPos, 0, m_nRange);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    pos = std::clamp(pos, 0, m_nRange);
    if (pos == m_nPos) return;
    m_nPos = pos;
    Invalidate();
}

void CScrollBarUI::SetLineSize(int size) { m_nLineSize = std::max(size, 1); }

void CScrollBarUI::SetPageSize(int size) {
    m_nPageSize = std::max(size, 0);
    Invalidate();
}

RECT CScrollBarUI::GetThumbRect() const {
    const int length = Length();
    if (m_nRange <= 0 || length <= 0) return RECT{};
    const int64_t content = static_cast<int64_t>(m_nPageSize) + m_nRange;
    const int thumb = std::min(length, std::max(kMinThumb, static_cast<int>(int64_t{length} * m_nPageSize / content)));
    const int start = static_cast<int>(int64_t{length - thumb} * m_nPos / m_nRange);
    if (m_bHorizontal) {
        return RECT{m_rcItem.left + start, m_rcItem.top + kThumbMargin, m_rcItem.left + start + thumb,
                    m_rcItem.bottom - kThumbMargin};
    }
    return RECT{m_rcItem.left + kThumbMargin, m_rcItem.top + start, m_rcItem.right - kThumbMargin,
                m_rcItem.top + start + thumb};
}

int CScrollBarUI::PosForThumbAt(int along) const {
    const RECT thumb = GetThumbRect();
    const int size = m_bHorizontal ? thumb.right - thumb.left : thumb.bottom - thumb.top;
    const int travel = Length() - size;
    if (travel <= 0) return 0;
    return static_cast<int>(int64_t{std::clamp(along, 0, travel)} * m_nRange / travel);
}

void CScrollBarUI::UserScrollTo(int pos) {
    pos = std::clamp(pos, 0, m_nRange);
    if (pos == m_nPos) return;
    // The owner moves its content and sets this bar's position with it.
    if (m_onScroll) {
        m_onScroll(pos);
    } else {
        SetScrollPos(pos);
    }
}

void CScrollBarUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK: {
            if (!IsEnabled()) return;
            const RECT thumb = GetThumbRect();
            if (IsRectEmpty(thumb)) return;
            if (PtInRect(thumb, event.ptMouse)) {
                m_bDragging = true;
                m_nDragGrip = Along(event.ptMouse) - (m_bHorizontal ? thumb.left - m_rcItem.left : thumb.top - m_rcItem.top);
                Invalidate();
            } else {
                // A page towards the pointer.
                const int thumbStart = m_bHorizontal ? thumb.left : thumb.top;
                const int at = m_bHorizontal ? event.ptMouse.x : event.ptMouse.y;
                const int page = std::max(m_nPageSize, m_nLineSize);
                UserScrollTo(at < thumbStart ? m_nPos - page : m_nPos + page);
            }
            return;
        }
        case UIEVENT_MOUSEMOVE:
            if (m_bDragging) UserScrollTo(PosForThumbAt(Along(event.ptMouse) - m_nDragGrip));
            return;
        case UIEVENT_BUTTONUP:
            if (m_bDragging) {
                m_bDragging = false;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEENTER:
            m_bHot = true;
            Invalidate();
            return;
        case UIEVENT_MOUSELEAVE:
            m_bHot = false;
            Invalidate();
            return;
        case UIEVENT_SCROLLWHEEL: {
            const int step = m_nLineSize * kWheelLines;
            UserScrollTo(event.wParam == 0 ? m_nPos - step : m_nPos + step);
            return;
        }
        default:
            CControlUI::DoEvent(event);
            return;
    }
}

void CScrollBarUI::PaintBkColor(HDC hDC) {
    if (m_nRange > 0) CRenderEngine::DrawColor(hDC, m_rcItem, kTrackColor);
}

void CScrollBarUI::PaintStatusImage(HDC hDC) {
    const RECT thumb = GetThumbRect();
    if (IsRectEmpty(thumb)) return;
    const int thickness = m_bHorizontal ? thumb.bottom - thumb.top : thumb.right - thumb.left;
    const CPaintClip round(hDC, thumb, SIZE{thickness / 2, thickness / 2});
    CRenderEngine::DrawColor(hDC, thumb, (m_bHot || m_bDragging) ? kThumbHotColor : kThumbColor);
}

}  // namespace DuiLib
