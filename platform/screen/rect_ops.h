// Rectangle helpers with Win32 semantics: right and bottom are exclusive; a rectangle is
// empty when its width or height is not positive.
#pragma once
#include <algorithm>

#include "platform/base/wintypes.h"

namespace zovi::platform {

inline bool IsRectEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

inline bool IsRectAllZero(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

// The common part; an empty result is all zero and the return is false.
inline bool IntersectRect(RECT* out, const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsRectEmpty(r)) r = {0, 0, 0, 0};
    *out = r;
    return !IsRectEmpty(r);
}

// The bounding rectangle; an empty operand is ignored.
inline bool UnionRect(RECT* out, const RECT& a, const RECT& b) {
    if (IsRectEmpty(a)) {
        *out = IsRectEmpty(b) ? RECT{0, 0, 0, 0} : b;
    } else if (IsRectEmpty(b)) {
        *out = a;
    } else {
        *out = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
    }
    return !IsRectEmpty(*out);
}

inline bool PtInRect(const RECT& rc, POINT pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

}  // namespace zovi::platform
