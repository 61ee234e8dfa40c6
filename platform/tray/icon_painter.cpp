#include "platform/tray/icon_painter.h"

#include <X11/Xlib.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace zovi::platform::tray {
namespace {

std::uint32_t Premultiply(std::uint32_t pixel) {
    const std::uint32_t alpha = pixel >> 24;
    if (alpha == 255) return pixel;
    auto channel = [&](int shift) { return ((((pixel >> shift) & 0xFF) * alpha + 127) / 255) << shift; };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

// The icon as a Cairo image (premultiplied, as Cairo keeps colour).
cairo_surface_t* IconSurface(const ZoviIcon& icon) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, icon.width, icon.height);
    cairo_surface_flush(surface);
    unsigned char* rows = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < icon.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(rows + static_cast<ptrdiff_t>(y) * stride);
        const std::uint32_t* source = &icon.argb[static_cast<size_t>(y) * icon.width];
        std::transform(source, source + icon.width, row, Premultiply);
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace

void PaintIconWindow(Display* display, unsigned long window, void* visual, int width, int height,
                     const ZoviIcon* icon) {
    // The background (the panel's own, for a ParentRelative one) goes under the icon's
    // transparent pixels.
    XClearArea(display, window, 0, 0, 0, 0, False);
    const bool drawable = icon && icon->width > 0 && icon->height > 0 &&
                          icon->argb.size() == static_cast<size_t>(icon->width) * icon->height;
    if (!drawable || width <= 0 || height <= 0) {
        XFlush(display);
        return;
    }
    cairo_surface_t* target = cairo_xlib_surface_create(display, window, static_cast<Visual*>(visual), width, height);
    cairo_surface_t* image = IconSurface(*icon);
    cairo_t* cr = cairo_create(target);
    const double scale = std::min(static_cast<double>(width) / icon->width, static_cast<double>(height) / icon->height);
    cairo_translate(cr, (width - icon->width * scale) / 2, (height - icon->height * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);
    XFlush(display);
}

}  // namespace zovi::platform::tray
