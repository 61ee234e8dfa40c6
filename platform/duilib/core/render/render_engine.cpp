// The render engine's shapes: fills, lines and outlines.
#include "platform/duilib/core/render/render_engine.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/duilib/core/render/render_clip.h"

namespace DuiLib {
namespace {

// Adds the whole-pixel rectangle `rc`, cut to the clip box, to the current path.
void AddVisibleRect(cairo_t* cr, const RECT& rc) {
    RECT visible;
    if (render::VisiblePart(cr, rc, &visible)) {
        cairo_rectangle(cr, visible.left, visible.top, static_cast<double>(render::Width(visible)),
                        static_cast<double>(render::Height(visible)));
    }
}

void Fill(cairo_t* cr, DWORD color) {
    render::SetColor(cr, color);
    cairo_fill(cr);
    render::CheckContext(cr);
}

// Cuts the segment (x1,y1)-(x2,y2) to `box` (Liang-Barsky). False when nothing is left.
bool ClipSegment(const RECT& box, double* x1, double* y1, double* x2, double* y2) {
    double t0 = 0, t1 = 1;
    const double dx = *x2 - *x1, dy = *y2 - *y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {*x1 - box.left, box.right - *x1, *y1 - box.top, box.bottom - *y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const double startX = *x1 + t0 * dx, startY = *y1 + t0 * dy;
    *x2 = *x1 + t1 * dx;
    *y2 = *y1 + t1 * dy;
    *x1 = startX;
    *y1 = startY;
    return true;
}

}  // namespace

void CRenderEngine::DrawColor(HDC hDC, const RECT& rc, DWORD color) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr || (color >> 24) == 0) return;
    cairo_new_path(cr);
    AddVisibleRect(cr, rc);
    Fill(cr, color);
}

void CRenderEngine::DrawLine(HDC hDC, const RECT& rc, int size, DWORD color) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr || size <= 0 || (color >> 24) == 0) return;
    cairo_new_path(cr);
    // Straight lines cover whole pixels: rows (or columns) from the start, the end
    // point left out as GDI does.
    const int64_t before = (size - 1) / 2;
    if (rc.top == rc.bottom) {
        AddVisibleRect(cr, {std::min(rc.left, rc.right), render::Saturate(rc.top - before), std::max(rc.left, rc.right),
                            render::Saturate(rc.top - before + size)});
        Fill(cr, color);
        return;
    }
    if (rc.left == rc.right) {
        AddVisibleRect(cr, {render::Saturate(rc.left - before), std::min(rc.top, rc.bottom),
                            render::Saturate(rc.left - before + size), std::max(rc.top, rc.bottom)});
        Fill(cr, color);
        return;
    }
    // Other lines: through pixel centres, cut to the clip box widened by the width.
    RECT box = render::ClipBox(cr);
    const int64_t margin = std::min(size, 1 << 20);
    box = {render::Saturate(box.left - margin), render::Saturate(box.top - margin),
           render::Saturate(box.right + margin), render::Saturate(box.bottom + margin)};
    double x1 = rc.left + 0.5, y1 = rc.top + 0.5, x2 = rc.right + 0.5, y2 = rc.bottom + 0.5;
    if (!ClipSegment(box, &x1, &y1, &x2, &y2)) return;
    cairo_save(cr);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_set_line_width(cr, size);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    render::SetColor(cr, color);
    cairo_stroke(cr);
    cairo_restore(cr);
    render::CheckContext(cr);
}

void CRenderEngine::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color) {
    if (size > 0) DrawBorders(hDC, rc, {size, size, size, size}, color);
}

void CRenderEngine::DrawBorders(HDC hDC, const RECT& rc, const RECT& widths, DWORD color) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr || render::IsEmpty(rc) || (color >> 24) == 0) return;
    // Whole-pixel bands that never overlap (so a translucent colour is not blended twice
    // at the corners): the pixels 1-pixel lines on half-pixel centres would cover.
    const int64_t width = render::Width(rc), height = render::Height(rc);
    const LONG top = static_cast<LONG>(std::clamp<int64_t>(widths.top, 0, height));
    const LONG bottom = static_cast<LONG>(std::clamp<int64_t>(widths.bottom, 0, height - top));
    const LONG left = static_cast<LONG>(std::clamp<int64_t>(widths.left, 0, width));
    const LONG right = static_cast<LONG>(std::clamp<int64_t>(widths.right, 0, width - left));
    cairo_new_path(cr);
    AddVisibleRect(cr, {rc.left, rc.top, rc.right, rc.top + top});
    AddVisibleRect(cr, {rc.left, rc.bottom - bottom, rc.right, rc.bottom});
    AddVisibleRect(cr, {rc.left, rc.top + top, rc.left + left, rc.bottom - bottom});
    AddVisibleRect(cr, {rc.right - right, rc.top + top, rc.right, rc.bottom - bottom});
    Fill(cr, color);
}

void CRenderEngine::DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color) {
    if (width <= 0 || height <= 0) {
        DrawRect(hDC, rc, size, color);
        return;
    }
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr || size <= 0 || render::IsEmpty(rc) || (color >> 24) == 0) return;
    RECT visible;
    if (!render::VisiblePart(cr, rc, &visible)) return;
    // Edges far outside are brought in; the corners they carry stay out of sight.
    const RECT near = render::Clamp(cr, rc, static_cast<int>(std::min<int64_t>(
                                                int64_t{std::max(width, height)} + size + 2, 1 << 22)));
    // The stroke runs `size` / 2 inside the rectangle.
    const double half = size / 2.0;
    const double x = near.left + half, y = near.top + half;
    const double w = static_cast<double>(render::Width(near)) - size;
    const double h = static_cast<double>(render::Height(near)) - size;
    if (w <= 0 || h <= 0) {
        DrawColor(hDC, rc, color);  // thinner than its own outline: all border
        return;
    }
    const double rx = std::min(std::max(width - half, 0.5), w / 2);
    const double ry = std::min(std::max(height - half, 0.5), h / 2);
    cairo_save(cr);
    cairo_new_path(cr);
    const struct {
        double cx, cy, from;
    } corners[] = {
        {x + w - rx, y + ry, -M_PI / 2},
        {x + w - rx, y + h - ry, 0},
        {x + rx, y + h - ry, M_PI / 2},
        {x + rx, y + ry, M_PI},
    };
    for (const auto& corner : corners) {
        cairo_save(cr);
        cairo_translate(cr, corner.cx, corner.cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, corner.from, corner.from + M_PI / 2);
        cairo_restore(cr);
    }
    cairo_close_path(cr);
    cairo_set_line_width(cr, size);
    render::SetColor(cr, color);
    cairo_stroke(cr);
    cairo_restore(cr);
    render::CheckContext(cr);
}

}  // namespace DuiLib
