#include "platform/duilib/controls/layout_share.h"

#include <algorithm>
#include <cstdint>

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

}  // namespace DuiLib
