#include "platform/duilib/controls/list_element.h"

#include <cwchar>

#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

DWORD IListItemUI::HighlightBkColor(const CControlUI* self) const {
    if (!m_pOwner) return 0;
    const TListItemColors& colors = m_pOwner->GetItemColors();
    if (m_pOwner->IsItemSelected(self) && (colors.selectedBk >> 24)) return colors.selectedBk;
    if (m_pOwner->IsItemHot(self) && (colors.hotBk >> 24)) return colors.hotBk;
    return 0;
}

IListItemUI* AsListItem(CControlUI* control) {
    return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

CListLabelElementUI::CListLabelElementUI() {
    m_dwTextColor = 0xFF333333;
    m_rcTextPadding = RECT{8, 0, 8, 0};
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
}

void* CListLabelElementUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"ListLabelElement") == 0) return this;
    if (name && std::wcscmp(name, L"ListItem") == 0) return static_cast<IListItemUI*>(this);
    return CLabelUI::GetInterface(name);
}

void CListLabelElementUI::PaintBkColor(HDC hDC) {
    if (const DWORD color = HighlightBkColor(this)) {
        CRenderEngine::DrawColor(hDC, m_rcItem, color);
        return;
    }
    CLabelUI::PaintBkColor(hDC);
}

DWORD CListLabelElementUI::CurrentTextColor() const {
    if (m_pOwner && IsEnabled()) {
        const TListItemColors& colors = m_pOwner->GetItemColors();
        if (m_pOwner->IsItemSelected(this) && (colors.selectedText >> 24)) return colors.selectedText;
        if (colors.text >> 24) return colors.text;
    }
    return CLabelUI::CurrentTextColor();
}

void* CListContainerElementUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"ListContainerElement") == 0) return this;
    if (name && std::wcscmp(name, L"ListItem") == 0) return static_cast<IListItemUI*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

void CListContainerElementUI::PaintBkColor(HDC hDC) {
    if (const DWORD color = HighlightBkColor(this)) {
        CRenderEngine::DrawColor(hDC, m_rcItem, color);
        return;
    }
    CHorizontalLayoutUI::PaintBkColor(hDC);
}

}  // namespace DuiLib
