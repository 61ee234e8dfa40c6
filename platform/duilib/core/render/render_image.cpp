// The render engine's images: references resolved to surfaces, nine-slice cuts, and
// the drawing of a part of a surface into a rectangle.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/duilib/core/render/render_clip.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/string/dui_log.h"

namespace DuiLib {
namespace {

CRenderEngine::ImageLookup g_imageLookup = nullptr;

// "#…" names: the paint manager's images, then the shared ones; other names: the skin.
TImagePtr FindImage(const CPaintManagerUI* manager, const std::wstring& name) {
    if (name.empty() || name[0] != L'#') return GetSkinImage(name);
    TImagePtr image = manager && g_imageLookup ? g_imageLookup(manager, name.c_str()) : nullptr;
    if (!image) image = FindSharedImage(name);
    if (!image) LogOnce(L"image:" + name, L"image missing: " + name);
    return image;
}

// A surface over the pixels of `surface` from (x, y) on, `width` x `height`, in `format`
// (RGB24 over ARGB32 pixels ignores their alpha). Null when it cannot be made.
cairo_surface_t* PixelView(cairo_surface_t* surface, int x, int y, int width, int height, cairo_format_t format) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data) return nullptr;
    const int stride = cairo_image_surface_get_stride(surface);
    cairo_surface_t* view = cairo_image_surface_create_for_data(data + static_cast<size_t>(y) * stride + x * 4, format,
                                                                width, height, stride);
    if (cairo_surface_status(view) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(view);
        return nullptr;
    }
    return view;
}

// The three spans [start, start + a), [start + a, end - b), [end - b, end) of a nine-slice
// axis; insets too large for the span shrink in proportion.
void SplitAxis(LONG start, LONG end, LONG a, LONG b, LONG out[4]) {
    const int64_t span = static_cast<int64_t>(end) - start;
    int64_t first = std::max<LONG>(a, 0), last = std::max<LONG>(b, 0);
    if (first + last > span) {
        const int64_t total = first + last;
        first = span * first / total;
        last = span - first;
    }
    out[0] = start;
    out[1] = static_cast<LONG>(start + first);
    out[2] = static_cast<LONG>(end - last);
    out[3] = end;
}

}  // namespace

void CRenderEngine::SetImageLookup(ImageLookup lookup) { g_imageLookup = lookup; }

bool CRenderEngine::DrawImageString(HDC hDC, CPaintManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                    const wchar_t* imageRef, BYTE opacity) {
    TImageRef ref;
    if (!ParseImageRef(imageRef, &ref)) {
        const std::wstring text = imageRef ? imageRef : L"";
        LogOnce(L"imageref:" + text, L"image reference not understood: " + text);
        return false;
    }
    TImagePtr image = FindImage(manager, ref.file);
    if (!image || !image->surface) return false;
    RECT source = ref.hasSource ? ref.source : RECT{0, 0, image->width, image->height};
    source = render::Intersect(source, {0, 0, image->width, image->height});
    RECT dest = rcItem;
    if (ref.hasDest) {
        dest = {render::Saturate(int64_t{rcItem.left} + ref.dest.left),
                render::Saturate(int64_t{rcItem.top} + ref.dest.top),
                render::Saturate(int64_t{rcItem.left} + ref.dest.right),
                render::Saturate(int64_t{rcItem.top} + ref.dest.bottom)};
    }
    // The image stays inside its control.
    const RECT clip = render::Intersect(rcItem, rcPaint);
    if (render::IsEmpty(source) || render::IsEmpty(dest) || render::IsEmpty(clip)) return true;
    if (!ref.hasCorner) {
        DrawImage(hDC, image->surface, dest, clip, source, image->alpha, opacity);
        return true;
    }
    // Nine slices: corners at their own size, edges stretched along one axis, the
    // centre both ways.
    LONG sx[4], sy[4], dx[4], dy[4];
    SplitAxis(source.left, source.right, ref.corner.left, ref.corner.right, sx);
    SplitAxis(source.top, source.bottom, ref.corner.top, ref.corner.bottom, sy);
    SplitAxis(dest.left, dest.right, sx[1] - sx[0], sx[3] - sx[2], dx);
    SplitAxis(dest.top, dest.bottom, sy[1] - sy[0], sy[3] - sy[2], dy);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const RECT part = {sx[column], sy[row], sx[column + 1], sy[row + 1]};
            const RECT target = {dx[column], dy[row], dx[column + 1], dy[row + 1]};
            if (!render::IsEmpty(part) && !render::IsEmpty(target)) {
                DrawImage(hDC, image->surface, target, clip, part, image->alpha, opacity);
            }
        }
    }
    return true;
}

void CRenderEngine::DrawImage(HDC hDC, cairo_surface_t* surface, const RECT& dest, const RECT& rcPaint,
                              const RECT& source, bool alpha, BYTE opacity) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr || !surface || opacity == 0 || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return;
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        LogOnce(L"image:type", L"only image surfaces can be drawn as images");
        return;
    }
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        LogOnce(L"image:format", L"only 32-bit image surfaces can be drawn as images");
        return;
    }
    const RECT bounds = {0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
    const RECT part = render::Intersect(source, bounds);
    RECT visible;
    if (render::IsEmpty(part) || !render::VisiblePart(cr, render::Intersect(dest, rcPaint), &visible)) return;
    // Image pixels per device pixel, and the image point under the visible corner. The
    // pattern starts a few pixels before that point (the filter reads neighbours), so
    // no translation by the far-away destination ever reaches Cairo.
    const double scaleX = static_cast<double>(render::Width(part)) / static_cast<double>(render::Width(dest));
    const double scaleY = static_cast<double>(render::Height(part)) / static_cast<double>(render::Height(dest));
    const bool ownSize = render::Width(part) == render::Width(dest) && render::Height(part) == render::Height(dest);
    const double u = static_cast<double>(static_cast<int64_t>(visible.left) - dest.left) * scaleX;
    const double v = static_cast<double>(static_cast<int64_t>(visible.top) - dest.top) * scaleY;
    const int marginX = ownSize ? 0 : static_cast<int>(std::ceil(scaleX)) + 2;
    const int marginY = ownSize ? 0 : static_cast<int>(std::ceil(scaleY)) + 2;
    const int startX = std::max(0, static_cast<int>(std::floor(u)) - marginX);
    const int startY = std::max(0, static_cast<int>(std::floor(v)) - marginY);
    cairo_surface_flush(surface);
    cairo_surface_t* view = PixelView(surface, part.left + startX, part.top + startY,
                                      static_cast<int>(render::Width(part)) - startX,
                                      static_cast<int>(render::Height(part)) - startY,
                                      alpha ? format : CAIRO_FORMAT_RGB24);
    if (!view) return;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(view);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, scaleX, 0, 0, scaleY, u - startX - visible.left * scaleX,
                      v - startY - visible.top * scaleY);
    cairo_pattern_set_matrix(pattern, &matrix);
    // At its own size the image lands on whole pixels and is copied as is.
    cairo_pattern_set_filter(pattern, ownSize ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, visible.left, visible.top, static_cast<double>(render::Width(visible)),
                    static_cast<double>(render::Height(visible)));
    cairo_clip(cr);
    cairo_set_source(cr, pattern);
    if (opacity == 255) {
        cairo_paint(cr);
    } else {
        cairo_paint_with_alpha(cr, opacity / 255.0);
    }
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(view);
    render::CheckContext(cr);
}

}  // namespace DuiLib
