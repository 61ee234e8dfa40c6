// CWBLayer: one picture of the whiteboard (premultiplied ARGB32, fully transparent when
// made) and the shapes drawn on it. Drawing is anti-aliased on integer coordinates as
// given; colours are ARGB (not premultiplied).
#pragma once
#include <cstdint>

#include "ui/recording/whiteboard/wb_paint_element.h"

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

// The two triangles of an arrow from (x1, y1) to (x2, y2): the head at the end point and
// the shaft narrowing to the start point. False (no arrow) when the points are 8 units
// apart or closer.
struct WBPointF {
    double x, y;
};
struct WBArrow {
    WBPointF head[3];
    WBPointF shaft[3];
};
bool ArrowTriangles(int32_t x1, int32_t y1, int32_t x2, int32_t y2, WBArrow* arrow);

class CWBLayer {
public:
    CWBLayer() = default;
    ~CWBLayer();
    CWBLayer(const CWBLayer&) = delete;
    CWBLayer& operator=(const CWBLayer&) = delete;

    // Makes (again) a transparent picture of the size; false when it cannot be made
    // (the layer is then empty).
    bool Create(int width, int height);
    void Release();
    bool Valid() const { return surface_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    cairo_surface_t* Surface() const { return surface_; }

    // Every pixel becomes `argb` (replaced, not blended).
    bool Clear(uint32_t argb);
    // The whole of `other` (same size) replaces this picture.
    bool CopyFrom(const CWBLayer& other);

    // One freehand segment with round caps.
    bool DrawPenSegment(const WBSegment& segment, uint32_t argb, float width);
    // A shape of `kind` (line, arrow, rectangle, ellipse) from one point to the other;
    // other kinds draw nothing.
    bool DrawShape(int32_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb, float width);
    // An element as recorded: a stroke segment by segment, a shape by its two points.
    bool DrawElement(const WBPaintElement& element);

    // The stored pixel (premultiplied ARGB) at x, y; 0 outside. For tests.
    uint32_t PixelAt(int x, int y) const;

private:
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace DuiLib
