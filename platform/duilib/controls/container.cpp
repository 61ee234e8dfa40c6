#include "platform/duilib/controls/container.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"

namespace DuiLib {

CContainerUI::~CContainerUI() {
    // Children go first, while this container still exists for their leaving.
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) delete item;
}

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Container") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : m_items) item->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return m_items[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    auto it = std::find(m_items.begin(), m_items.end(), control);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || control == this || index < 0 || index > GetCount() || GetItemIndex(control) >= 0) return false;
    m_items.insert(m_items.begin() + index, control);
    if (m_pManager) {
        control->SetManager(m_pManager, this, true);
    } else {
        control->SetManager(nullptr, this, false);
    }
    NeedUpdate();
    return true;
}

void CContainerUI::Detach(CControlUI* control, bool doNotDestroy) {
    if (!m_pManager) {
        if (doNotDestroy) {
            control->SetManager(nullptr, nullptr, false);
        } else {
            delete control;
        }
        return;
    }
    m_pManager->ReapObjects(control);
    if (doNotDestroy) {
        control->SetManager(nullptr, nullptr, false);
    } else {
        m_pManager->AddDelayedCleanup(control);
    }
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
    const int index = GetItemIndex(control);
    return index >= 0 && RemoveAt(index, doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
    CControlUI* control = GetItemAt(index);
    if (!control) return false;
    m_items.erase(m_items.begin() + index);
    Detach(control, doNotDestroy);
    NeedUpdate();
    Invalidate();
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) Detach(item, false);
    NeedUpdate();
    Invalidate();
}

void CContainerUI::SetInset(RECT rc) {
    m_rcInset = rc;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    m_iChildPadding = padding;
    NeedUpdate();
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    const std::wstring n = name;
    RECT rc{};
    int number = 0;
    bool flag = false;
    if (n == L"inset" && ParseRect(value, &rc)) SetInset(rc);
    else if (n == L"childpadding" && ParseInt(value, &number)) SetChildPadding(number);
    else if (n == L"virtualwnd") SetVirtualWnd(value);
    else if (n == L"vscrollbar" && ParseBool(value, &flag)) m_bVScrollWanted = flag;
    else if (n == L"hscrollbar" && ParseBool(value, &flag)) m_bHScrollWanted = flag;
    else if (n == L"inset" || n == L"childpadding" || n == L"vscrollbar" || n == L"hscrollbar") {
        LogBadAttribute(name, value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

RECT CContainerUI::InsetRect() const {
    return RECT{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top, m_rcItem.right - m_rcInset.right,
                m_rcItem.bottom - m_rcInset.bottom};
}

RECT CContainerUI::PlaceInArea(CControlUI* child, const RECT& area) {
    const RECT pad = child->GetPadding();
    const SIZE fixed = child->EstimateSize(SIZE{area.right - area.left, area.bottom - area.top});
    LONG w = fixed.cx > 0 ? fixed.cx : area.right - area.left - pad.left - pad.right;
    LONG h = fixed.cy > 0 ? fixed.cy : area.bottom - area.top - pad.top - pad.bottom;
    w = std::clamp<LONG>(w, child->GetMinWidth(), std::max(child->GetMinWidth(), child->GetMaxWidth()));
    h = std::clamp<LONG>(h, child->GetMinHeight(), std::max(child->GetMinHeight(), child->GetMaxHeight()));
    const LONG x = area.left + pad.left, y = area.top + pad.top;
    return RECT{x, y, x + std::max<LONG>(w, 0), y + std::max<LONG>(h, 0)};
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    const RECT area = InsetRect();
    for (CControlUI* item : m_items) {
        if (item->IsVisible()) item->SetPos(PlaceInArea(item, area), false);
    }
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !PtInRect(m_rcItem, pt)) return nullptr;
    // Top-most first; children only inside the inset area, where they are shown.
    if (PtInRect(InsetRect(), pt)) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
        }
    }
    return IsMouseEnabled() ? this : nullptr;
}

bool CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT visible{};
    if (!IntersectRect(&visible, rcPaint, m_rcItem)) return true;
    CControlUI::DoPaint(hDC, rcPaint);
    RECT area{};
    if (!IntersectRect(&area, visible, InsetRect())) return true;
    const CPaintClip clip(hDC, area);
    // A copy: a child's painting must not change the list, but stay safe if it does.
    const std::vector<CControlUI*> items = m_items;
    for (CControlUI* item : items) {
        RECT meet{};
        if (item->IsVisible() && IntersectRect(&meet, area, item->GetPos())) item->DoPaint(hDC, area);
    }
    return true;
}

}  // namespace DuiLib
