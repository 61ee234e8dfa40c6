// Icons (HICON): PNG images decoded with Cairo into straight-alpha ARGB pixels.
#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/tray/notify_icon.h"

namespace {

struct MemoryReader {
    const unsigned char* data;
    size_t left;
};

cairo_status_t ReadFromMemory(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<MemoryReader*>(closure);
    if (length > reader->left) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data, length);
    reader->data += length;
    reader->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

// Cairo keeps premultiplied colour; an icon keeps straight colour.
std::uint32_t Unpremultiply(std::uint32_t pixel) {
    const std::uint32_t alpha = pixel >> 24;
    if (alpha == 0) return 0;
    if (alpha == 255) return pixel;
    auto channel = [&](int shift) {
        const std::uint32_t value = (pixel >> shift) & 0xFF;
        return std::min<std::uint32_t>(255, (value * 255 + alpha / 2) / alpha) << shift;
    };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

}  // namespace

HICON CreateIconFromPng(const unsigned char* data, size_t size) {
    if (!data || size == 0) return nullptr;
    MemoryReader reader{data, size};
    cairo_surface_t* png = cairo_image_surface_create_from_png_stream(&ReadFromMemory, &reader);
    const int width = cairo_image_surface_get_width(png);
    const int height = cairo_image_surface_get_height(png);
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS || width <= 0 || height <= 0) {
        cairo_surface_destroy(png);
        return nullptr;
    }
    // Drawn onto an ARGB32 surface: the PNG's own format may be RGB24 or a wider one.
    cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(png);
    cairo_surface_flush(argb);

    auto* icon = new ZoviIcon;
    icon->width = width;
    icon->height = height;
    icon->argb.reserve(static_cast<size_t>(width) * height);
    const unsigned char* rows = cairo_image_surface_get_data(argb);
    const int stride = cairo_image_surface_get_stride(argb);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rows + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) icon->argb.push_back(Unpremultiply(row[x]));
    }
    cairo_surface_destroy(argb);
    return icon;
}

BOOL DestroyIcon(HICON icon) {
    if (!icon) return FALSE;
    delete icon;
    return TRUE;
}
