#include "platform/duilib/controls/vertical_layout.h"

#include <algorithm>
#include <cwchar>

#include "platform/duilib/controls/layout_share.h"

namespace DuiLib {

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    const RECT area = InsetRect();
    const SIZE available{std::max<LONG>(area.right - area.left, 0), std::max<LONG>(area.bottom - area.top, 0)};
    std::vector<CControlUI*> shown;
    std::vector<TAxisItem> axis;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) continue;
        const RECT pad = item->GetPadding();
        shown.push_back(item);
        axis.push_back(TAxisItem{item->EstimateSize(available).cy, item->GetMinHeight(), item->GetMaxHeight(),
                                 pad.top, pad.bottom});
    }
    const std::vector<LONG> heights = ShareAxis(axis, available.cy, m_iChildPadding);
    LONG y = area.top;
    for (size_t i = 0; i < shown.size(); ++i) {
        CControlUI* item = shown[i];
        const RECT pad = item->GetPadding();
        const LONG fixedWidth = item->EstimateSize(available).cx;
        LONG width = fixedWidth > 0 ? fixedWidth : available.cx - pad.left - pad.right;
        width = std::clamp(width, item->GetMinWidth(), std::max(item->GetMinWidth(), item->GetMaxWidth()));
        y += pad.top;
        const RECT placed{area.left + pad.left, y, area.left + pad.left + std::max<LONG>(width, 0), y + heights[i]};
        item->SetPos(placed, false);
        y += heights[i] + pad.bottom + m_iChildPadding;
    }
}

}  // namespace DuiLib
