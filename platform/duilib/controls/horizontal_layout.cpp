#include "platform/duilib/controls/horizontal_layout.h"

#include <cwchar>
#include <utility>

#include "platform/duilib/controls/layout_share.h"

namespace DuiLib {

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

SIZE CHorizontalLayoutUI::PlaceItems(const std::vector<CControlUI*>& items, const RECT& area, std::vector<RECT>* rects) {
    TAxisPlacement placement = PlaceAlongAxis(items, area, m_iChildPadding, EAxis::kHorizontal);
    *rects = std::move(placement.rects);
    return placement.extent;
}

}  // namespace DuiLib
