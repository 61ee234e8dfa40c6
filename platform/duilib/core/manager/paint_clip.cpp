#include "platform/duilib/core/manager/paint_clip.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/gdi/paint_context.h"

namespace DuiLib {

bool IntersectRect(RECT* out, const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (IsRectEmpty(r)) r = RECT{};
    if (out) *out = r;
    return !IsRectEmpty(r);
}

CPaintClip::CPaintClip(HDC hDC, const RECT& rc, SIZE round) {
    zovi::platform::GdiContext* context = hDC ? zovi::platform::GdiContextOf(hDC) : nullptr;
    cairo_t* cr = context ? context->cr : nullptr;
    if (!cr || cairo_status(cr) != CAIRO_STATUS_SUCCESS) return;
    cairo_save(cr);
    cr_ = cr;
    // Cut to what is drawable now; a rounded outline keeps its real corners when they
    // lie inside that box and is dropped (plain rectangle) when they do not.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    const RECT box{static_cast<LONG>(std::floor(x1)), static_cast<LONG>(std::floor(y1)),
                   static_cast<LONG>(std::ceil(x2)), static_cast<LONG>(std::ceil(y2))};
    RECT visible{};
    IntersectRect(&visible, rc, box);
    cairo_new_path(cr);
    const bool cornersInside = rc.left >= box.left && rc.top >= box.top && rc.right <= box.right && rc.bottom <= box.bottom;
    if (round.cx > 0 && round.cy > 0 && cornersInside && !IsRectEmpty(visible)) {
        const double w = rc.right - rc.left, h = rc.bottom - rc.top;
        const double rx = std::min<double>(round.cx, w / 2), ry = std::min<double>(round.cy, h / 2);
        cairo_save(cr);
        cairo_translate(cr, rc.left, rc.top);
        cairo_scale(cr, rx, ry);
        const double sw = w / rx, sh = h / ry;
        cairo_arc(cr, sw - 1, 1, 1, -M_PI / 2, 0);
        cairo_arc(cr, sw - 1, sh - 1, 1, 0, M_PI / 2);
        cairo_arc(cr, 1, sh - 1, 1, M_PI / 2, M_PI);
        cairo_arc(cr, 1, 1, 1, M_PI, 3 * M_PI / 2);
        cairo_close_path(cr);
        cairo_restore(cr);
    } else {
        cairo_rectangle(cr, visible.left, visible.top, visible.right - visible.left, visible.bottom - visible.top);
    }
    cairo_clip(cr);
}

CPaintClip::~CPaintClip() {
    if (cr_) cairo_restore(static_cast<cairo_t*>(cr_));
}

}  // namespace DuiLib
