// CVerticalLayoutUI: children top to bottom inside the inset, each between its top and
// bottom padding, `childpadding` apart. Fixed heights are kept; the height left over is
// shared equally among the flexible children within their minimum and maximum. A
// child's width is the width less its left and right padding, or its fixed width placed
// at its left padding. Hidden children take no space.
#pragma once
#include "platform/duilib/controls/container.h"

namespace DuiLib {

class CVerticalLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override { return L"VerticalLayoutUI"; }
    void* GetInterface(const wchar_t* name) override;

protected:
    SIZE PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects) override;
};

}  // namespace DuiLib
