// Sharing space along one axis of a vertical or horizontal layout: fixed children get
// their size, the space left over is shared equally among the flexible ones, each kept
// within its minimum and maximum (those hitting a limit are settled there and the rest
// is shared again).
#pragma once
#include <vector>

#include "platform/base/wintypes.h"

namespace DuiLib {

struct TAxisItem {
    LONG fixed = 0;  // 0: flexible
    LONG min = 0, max = 0;
    LONG before = 0, after = 0;  // padding along the axis
};

// The size of each item along the axis, given the space inside the inset and the gap
// between items. Flexible items get 0 or their minimum when nothing is left.
std::vector<LONG> ShareAxis(const std::vector<TAxisItem>& items, LONG space, LONG gap);

}  // namespace DuiLib
