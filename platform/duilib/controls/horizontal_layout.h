// CHorizontalLayoutUI: children left to right inside the inset, each between its left
// and right padding, `childpadding` apart. Fixed widths are kept; the width left over is
// shared equally among the flexible children within their minimum and maximum. A
// child's height is the height less its top and bottom padding, or its fixed height
// placed at its top padding. Hidden children take no space.
#pragma once
#include "platform/duilib/controls/container.h"

namespace DuiLib {

class CHorizontalLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override { return L"HorizontalLayoutUI"; }
    void* GetInterface(const wchar_t* name) override;

protected:
    SIZE PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects) override;
};

}  // namespace DuiLib
