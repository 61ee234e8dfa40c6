#include "platform/duilib/controls/horizontal_layout.h"

#include <algorithm>
#include <cwchar>

#include "platform/duilib/controls/layout_share.h"

namespace DuiLib {

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    const RECT area = InsetRect();
    const SIZE available{std::max<LONG>(area.right - area.left, 0), std::max<LONG>(area.bottom - area.top, 0)};
    std::vector<CControlUI*> shown;
    std::vector<TAxisItem> axis;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) continue;
        const RECT pad = item->GetPadding();
        shown.push_back(item);
        axis.push_back(TAxisItem{item->EstimateSize(available).cx, item->GetMinWidth(), item->GetMaxWidth(),
                                 pad.left, pad.right});
    }
    const std::vector<LONG> widths = ShareAxis(axis, available.cx, m_iChildPadding);
    LONG x = area.left;
    for (size_t i = 0; i < shown.size(); ++i) {
        CControlUI* item = shown[i];
        const RECT pad = item->GetPadding();
        const LONG fixedHeight = item->EstimateSize(available).cy;
        LONG height = fixedHeight > 0 ? fixedHeight : available.cy - pad.top - pad.bottom;
        height = std::clamp(height, item->GetMinHeight(), std::max(item->GetMinHeight(), item->GetMaxHeight()));
        x += pad.left;
        const RECT placed{x, area.top + pad.top, x + widths[i], area.top + pad.top + std::max<LONG>(height, 0)};
        item->SetPos(placed, false);
        x += widths[i] + pad.right + m_iChildPadding;
    }
}

}  // namespace DuiLib
