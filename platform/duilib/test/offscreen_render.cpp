#include "platform/duilib/test/offscreen_render.h"

#include <cairo.h>
#include <unistd.h>

#include <filesystem>

#include "platform/duilib/core/manager/paint_manager.h"

namespace DuiLib::test {

void SurfaceDeleter::operator()(cairo_surface_t* surface) const {
    if (surface) cairo_surface_destroy(surface);
}

SurfacePtr RenderToSurface(CPaintManagerUI& manager, int width, int height) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    manager.RenderToSurface(surface.get(), RECT{0, 0, width, height});
    return surface;
}

std::string SaveArtefact(cairo_surface_t* surface, const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(ZOVI_TEST_BIN_DIR) / "artefacts";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::string path = (dir / (name + ".png")).string();
    return cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS ? path : std::string();
}

uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const unsigned char* row = cairo_image_surface_get_data(surface) + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface);
    uint32_t pixel = reinterpret_cast<const uint32_t*>(row)[x];
    if (cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24) pixel |= 0xFF000000u;
    return pixel;
}

int CountPixelsUnlike(cairo_surface_t* surface, const RECT& rc, uint32_t background) {
    int count = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            if ((PixelAt(surface, x, y) & 0x00FFFFFF) != (background & 0x00FFFFFF)) ++count;
        }
    }
    return count;
}

}  // namespace DuiLib::test
