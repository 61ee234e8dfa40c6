#include "platform/gdi/dib_section.h"

#include <cairo.h>

#include <cstring>

namespace zovi::platform {

std::shared_ptr<CDibSection> CDibSection::Create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::shared_ptr<CDibSection>(new CDibSection(surface, width, height));
}

CDibSection::CDibSection(cairo_surface_t* surface, int width, int height)
    : surface_(surface),
      width_(width),
      height_(height),
      stride_(cairo_image_surface_get_stride(surface)),
      bits_(cairo_image_surface_get_data(surface)) {}

CDibSection::~CDibSection() { cairo_surface_destroy(surface_); }

void CDibSection::BeginDirectAccess() { cairo_surface_flush(surface_); }

void CDibSection::EndDirectAccess() { cairo_surface_mark_dirty(surface_); }

void CDibSection::Clear() {
    BeginDirectAccess();
    std::memset(bits_, 0, static_cast<size_t>(stride_) * height_);
    EndDirectAccess();
}

uint32_t CDibSection::PixelAt(int x, int y) const {
    uint32_t value = 0;
    std::memcpy(&value, bits_ + static_cast<size_t>(y) * stride_ + static_cast<size_t>(x) * 4, 4);
    return value & 0xffffff;
}

}  // namespace zovi::platform
