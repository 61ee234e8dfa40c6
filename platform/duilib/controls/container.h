// CContainerUI: a control holding an ordered list of children (the last on top). Every
// visible child fills the inset area less its padding (its fixed width or height where
// it has one), which stacks them. Hidden children take no space. Children removed with
// Remove/RemoveAll leave the tree and the name map at once and are freed later by the
// paint manager (a handler of theirs may still be on the stack). The vertical and
// horizontal layouts derive from it and only change SetPos.
#pragma once
#include <vector>

#include "platform/duilib/controls/control.h"

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
    // The scroll-bar wishes of the layout; scrolling itself comes with the scroll bar.
    bool IsVScrollBarWanted() const { return m_bVScrollWanted; }
    bool IsHScrollBarWanted() const { return m_bHScrollWanted; }

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    CControlUI* FindControlAt(POINT pt) override;
    bool DoPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    // The area inside the inset.
    RECT InsetRect() const;
    // Where a child goes in `area`: its fixed size (within min/max) placed at its
    // padding, or the area less its padding.
    static RECT PlaceInArea(CControlUI* child, const RECT& area);
    // Takes a child out of the tree: names, hover, capture, focus, timers, groups.
    void Detach(CControlUI* control, bool doNotDestroy);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset{};
    int m_iChildPadding = 0;
    CDuiString m_sVirtualWnd;
    bool m_bVScrollWanted = false, m_bHScrollWanted = false;
};

}  // namespace DuiLib
