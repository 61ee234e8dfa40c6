// The rows of lists and combos. A row raises nothing itself (its combo raises
// "itemselect"; children of a container row raise their own notifications). Inside a
// combo's drop-down a row takes the combo's item colours: the drop-down tracks which row
// is hot, the combo knows which one is selected, and the row asks its owner when it
// paints. In a list a row has no owner: neither selectable nor highlighted.
//   CListLabelElementUI      "ListLabelElement": one line of text
//   CListContainerElementUI  "ListContainerElement": a horizontal layout of children;
//                            its `text` is what a combo shows for it in the face
#pragma once
#include "platform/duilib/controls/horizontal_layout.h"
#include "platform/duilib/controls/label.h"

namespace DuiLib {

// The colours of rows in a drop-down (0: not set).
struct TListItemColors {
    DWORD hotBk = 0;
    DWORD selectedBk = 0;
    DWORD text = 0;
    DWORD selectedText = 0;
};

// What a row asks of the control that owns it (a combo).
class IListOwnerUI {
public:
    virtual bool IsItemHot(const CControlUI* row) const = 0;
    virtual bool IsItemSelected(const CControlUI* row) const = 0;
    virtual const TListItemColors& GetItemColors() const = 0;

protected:
    virtual ~IListOwnerUI() = default;
};

// What both rows share: GetInterface(L"ListItem") returns it.
class IListItemUI {
public:
    IListOwnerUI* GetOwner() const { return m_pOwner; }
    void SetOwner(IListOwnerUI* owner) { m_pOwner = owner; }

protected:
    ~IListItemUI() = default;
    // The background a row in a drop-down shows now (0: its own).
    DWORD HighlightBkColor(const CControlUI* self) const;

    IListOwnerUI* m_pOwner = nullptr;
};

class CListLabelElementUI : public CLabelUI, public IListItemUI {
public:
    // Text #FF333333, 8 pixels of text padding left and right.
    CListLabelElementUI();

    const wchar_t* GetClass() const override { return L"ListLabelElementUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return UIFLAG_SETCURSOR; }
    void PaintBkColor(HDC hDC) override;

protected:
    DWORD CurrentTextColor() const override;
};

class CListContainerElementUI : public CHorizontalLayoutUI, public IListItemUI {
public:
    const wchar_t* GetClass() const override { return L"ListContainerElementUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return UIFLAG_SETCURSOR; }
    void PaintBkColor(HDC hDC) override;
};

// The row interface of a control, or null when it is no list row.
IListItemUI* AsListItem(CControlUI* control);

}  // namespace DuiLib
