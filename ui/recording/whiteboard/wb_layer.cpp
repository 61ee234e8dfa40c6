#include "ui/recording/whiteboard/wb_layer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace DuiLib {

namespace {

constexpr double kPi = 3.1415926;
constexpr double kArrowMinLength = 8;
constexpr double kHeadLength = 25, kHeadAngle = 0.4;
constexpr double kShaftLength = 20, kShaftAngle = 0.2;

void SetColor(cairo_t* cr, uint32_t argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
}

// A context on the surface with the drawing settings; the caller destroys it.
cairo_t* DrawingContext(cairo_surface_t* surface) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    return cr;
}

bool Finish(cairo_t* cr) {
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    return ok;
}

void Triangle(cairo_t* cr, const WBPointF (&points)[3]) {
    cairo_new_path(cr);
    cairo_move_to(cr, points[0].x, points[0].y);
    cairo_line_to(cr, points[1].x, points[1].y);
    cairo_line_to(cr, points[2].x, points[2].y);
    cairo_close_path(cr);
    cairo_fill(cr);
}

WBPointF Towards(int32_t x, int32_t y, double length, double angle) {
    return {x + length * std::cos(angle), y + length * std::sin(angle)};
}

}  // namespace

bool ArrowTriangles(int32_t x1, int32_t y1, int32_t x2, int32_t y2, WBArrow* arrow) {
    const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
    if (std::lround(std::hypot(dx, dy)) <= kArrowMinLength) return false;
    // The direction from start to end, pointing back from the end.
    const double back = std::atan2(dy, dx) + kPi;
    arrow->head[0] = {static_cast<double>(x2), static_cast<double>(y2)};
    arrow->head[1] = Towards(x2, y2, kHeadLength, back - kHeadAngle);
    arrow->head[2] = Towards(x2, y2, kHeadLength, back + kHeadAngle);
    arrow->shaft[0] = Towards(x2, y2, kShaftLength, back - kShaftAngle);
    arrow->shaft[1] = Towards(x2, y2, kShaftLength, back + kShaftAngle);
    arrow->shaft[2] = {static_cast<double>(x1), static_cast<double>(y1)};
    return true;
}

CWBLayer::~CWBLayer() { Release(); }

bool CWBLayer::Create(int width, int height) {
    Release();
    if (width <= 0 || height <= 0) return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    surface_ = surface;  // cairo makes image surfaces zeroed: fully transparent
    width_ = width;
    height_ = height;
    return true;
}

void CWBLayer::Release() {
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = nullptr;
    width_ = height_ = 0;
}

bool CWBLayer::Clear(uint32_t argb) {
    if (!surface_) return false;
    cairo_t* cr = cairo_create(surface_);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetColor(cr, argb);
    cairo_paint(cr);
    return Finish(cr);
}

bool CWBLayer::CopyFrom(const CWBLayer& other) {
    if (!surface_ || !other.surface_ || other.width_ != width_ || other.height_ != height_) return false;
    cairo_t* cr = cairo_create(surface_);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, other.surface_, 0, 0);
    cairo_paint(cr);
    return Finish(cr);
}

bool CWBLayer::DrawPenSegment(const WBSegment& segment, uint32_t argb, float width) {
    if (!surface_) return false;
    cairo_t* cr = DrawingContext(surface_);
    SetColor(cr, argb);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, segment.fromX, segment.fromY);
    cairo_line_to(cr, segment.toX, segment.toY);
    cairo_stroke(cr);
    return Finish(cr);
}

bool CWBLayer::DrawShape(int32_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb, float width) {
    if (!surface_) return false;
    cairo_t* cr = DrawingContext(surface_);
    SetColor(cr, argb);
    cairo_set_line_width(cr, width);
    const double left = std::min(x1, x2), top = std::min(y1, y2);
    const double boxWidth = std::abs(static_cast<double>(x2) - x1), boxHeight = std::abs(static_cast<double>(y2) - y1);
    switch (kind) {
        case kWBModeLine:
            cairo_move_to(cr, x1, y1);
            cairo_line_to(cr, x2, y2);
            cairo_stroke(cr);
            break;
        case kWBModeRectangle:
            cairo_rectangle(cr, left, top, boxWidth, boxHeight);
            cairo_stroke(cr);
            break;
        case kWBModeEllipse:
            if (boxWidth > 0 && boxHeight > 0) {
                // Scaling by 0 would break the context for good: flat boxes are lines.
                cairo_save(cr);
                cairo_translate(cr, left + boxWidth / 2, top + boxHeight / 2);
                cairo_scale(cr, boxWidth / 2, boxHeight / 2);
                cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
                cairo_restore(cr);
            } else {
                cairo_move_to(cr, x1, y1);
                cairo_line_to(cr, x2, y2);
            }
            cairo_stroke(cr);
            break;
        case kWBModeArrow: {
            WBArrow arrow{};
            if (ArrowTriangles(x1, y1, x2, y2, &arrow)) {
                Triangle(cr, arrow.head);
                Triangle(cr, arrow.shaft);
            }
            break;
        }
        default: break;
    }
    return Finish(cr);
}

bool CWBLayer::DrawElement(const WBPaintElement& element) {
    if (element.kind == kWBModePen) {
        bool ok = true;
        for (const WBSegment& segment : element.segments) ok = DrawPenSegment(segment, element.color, element.width) && ok;
        return ok;
    }
    return DrawShape(element.kind, element.startX, element.startY, element.endX, element.endY, element.color,
                     element.width);
}

uint32_t CWBLayer::PixelAt(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    cairo_surface_flush(surface_);
    const unsigned char* row = cairo_image_surface_get_data(surface_) +
                               static_cast<size_t>(y) * static_cast<size_t>(cairo_image_surface_get_stride(surface_));
    uint32_t pixel = 0;
    std::memcpy(&pixel, row + static_cast<size_t>(x) * 4, 4);
    return pixel;
}

}  // namespace DuiLib
