// Placing the children of a vertical or horizontal layout along one axis: fixed children
// get their size, the space left over is shared equally among the flexible ones, each
// kept within its minimum and maximum (those hitting a limit are settled there and the
// rest is shared again). Across the axis a child fills the area less its padding, or
// takes its fixed size at its leading padding. The two layouts differ only in the axis.
#pragma once
#include <vector>

#include "platform/base/wintypes.h"

namespace DuiLib {

class CControlUI;

struct TAxisItem {
    LONG fixed = 0;  // 0: flexible
    LONG min = 0, max = 0;
    LONG before = 0, after = 0;  // padding along the axis
};

// The size of each item along the axis, given the space inside the inset and the gap
// between items. Flexible items get 0 or their minimum when nothing is left.
std::vector<LONG> ShareAxis(const std::vector<TAxisItem>& items, LONG space, LONG gap);

enum class EAxis { kHorizontal, kVertical };

struct TAxisPlacement {
    std::vector<RECT> rects;  // one per item, in order
    SIZE extent{};            // from the area's top-left to the far edge of the content (padding included)
};

// Where `items` (the visible children, in order) go in `area`, `gap` apart along `axis`.
TAxisPlacement PlaceAlongAxis(const std::vector<CControlUI*>& items, const RECT& area, LONG gap, EAxis axis);

}  // namespace DuiLib
