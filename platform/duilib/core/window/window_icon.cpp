#include "platform/duilib/core/window/window_icon.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/duilib/core/resources/image_cache.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/string/dui_log.h"

namespace DuiLib {

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 64, 128};

// Cairo keeps premultiplied alpha; the icon property wants straight alpha.
std::uint32_t Unpremultiply(std::uint32_t pixel) {
    const std::uint32_t a = pixel >> 24;
    if (a == 0) return 0;
    if (a == 255) return pixel;
    auto channel = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
    const std::uint32_t r = channel((pixel >> 16) & 0xFF), g = channel((pixel >> 8) & 0xFF), b = channel(pixel & 0xFF);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

bool ToIconImage(cairo_surface_t* surface, zovi::platform::IconImage* icon) {
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        return false;
    }
    cairo_surface_flush(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width <= 0 || height <= 0) return false;
    icon->width = width;
    icon->height = height;
    icon->argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = format == CAIRO_FORMAT_RGB24 ? (row[x] | 0xFF000000u) : Unpremultiply(row[x]);
            icon->argb[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    return true;
}

}  // namespace

std::vector<zovi::platform::IconImage> LoadSkinIcon(UINT resourceId) {
    std::vector<zovi::platform::IconImage> images;
    for (int size : kIconSizes) {
        const std::wstring path = L"icon/" + std::to_wstring(resourceId) + L"-" + std::to_wstring(size) + L".png";
        if (!SkinFileExists(path)) continue;
        TImagePtr image = GetSkinImage(path);
        zovi::platform::IconImage icon;
        if (image && image->surface && ToIconImage(image->surface, &icon)) images.push_back(std::move(icon));
    }
    if (images.empty()) LogOnce(L"icon-" + std::to_wstring(resourceId), L"no icon " + std::to_wstring(resourceId) + L" in the skin");
    return images;
}

}  // namespace DuiLib
