#include "platform/duilib/controls/option.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

COptionUI::~COptionUI() {
    if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

void* COptionUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Option") == 0) return this;
    return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (m_pManager && m_pManager != manager && !m_sGroupName.IsEmpty()) {
        m_pManager->RemoveOptionGroup(m_sGroupName, this);
    }
    CButtonUI::SetManager(manager, parent, init);
    JoinGroup();
}

void COptionUI::JoinGroup() {
    if (!m_pManager || m_sGroupName.IsEmpty()) return;
    m_pManager->AddOptionGroup(m_sGroupName, this);
    if (!m_bSelected) return;
    if (const std::vector<CControlUI*>* group = m_pManager->GetOptionGroup(m_sGroupName)) {
        const std::vector<CControlUI*> peers = *group;
        for (CControlUI* peer : peers) {
            auto* option = static_cast<COptionUI*>(peer->GetInterface(L"Option"));
            if (option && option != this && option->IsSelected()) option->Selected(false, false);
        }
    }
}

void COptionUI::SetGroup(const wchar_t* group) {
    const CDuiString name = group;
    if (name == m_sGroupName) return;
    if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
    m_sGroupName = name;
    JoinGroup();
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;  // raised "click"
    // From here on only this option's own members: the click's handlers may have
    // changed anything else.
    if (!m_sGroupName.IsEmpty()) {
        Selected(true);
    } else {
        Selected(!m_bSelected);
    }
    return true;
}

void COptionUI::Selected(bool selected, bool trigger) {
    if (m_bSelected == selected) return;
    m_bSelected = selected;
    if (selected) {
        m_uButtonState |= UISTATE_SELECTED;
    } else {
        m_uButtonState &= ~UISTATE_SELECTED;
    }
    if (selected && m_pManager && !m_sGroupName.IsEmpty()) {
        const std::vector<CControlUI*>* group = m_pManager->GetOptionGroup(m_sGroupName);
        // An option taken out of the tree (by a handler of its own click) has left its
        // group and leaves the peers alone.
        if (group && std::find(group->begin(), group->end(), this) != group->end()) {
            const std::vector<CControlUI*> peers = *group;  // a handler may change the group
            for (CControlUI* peer : peers) {
                auto* option = static_cast<COptionUI*>(peer->GetInterface(L"Option"));
                if (option && option != this) option->Selected(false, false);
            }
        }
    }
    Invalidate();
    if (trigger) Notify(DUI_MSGTYPE_SELECTCHANGED);
}

void COptionUI::SetSelectedImage(const wchar_t* image) { m_sSelectedImage = image; Invalidate(); }
void COptionUI::SetSelectedHotImage(const wchar_t* image) { m_sSelectedHotImage = image; Invalidate(); }
void COptionUI::SetSelectedBkColor(DWORD color) { m_dwSelectedBkColor = color; Invalidate(); }
void COptionUI::SetSelectedTextColor(DWORD color) { m_dwSelectedTextColor = color; Invalidate(); }

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    DWORD color = 0;
    bool flag = false;
    if (n == L"group") SetGroup(value);
    else if (n == L"selected" && ParseBool(value, &flag)) Selected(flag, false);
    else if (n == L"selectedimage") SetSelectedImage(value);
    else if (n == L"selectedhotimage") SetSelectedHotImage(value);
    else if (n == L"selectedbkcolor" && ParseColor(value, &color)) SetSelectedBkColor(color);
    else if (n == L"selectedtextcolor" && ParseColor(value, &color)) SetSelectedTextColor(color);
    else if (n == L"selected" || n == L"selectedbkcolor" || n == L"selectedtextcolor") LogBadAttribute(name, value);
    else CButtonUI::SetAttribute(name, value);
}

DWORD COptionUI::CurrentTextColor() const {
    if (m_bSelected && IsEnabled() && m_dwSelectedTextColor) return m_dwSelectedTextColor;
    return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(HDC hDC) {
    if (m_bSelected && (m_dwSelectedBkColor >> 24)) {
        CRenderEngine::DrawColor(hDC, m_rcItem, m_dwSelectedBkColor);
        return;
    }
    CButtonUI::PaintBkColor(hDC);
}

void COptionUI::PaintStatusImage(HDC hDC) {
    if (m_bSelected) {
        // The selected look wins over the disabled one (ticked but disabled source rows).
        if ((m_uButtonState & UISTATE_HOT) && IsEnabled() && !m_sSelectedHotImage.IsEmpty() &&
            DrawImage(hDC, m_sSelectedHotImage)) {
            return;
        }
        if (!m_sSelectedImage.IsEmpty() && DrawImage(hDC, m_sSelectedImage)) return;
    }
    PaintButtonImage(hDC);
}

}  // namespace DuiLib
