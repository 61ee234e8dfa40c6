#include "platform/duilib/controls/container.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>

#include "platform/duilib/controls/scroll_bar.h"
#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/parse/value_parse.h"

namespace DuiLib {

CContainerUI::~CContainerUI() {
    // Children go first, while this container still exists for their leaving.
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) delete item;
    m_pVerticalScrollBar.reset();
    m_pHorizontalScrollBar.reset();
}

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"Container") == 0) return this;
    return CControlUI::GetInterface(name);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : m_items) item->SetManager(manager, this, init);
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetManager(manager, this, init);
    if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetManager(manager, this, init);
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
    else if (n == L"vscrollbar" && ParseBool(value, &flag)) EnableScrollBar(flag, m_pHorizontalScrollBar != nullptr);
    else if (n == L"hscrollbar" && ParseBool(value, &flag)) EnableScrollBar(m_pVerticalScrollBar != nullptr, flag);
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

std::vector<CControlUI*> CContainerUI::VisibleItems() const {
    std::vector<CControlUI*> shown;
    for (CControlUI* item : m_items) {
        if (item->IsVisible()) shown.push_back(item);
    }
    return shown;
}

SIZE CContainerUI::PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects) {
    int64_t right = area.left, bottom = area.top;
    rects->clear();
    for (CControlUI* item : items) {
        const RECT placed = PlaceInArea(item, area);
        const RECT pad = item->GetPadding();
        rects->push_back(placed);
        right = std::max<int64_t>(right, static_cast<int64_t>(placed.right) + pad.right);
        bottom = std::max<int64_t>(bottom, static_cast<int64_t>(placed.bottom) + pad.bottom);
    }
    return SIZE{static_cast<LONG>(std::min<int64_t>(right - area.left, INT32_MAX)),
                static_cast<LONG>(std::min<int64_t>(bottom - area.top, INT32_MAX))};
}

RECT CContainerUI::ViewRect() const {
    RECT view = InsetRect();
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible()) view.right -= CScrollBarUI::kThickness;
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) view.bottom -= CScrollBarUI::kThickness;
    view.right = std::max(view.right, view.left);
    view.bottom = std::max(view.bottom, view.top);
    return view;
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    ArrangeForScroll();
}

void CContainerUI::ArrangeForScroll() {
    const RECT inset = InsetRect();
    RECT view = inset;
    view.right = std::max(view.right, view.left);
    view.bottom = std::max(view.bottom, view.top);
    const std::vector<CControlUI*> shown = VisibleItems();
    std::vector<RECT> rects;
    SIZE content = PlaceItems(shown, view, &rects);
    // A bar takes room from the view, which can make the content longer (wrapped text)
    // or make the other bar needed too.
    bool showV = false, showH = false;
    for (int round = 0; round < 3; ++round) {
        bool changed = false;
        if (m_pVerticalScrollBar && !showV && content.cy > view.bottom - view.top) {
            showV = changed = true;
            view.right = std::max(view.left, view.right - CScrollBarUI::kThickness);
        }
        if (m_pHorizontalScrollBar && !showH && content.cx > view.right - view.left) {
            showH = changed = true;
            view.bottom = std::max(view.top, view.bottom - CScrollBarUI::kThickness);
        }
        if (!changed) break;
        content = PlaceItems(shown, view, &rects);
    }
    SIZE offset{};
    if (CScrollBarUI* bar = m_pVerticalScrollBar.get()) {
        bar->Show(showV);
        bar->SetPageSize(view.bottom - view.top);
        bar->SetScrollRange(showV ? content.cy - (view.bottom - view.top) : 0);
        bar->SetPos(RECT{view.right, inset.top, view.right + CScrollBarUI::kThickness, view.bottom}, false);
        offset.cy = bar->GetScrollPos();
    }
    if (CScrollBarUI* bar = m_pHorizontalScrollBar.get()) {
        bar->Show(showH);
        bar->SetPageSize(view.right - view.left);
        bar->SetScrollRange(showH ? content.cx - (view.right - view.left) : 0);
        bar->SetPos(RECT{inset.left, view.bottom, view.right, view.bottom + CScrollBarUI::kThickness}, false);
        offset.cx = bar->GetScrollPos();
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        RECT placed = rects[i];
        placed.left -= offset.cx;
        placed.right -= offset.cx;
        placed.top -= offset.cy;
        placed.bottom -= offset.cy;
        shown[i]->SetPos(placed, false);
    }
}

SIZE CContainerUI::GetScrollPos() const {
    return SIZE{m_pHorizontalScrollBar ? m_pHorizontalScrollBar->GetScrollPos() : 0,
                m_pVerticalScrollBar ? m_pVerticalScrollBar->GetScrollPos() : 0};
}

SIZE CContainerUI::GetScrollRange() const {
    return SIZE{m_pHorizontalScrollBar ? m_pHorizontalScrollBar->GetScrollRange() : 0,
                m_pVerticalScrollBar ? m_pVerticalScrollBar->GetScrollRange() : 0};
}

void CContainerUI::SetScrollPos(SIZE pos) {
    const SIZE before = GetScrollPos();
    if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetScrollPos(pos.cx);
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetScrollPos(pos.cy);
    const SIZE after = GetScrollPos();
    if (after.cx == before.cx && after.cy == before.cy) return;
    ArrangeForScroll();
    Invalidate();
}

