#include "skin/skinpack/shadow.h"

#include <cairo.h>

#include <cmath>

#include "skin/skinpack/png_file.h"

namespace zovi::skinpack {

namespace {

// Opacity right next to the window, and how fast it falls off (a Gaussian-like curve
// that reaches 0 at the outer edge).
constexpr double kEdgeOpacity = 0.25;
constexpr double kFalloff = 4.0;
constexpr int kLayers = 2 * kShadowLeft;  // two a pixel at the sides: no visible bands

// The opacity wanted at fraction t (0 at the window, 1 at the outer edge).
double WantedOpacity(double t) {
    if (t >= 1.0) return 0.0;
    const double floor = std::exp(-kFalloff);
    return kEdgeOpacity * (std::exp(-kFalloff * t * t) - floor) / (1.0 - floor);
}

// A quarter of an ellipse with radii (rx, ry) centred at (cx, cy), from angle a0 to a1.
void EllipseArc(cairo_t* cr, double cx, double cy, double rx, double ry, double a0, double a1) {
    if (rx <= 0 || ry <= 0) {
        cairo_line_to(cr, cx, cy);
        return;
    }
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, a0, a1);
    cairo_restore(cr);
}

// The window's rectangle grown by `f` of each inset. Each corner is a quarter ellipse
// with the grown amounts as radii, so its straight sides start exactly at the corner
// cells of the nine-slice and the edge strips stay uniform.
void GrownRectangle(cairo_t* cr, double f) {
    const double l = kShadowLeft * f, t = kShadowTop * f, r = kShadowRight * f, b = kShadowBottom * f;
    const double x0 = kShadowLeft, y0 = kShadowTop;
    const double x1 = kShadowWidth - kShadowRight, y1 = kShadowHeight - kShadowBottom;
    cairo_new_path(cr);
    EllipseArc(cr, x0, y0, l, t, M_PI, 1.5 * M_PI);
    EllipseArc(cr, x1, y0, r, t, 1.5 * M_PI, 2 * M_PI);
    EllipseArc(cr, x1, y1, r, b, 0, 0.5 * M_PI);
    EllipseArc(cr, x0, y1, l, b, 0.5 * M_PI, M_PI);
    cairo_close_path(cr);
}

}  // namespace

bool GenerateShadow(const std::string& outPath, std::string* error) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kShadowWidth, kShadowHeight);
    cairo_t* cr = cairo_create(surface);
    // Outermost first; each layer's alpha brings the stacked opacity between it and the
    // next smaller one to the wanted curve.
    double below = 0.0;  // the opacity the larger layers already give
    for (int layer = kLayers; layer >= 1; --layer) {
        const double f = static_cast<double>(layer) / kLayers;
        const double wanted = WantedOpacity(static_cast<double>(layer - 1) / kLayers);
        const double alpha = 1.0 - (1.0 - wanted) / (1.0 - below);
        below = wanted;
        if (alpha <= 0) continue;
        cairo_set_source_rgba(cr, 0, 0, 0, alpha);
        GrownRectangle(cr, f);
        cairo_fill(cr);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, kShadowLeft, kShadowTop, kShadowMiddle, kShadowMiddle);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const bool ok = SavePng(surface, outPath, error);
    cairo_surface_destroy(surface);
    return ok;
}

}  // namespace zovi::skinpack
