#include "skin/skinpack/png_file.h"

#include <cstdio>

#include "skin/skinpack/file_bytes.h"

namespace zovi::skinpack {

cairo_surface_t* LoadPng(const std::string& path, std::string* error) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    const cairo_status_t status = cairo_surface_status(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        *error = "cannot read " + path + ": " + cairo_status_to_string(status);
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

bool SavePng(cairo_surface_t* surface, const std::string& path, std::string* error) {
    const std::string partial = PartialPath(path);
    const cairo_status_t status = cairo_surface_write_to_png(surface, partial.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::remove(partial.c_str());
        *error = "cannot write " + path + ": " + cairo_status_to_string(status);
        return false;
    }
    return CommitPartial(path, error);
}

}  // namespace zovi::skinpack
