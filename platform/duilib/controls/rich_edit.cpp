#include "platform/duilib/controls/rich_edit.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/duilib/controls/scroll_bar.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {
namespace {
constexpr UINT kTextStyle = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;
}  // namespace

CRichEditUI::CRichEditUI() = default;

void* CRichEditUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"RichEdit") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CRichEditUI::SetText(const wchar_t* text) {
    if (m_sText == text) return;
    m_sText = text;
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetScrollPos(0);
    NeedUpdate();
}

void CRichEditUI::SetTextColor(DWORD color) {
    m_dwTextColor = color;
    Invalidate();
}

void CRichEditUI::SetFont(int id) {
    m_iFont = id;
    NeedUpdate();
}

void CRichEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    int number = 0;
    DWORD color = 0;
    bool flag = false;
    if (n == L"font" && ParseInt(value, &number)) SetFont(number);
    else if (n == L"textcolor" && ParseColor(value, &color)) SetTextColor(color);
    else if ((n == L"readonly" || n == L"autovscroll") && ParseBool(value, &flag)) {
        // Accepted: the view is always read-only and never follows appended text.
    } else if (n == L"font" || n == L"textcolor" || n == L"readonly" || n == L"autovscroll") {
        LogBadAttribute(name, value);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

SIZE CRichEditUI::PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects) {
    const SIZE children = CContainerUI::PlaceItems(items, area, rects);
    const int width = area.right - area.left;
    // Measured as PaintContent draws it; the text wraps to the view, so only its height
    // can exceed it.
    const LONG textHeight =
        m_sText.IsEmpty() ? 0 : CRenderEngine::MeasureText(m_pManager, m_sText.str(), m_iFont, kTextStyle, width).cy;
    return SIZE{children.cx, std::max<LONG>(children.cy, textHeight)};
}

void CRichEditUI::PaintContent(HDC hDC, const RECT& area) {
    const RECT view = ViewRect();
    if (!m_sText.IsEmpty() && view.right > view.left) {
        const LONG top = view.top - GetScrollPos().cy;
        const LONG height = std::max(GetScrollRange().cy + (view.bottom - view.top), view.bottom - view.top);
        const RECT rc{view.left, top, view.right, top + height};
        CRenderEngine::DrawText(hDC, m_pManager, rc, m_sText.str(), m_dwTextColor, m_iFont, kTextStyle);
    }
    CContainerUI::PaintContent(hDC, area);
}

}  // namespace DuiLib
