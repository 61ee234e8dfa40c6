#include "skin/skinpack/sprite.h"

#include <cairo.h>

#include "skin/skinpack/png_file.h"

namespace zovi::skinpack {

bool AssembleSprite(int width, int height, const std::vector<SpritePart>& parts, const std::string& outPath,
                    std::string* error) {
    if (width <= 0 || height <= 0) {
        *error = "a sprite needs a positive size";
        return false;
    }
    cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(strip);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    bool ok = true;
    for (const SpritePart& part : parts) {
        cairo_surface_t* image = LoadPng(part.path, error);
        if (!image) {
            ok = false;
            break;
        }
        const int w = cairo_image_surface_get_width(image);
        const int h = cairo_image_surface_get_height(image);
        if (part.x < 0 || part.x + w > width || h > height) {
            *error = part.path + " (" + std::to_string(w) + "x" + std::to_string(h) + ") does not fit at x " +
                     std::to_string(part.x) + " of a " + std::to_string(width) + "x" + std::to_string(height) +
                     " sprite";
            cairo_surface_destroy(image);
            ok = false;
            break;
        }
        cairo_set_source_surface(cr, image, part.x, 0);
        cairo_rectangle(cr, part.x, 0, w, h);
        cairo_fill(cr);
        cairo_surface_destroy(image);
    }
    cairo_destroy(cr);
    cairo_surface_flush(strip);
    ok = ok && SavePng(strip, outPath, error);
    cairo_surface_destroy(strip);
    return ok;
}

}  // namespace zovi::skinpack
