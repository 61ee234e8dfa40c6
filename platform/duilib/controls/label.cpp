#include "platform/duilib/controls/label.h"

#include <cwchar>
#include <string>

#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

CLabelUI::CLabelUI() : m_uTextStyle(DT_VCENTER | DT_SINGLELINE) {}

void* CLabelUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Label") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CLabelUI::SetTextColor(DWORD color) {
    m_dwTextColor = color;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
    m_dwDisabledTextColor = color;
    Invalidate();
}

void CLabelUI::SetFont(int id) {
    m_iFont = id;
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT rc) {
    m_rcTextPadding = rc;
    Invalidate();
}

void CLabelUI::SetTextStyle(UINT style) {
    m_uTextStyle = style;
    Invalidate();
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name, v = value;
    int number = 0;
    DWORD color = 0;
    RECT rc{};
    bool flag = false;
    if (n == L"font" && ParseInt(value, &number)) SetFont(number);
    else if (n == L"textcolor" && ParseColor(value, &color)) SetTextColor(color);
    else if (n == L"disabledtextcolor" && ParseColor(value, &color)) SetDisabledTextColor(color);
    else if (n == L"textpadding" && ParseRect(value, &rc)) SetTextPadding(rc);
    else if (n == L"endellipsis" && ParseBool(value, &flag)) {
        SetTextStyle(flag ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS));
    } else if (n == L"align" && (v == L"left" || v == L"center" || v == L"right")) {
        const UINT align = v == L"center" ? DT_CENTER : v == L"right" ? DT_RIGHT : DT_LEFT;
        SetTextStyle((m_uTextStyle & ~(DT_CENTER | DT_RIGHT)) | align);
    } else if (n == L"valign" && (v == L"top" || v == L"vcenter" || v == L"center" || v == L"bottom")) {
        const UINT valign = v == L"top" ? DT_TOP : v == L"bottom" ? DT_BOTTOM : DT_VCENTER;
        SetTextStyle((m_uTextStyle & ~(DT_VCENTER | DT_BOTTOM)) | valign);
    } else if (n == L"font" || n == L"textcolor" || n == L"disabledtextcolor" || n == L"textpadding" ||
               n == L"endellipsis" || n == L"align" || n == L"valign") {
        LogBadAttribute(name, value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

DWORD CLabelUI::CurrentTextColor() const {
    if (IsEnabled()) return m_dwTextColor;
    if (m_dwDisabledTextColor) return m_dwDisabledTextColor;
    return ((m_dwTextColor >> 24) / 2) << 24 | (m_dwTextColor & 0x00FFFFFF);
}

RECT CLabelUI::TextRect() const {
    return RECT{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
                m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
}

void CLabelUI::PaintText(HDC hDC) {
    if (m_sText.IsEmpty()) return;
    const RECT rc = TextRect();
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    CRenderEngine::DrawText(hDC, m_pManager, rc, m_sText.str(), CurrentTextColor(), m_iFont, m_uTextStyle);
}

}  // namespace DuiLib
