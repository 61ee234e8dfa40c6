#include "platform/duilib/controls/layout_share.h"

#include <algorithm>
#include <cstdint>

#include "platform/duilib/controls/control.h"

namespace DuiLib {

std::vector<LONG> ShareAxis(const std::vector<TAxisItem>& items, LONG space, LONG gap) {
    std::vector<LONG> sizes(items.size(), 0);
    if (items.empty()) return sizes;
    int64_t left = static_cast<int64_t>(space) - static_cast<int64_t>(gap) * (static_cast<int64_t>(items.size()) - 1);
    std::vector<size_t> open;  // flexible items not settled yet
    for (size_t i = 0; i < items.size(); ++i) {
        const TAxisItem& item = items[i];
        const LONG max = std::max(item.min, item.max);
        left -= static_cast<int64_t>(item.before) + item.after;
        if (item.fixed > 0) {
            sizes[i] = std::clamp(item.fixed, item.min, max);
            left -= sizes[i];
        } else {
            open.push_back(i);
        }
    }
    // Settle the items whose equal share breaks a limit, then share the rest again.
    for (bool settled = true; settled && !open.empty();) {
        settled = false;
        const int64_t share = std::max<int64_t>(left, 0) / static_cast<int64_t>(open.size());
        for (auto it = open.begin(); it != open.end();) {
            const TAxisItem& item = items[*it];
            const LONG max = std::max(item.min, item.max);
            const LONG limit = share < item.min ? item.min : share > max ? max : -1;
            if (limit >= 0) {
                sizes[*it] = limit;
                left -= limit;
                it = open.erase(it);
                settled = true;
            } else {
                ++it;
            }
        }
    }
    if (open.empty()) return sizes;
    // The remainder of the equal division goes to the last flexible items, one pixel each.
    const int64_t rest = std::max<int64_t>(left, 0);
    const int64_t share = rest / static_cast<int64_t>(open.size());
    int64_t extra = rest - share * static_cast<int64_t>(open.size());
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        sizes[*it] = static_cast<LONG>(share + (extra > 0 ? 1 : 0));
        if (extra > 0) --extra;
    }
    return sizes;
}

namespace {

// One axis of a control's geometry: "main" runs along the layout, "cross" across it.
struct Axis {
    bool vertical;
    LONG Main(SIZE s) const { return vertical ? s.cy : s.cx; }
    LONG Cross(SIZE s) const { return vertical ? s.cx : s.cy; }
    LONG MainMin(const CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
    LONG MainMax(const CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
    LONG CrossMin(const CControlUI* c) const { return vertical ? c->GetMinWidth() : c->GetMinHeight(); }
    LONG CrossMax(const CControlUI* c) const { return vertical ? c->GetMaxWidth() : c->GetMaxHeight(); }
    LONG MainBefore(const RECT& r) const { return vertical ? r.top : r.left; }
    LONG MainAfter(const RECT& r) const { return vertical ? r.bottom : r.right; }
    LONG CrossBefore(const RECT& r) const { return vertical ? r.left : r.top; }
    LONG CrossAfter(const RECT& r) const { return vertical ? r.right : r.bottom; }
    RECT Make(LONG mainStart, LONG mainEnd, LONG crossStart, LONG crossEnd) const {
        return vertical ? RECT{crossStart, mainStart, crossEnd, mainEnd} : RECT{mainStart, crossStart, mainEnd, crossEnd};
    }
    SIZE MakeSize(LONG main, LONG cross) const { return vertical ? SIZE{cross, main} : SIZE{main, cross}; }
};

}  // namespace

TAxisPlacement PlaceAlongAxis(const std::vector<CControlUI*>& items, const RECT& area, LONG gap, EAxis which) {
    const Axis axis{which == EAxis::kVertical};
    const SIZE available{std::max<LONG>(area.right - area.left, 0), std::max<LONG>(area.bottom - area.top, 0)};
    std::vector<TAxisItem> shares;
    std::vector<SIZE> fixed;
    for (CControlUI* item : items) {
        const RECT pad = item->GetPadding();
        fixed.push_back(item->EstimateSize(available));
        shares.push_back(TAxisItem{axis.Main(fixed.back()), axis.MainMin(item), axis.MainMax(item),
                                   axis.MainBefore(pad), axis.MainAfter(pad)});
    }
    const std::vector<LONG> sizes = ShareAxis(shares, axis.Main(available), gap);
    TAxisPlacement placement;
    const LONG mainStart = axis.MainBefore(area), crossStart = axis.CrossBefore(area);
    int64_t main = mainStart, crossEnd = crossStart;
    for (size_t i = 0; i < items.size(); ++i) {
        CControlUI* item = items[i];
        const RECT pad = item->GetPadding();
        const LONG fixedCross = axis.Cross(fixed[i]);
        LONG cross = fixedCross > 0 ? fixedCross : axis.Cross(available) - axis.CrossBefore(pad) - axis.CrossAfter(pad);
        cross = std::clamp(cross, axis.CrossMin(item), std::max(axis.CrossMin(item), axis.CrossMax(item)));
        cross = std::max<LONG>(cross, 0);
        if (i > 0) main += gap;
        main += axis.MainBefore(pad);
        const LONG at = crossStart + axis.CrossBefore(pad);
        placement.rects.push_back(axis.Make(static_cast<LONG>(main), static_cast<LONG>(main + sizes[i]), at, at + cross));
        main += sizes[i] + axis.MainAfter(pad);
        crossEnd = std::max<int64_t>(crossEnd, static_cast<int64_t>(at) + cross + axis.CrossAfter(pad));
    }
    placement.extent = axis.MakeSize(static_cast<LONG>(std::clamp<int64_t>(main - mainStart, 0, INT32_MAX)),
                                     static_cast<LONG>(std::clamp<int64_t>(crossEnd - crossStart, 0, INT32_MAX)));
    return placement;
}

}  // namespace DuiLib
