#include "platform/duilib/core/render/render_clip.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/base/utf8.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/gdi/paint_context.h"

namespace DuiLib::render {
namespace {

// Far inside Cairo's fixed-point range (about ±8 million).
constexpr double kCoordinateLimit = 1 << 22;

void LogError(cairo_t* cr) {
    const char* status = cairo_status_to_string(cairo_status(cr));
    LogOnce(L"cairo:" + zovi::platform::Utf8ToWide(status),
            L"drawing skipped: the Cairo context is in error state (" + zovi::platform::Utf8ToWide(status) + L")");
}

}  // namespace

cairo_t* ContextOf(HDC hdc) {
    zovi::platform::GdiContext* context = zovi::platform::GdiContextOf(hdc);
    if (!context || !context->cr) return nullptr;
    if (cairo_status(context->cr) != CAIRO_STATUS_SUCCESS) {
        LogError(context->cr);
        return nullptr;
    }
    return context->cr;
}

void CheckContext(cairo_t* cr) {
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) LogError(cr);
}

RECT Intersect(const RECT& a, const RECT& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

RECT ClipBox(cairo_t* cr) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    auto bound = [](double v) { return static_cast<LONG>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); };
    return {bound(std::floor(x1)), bound(std::floor(y1)), bound(std::ceil(x2)), bound(std::ceil(y2))};
}

bool VisiblePart(cairo_t* cr, const RECT& rc, RECT* visible) {
    if (IsEmpty(rc)) return false;
    *visible = Intersect(rc, ClipBox(cr));
    return !IsEmpty(*visible);
}

RECT Clamp(cairo_t* cr, const RECT& rc, int margin) {
    const RECT box = ClipBox(cr);
    auto clampX = [&](LONG v) { return std::clamp<LONG>(v, box.left - margin, box.right + margin); };
    auto clampY = [&](LONG v) { return std::clamp<LONG>(v, box.top - margin, box.bottom + margin); };
    return {clampX(rc.left), clampY(rc.top), clampX(rc.right), clampY(rc.bottom)};
}

void SetColor(cairo_t* cr, DWORD argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          ((argb >> 24) & 0xFF) / 255.0);
}

}  // namespace DuiLib::render
