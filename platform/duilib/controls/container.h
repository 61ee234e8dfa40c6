// CContainerUI: a control holding an ordered list of children (the last on top). Every
// visible child fills the inset area less its padding (its fixed width or height where
// it has one), which stacks them. Hidden children take no space. Children removed with
// Remove/RemoveAll leave the tree and the name map at once and are freed later by the
// paint manager (a handler of theirs may still be on the stack). The vertical and
// horizontal layouts derive from it and only change where the children go (PlaceItems).
//
// Scrolling: with `vscrollbar`/`hscrollbar` a scroll bar appears along the right or
// bottom edge of the inset area when the content is larger than the view, taking its
// thickness from the view. Children are moved by the scroll position (in pixels, kept
// within 0 … range), shown clipped to the view, and skipped when they lie outside the
// part being painted. The wheel over the container or any child that passes it up
// scrolls it. Scrolling raises no notification.
#pragma once
#include <memory>
#include <vector>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/controls/scroll_bar.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    const wchar_t* GetClass() const override { return L"ContainerUI"; }
    void* GetInterface(const wchar_t* name) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;

    // Children.
    int GetCount() const { return static_cast<int>(m_items.size()); }
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* control) const;
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    // `doNotDestroy`: the caller keeps the control (it leaves the paint manager too).
    virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
    virtual bool RemoveAt(int index, bool doNotDestroy = false);
    virtual void RemoveAll();

    RECT GetInset() const { return m_rcInset; }
    void SetInset(RECT rc);
    int GetChildPadding() const { return m_iChildPadding; }
    void SetChildPadding(int padding);
    // Notifications raised inside carry this name in sVirtualWnd (the nearest wins).
    const CDuiString& GetVirtualWnd() const { return m_sVirtualWnd; }
    void SetVirtualWnd(const wchar_t* name) { m_sVirtualWnd = name; }

    // Scrolling (cx horizontal, cy vertical, in pixels).
    SIZE GetScrollPos() const;
    // Clamped to 0 … range; moves the children and repaints. Raises nothing.
    virtual void SetScrollPos(SIZE pos);
    SIZE GetScrollRange() const;
    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();
    void HomeUp();
    void EndDown();
    void LineLeft();
    void LineRight();
    void PageLeft();
    void PageRight();
    void HomeLeft();
    void EndRight();
    // Makes or drops the bars (`vscrollbar`/`hscrollbar` in XML).
    virtual void EnableScrollBar(bool enableVertical = true, bool enableHorizontal = false);
    CScrollBarUI* GetVerticalScrollBar() const { return m_pVerticalScrollBar.get(); }
    CScrollBarUI* GetHorizontalScrollBar() const { return m_pHorizontalScrollBar.get(); }

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    CControlUI* FindControlAt(POINT pt) override;
    void DoEvent(TEventUI& event) override;
    bool DoPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    // The area inside the inset.
    RECT InsetRect() const;
    // The part of the inset area the children are shown in (less the shown bars).
    RECT ViewRect() const;
    // The visible children, in order.
    std::vector<CControlUI*> VisibleItems() const;
    // Where each of `items` goes in `area` before scrolling (one rectangle each), and
    // the extent of the content from the area's top-left corner (padding included).
    virtual SIZE PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects);
    // Paints what the view shows of the content (the children), clipped to `area`.
    virtual void PaintContent(HDC hDC, const RECT& area);
    // The wheel: true when a shown bar took it.
    bool ScrollByWheel(const TEventUI& event);
    // Where a child goes in `area`: its fixed size (within min/max) placed at its
    // padding, or the area less its padding.
    static RECT PlaceInArea(CControlUI* child, const RECT& area);
    // Takes a child out of the tree: names, hover, capture, focus, timers, groups.
    void Detach(CControlUI* control, bool doNotDestroy);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset{};
    int m_iChildPadding = 0;
    CDuiString m_sVirtualWnd;
    std::unique_ptr<CScrollBarUI> m_pVerticalScrollBar, m_pHorizontalScrollBar;

private:
    // Places the children in the view at the scroll position (and the bars).
    void ArrangeForScroll();
};

}  // namespace DuiLib