namespace {
int LineOf(const CScrollBarUI* bar) { return bar ? bar->GetLineSize() : CScrollBarUI::kDefaultLineSize; }
int PageOf(const CScrollBarUI* bar) { return bar ? std::max(bar->GetPageSize(), bar->GetLineSize()) : 0; }
}  // namespace

void CContainerUI::LineUp() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy - LineOf(m_pVerticalScrollBar.get())});
}
void CContainerUI::LineDown() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy + LineOf(m_pVerticalScrollBar.get())});
}
void CContainerUI::PageUp() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy - PageOf(m_pVerticalScrollBar.get())});
}
void CContainerUI::PageDown() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx, pos.cy + PageOf(m_pVerticalScrollBar.get())});
}
void CContainerUI::HomeUp() { SetScrollPos(SIZE{GetScrollPos().cx, 0}); }
void CContainerUI::EndDown() { SetScrollPos(SIZE{GetScrollPos().cx, GetScrollRange().cy}); }
void CContainerUI::LineLeft() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx - LineOf(m_pHorizontalScrollBar.get()), pos.cy});
}
void CContainerUI::LineRight() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx + LineOf(m_pHorizontalScrollBar.get()), pos.cy});
}
void CContainerUI::PageLeft() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx - PageOf(m_pHorizontalScrollBar.get()), pos.cy});
}
void CContainerUI::PageRight() {
    const SIZE pos = GetScrollPos();
    SetScrollPos(SIZE{pos.cx + PageOf(m_pHorizontalScrollBar.get()), pos.cy});
}
void CContainerUI::HomeLeft() { SetScrollPos(SIZE{0, GetScrollPos().cy}); }
void CContainerUI::EndRight() { SetScrollPos(SIZE{GetScrollRange().cx, GetScrollPos().cy}); }

void CContainerUI::EnableScrollBar(bool enableVertical, bool enableHorizontal) {
    auto update = [this](std::unique_ptr<CScrollBarUI>& bar, bool enable, bool horizontal) {
        if (enable == (bar != nullptr)) return;
        if (!enable) {
            bar.reset();
            return;
        }
        bar = std::make_unique<CScrollBarUI>(horizontal);
        bar->Show(false);
        bar->SetManager(m_pManager, this, m_pManager != nullptr);
        bar->SetScrollCallback([this, horizontal](int pos) {
            const SIZE now = GetScrollPos();
            SetScrollPos(horizontal ? SIZE{pos, now.cy} : SIZE{now.cx, pos});
        });
    };
    update(m_pVerticalScrollBar, enableVertical, false);
    update(m_pHorizontalScrollBar, enableHorizontal, true);
    NeedUpdate();
}

bool CContainerUI::ScrollByWheel(const TEventUI& event) {
    CScrollBarUI* vertical = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible() ? m_pVerticalScrollBar.get() : nullptr;
    CScrollBarUI* horizontal =
        m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible() ? m_pHorizontalScrollBar.get() : nullptr;
    // Shift turns the wheel sideways; without a vertical bar the wheel scrolls across.
    CScrollBarUI* bar = (horizontal && ((event.wKeyState & MK_SHIFT) || !vertical)) ? horizontal : vertical;
    if (!bar) return false;
    const int step = bar->GetLineSize() * CScrollBarUI::kWheelLines * (event.wParam == 0 ? -1 : 1);
    const SIZE pos = GetScrollPos();
    SetScrollPos(bar == horizontal ? SIZE{pos.cx + step, pos.cy} : SIZE{pos.cx, pos.cy + step});
    return true;
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SCROLLWHEEL && ScrollByWheel(event)) return;
    CControlUI::DoEvent(event);
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !PtInRect(m_rcItem, pt)) return nullptr;
    for (CScrollBarUI* bar : {m_pVerticalScrollBar.get(), m_pHorizontalScrollBar.get()}) {
        if (CControlUI* found = bar ? bar->FindControlAt(pt) : nullptr) return found;
    }
    // Top-most first; children only inside the view, where they are shown.
    if (PtInRect(ViewRect(), pt)) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
        }
    }
    return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::PaintContent(HDC hDC, const RECT& area) {
    // A copy: a child's painting must not change the list, but stay safe if it does.
    const std::vector<CControlUI*> items = m_items;
    for (CControlUI* item : items) {
        RECT meet{};
        // Children wholly outside (scrolled far away) never reach the drawing code.
        if (item->IsVisible() && IntersectRect(&meet, area, item->GetPos())) item->DoPaint(hDC, area);
    }
}

bool CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT visible{};
    if (!IntersectRect(&visible, rcPaint, m_rcItem)) return true;
    CControlUI::DoPaint(hDC, rcPaint);
    RECT area{};
    if (IntersectRect(&area, visible, ViewRect())) {
        const CPaintClip clip(hDC, area);
        PaintContent(hDC, area);
    }
    for (CScrollBarUI* bar : {m_pVerticalScrollBar.get(), m_pHorizontalScrollBar.get()}) {
        RECT meet{};
        if (bar && bar->IsVisible() && IntersectRect(&meet, visible, bar->GetPos())) {
            const CPaintClip clip(hDC, meet);
            bar->DoPaint(hDC, meet);
        }
    }
    return true;
}

}  // namespace DuiLib
