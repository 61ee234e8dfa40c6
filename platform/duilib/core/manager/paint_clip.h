// A clip on a paint context for the length of a scope: controls paint inside their own
// rectangle (optionally with rounded corners) and children inside their parent's inset
// area. The rectangle is cut to the current clip first, so no far-away coordinate
// reaches Cairo. Nested scopes narrow the clip; leaving one restores the previous clip.
#pragma once
#include "platform/base/wintypes.h"
#include "platform/window/window_types.h"

namespace DuiLib {

class CPaintClip {
public:
    CPaintClip(HDC hDC, const RECT& rc, SIZE round = SIZE{0, 0});
    ~CPaintClip();
    CPaintClip(const CPaintClip&) = delete;
    CPaintClip& operator=(const CPaintClip&) = delete;

private:
    void* cr_ = nullptr;  // cairo_t*, saved on entry
};

// Rectangle helpers shared by controls and the paint manager.
inline bool IsRectEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }
inline bool PtInRect(const RECT& rc, POINT pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}
// The common part of two rectangles; false (and an empty result) when they do not meet.
bool IntersectRect(RECT* out, const RECT& a, const RECT& b);
inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace DuiLib
