// CTabLayoutUI: a container whose children are pages, one shown at a time (the others
// are hidden, so they take no space and get no input). Selecting a page by code raises
// nothing, ever; an index out of range is refused. Adding and removing pages keeps the
// current page where it can: the first page added becomes current, pages inserted before
// it move its index, and removing it shows its neighbour.
#pragma once
#include "platform/duilib/controls/container.h"

namespace DuiLib {

class CTabLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override { return L"TabLayoutUI"; }
    void* GetInterface(const wchar_t* name) override;

    bool AddAt(CControlUI* control, int index) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    void RemoveAll() override;

    // The current page's index, -1 when there is none.
    int GetCurSel() const { return m_iCurSel; }
    // False (and no change) when `index` is out of range.
    virtual bool SelectItem(int index);
    // False when `page` is not a page of this layout.
    bool SelectItem(CControlUI* page);

    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

private:
    // Shows `index` and hides every other page.
    void ShowOnly(int index);
    // Takes the focus away from a control inside a page that is being hidden.
    void DropFocusInside(CControlUI* page);

    int m_iCurSel = -1;
    // The layout's `selectedid`, waiting for its page to be added.
    int m_iWantedSel = -1;
};

}  // namespace DuiLib
