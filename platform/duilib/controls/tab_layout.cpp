#include "platform/duilib/controls/tab_layout.h"

#include <cwchar>
#include <string>

#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"

namespace DuiLib {

void* CTabLayoutUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"TabLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_iCurSel < 0 || index == m_iWantedSel) {
        // The first page, or the one the layout asked for while it is being built.
        if (index == m_iWantedSel) m_iWantedSel = -1;
        m_iCurSel = index;
        ShowOnly(index);
        return true;
    }
    if (index <= m_iCurSel) ++m_iCurSel;
    control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::RemoveAt(int index, bool doNotDestroy) {
    if (!GetItemAt(index)) return false;
    const bool wasCurrent = index == m_iCurSel;
    if (wasCurrent) DropFocusInside(GetItemAt(index));
    if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
    if (index < m_iCurSel) {
        --m_iCurSel;
    } else if (wasCurrent) {
        // Its neighbour takes its place: the page that moved into the index, else the
        // one before it.
        m_iCurSel = GetCount() == 0 ? -1 : (index < GetCount() ? index : GetCount() - 1);
        if (m_iCurSel >= 0) ShowOnly(m_iCurSel);
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    CContainerUI::RemoveAll();
    m_iCurSel = -1;
    m_iWantedSel = -1;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (!GetItemAt(index)) return false;
    m_iWantedSel = -1;  // a choice made by code outranks the layout's
    if (index == m_iCurSel) return true;
    DropFocusInside(GetItemAt(m_iCurSel));
    m_iCurSel = index;
    ShowOnly(index);
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* page) {
    const int index = page ? GetItemIndex(page) : -1;
    return index >= 0 && SelectItem(index);
}

void CTabLayoutUI::ShowOnly(int index) {
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
    NeedUpdate();
}

void CTabLayoutUI::DropFocusInside(CControlUI* page) {
    if (!page || !m_pManager) return;
    for (CControlUI* c = m_pManager->GetFocus(); c; c = c->GetParent()) {
        if (c == page) {
            m_pManager->SetFocus(nullptr);
            return;
        }
    }
}

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    int number = 0;
    if (std::wstring(name) == L"selectedid") {
        if (!ParseInt(value, &number) || number < 0) {
            LogBadAttribute(name, value);
        } else if (!SelectItem(number)) {
            m_iWantedSel = number;  // its page comes later in the layout
        }
        return;
    }
    CContainerUI::SetAttribute(name, value);
}

}  // namespace DuiLib
