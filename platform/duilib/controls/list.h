// CListUI ("List"): a vertical layout of rows that scrolls vertically by default. It has
// no header (the `header` attribute is accepted and the header stays hidden), selects
// nothing and raises nothing: its rows' own children raise their notifications.
#pragma once
#include "platform/duilib/controls/vertical_layout.h"

namespace DuiLib {

class CListUI : public CVerticalLayoutUI {
public:
    CListUI();

    const wchar_t* GetClass() const override { return L"ListUI"; }
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override { return UIFLAG_SETCURSOR; }
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
};

}  // namespace DuiLib
