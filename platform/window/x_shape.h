// X shapes of our windows (the SHAPE extension): the bounding shape (what is drawn and
// what takes the pointer) and the input shape (what takes the pointer). Internal to the
// window layer.
#pragma once
#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

namespace zovi::platform::window_detail {

// Replaces the shape of `kind` (ShapeBounding or ShapeInput) with `rects` (an empty list
// is an empty shape). Input shapes need SHAPE 1.1; without it the call does nothing.
void SetShapeRectangles(Display* display, Window window, int kind, const std::vector<XRectangle>& rects);
// Removes the shape of `kind`: the window is its whole rectangle again.
void ClearShape(Display* display, Window window, int kind);

// The rectangles covering the set cells of a `width` x `height` mask (row by row, one
// byte a cell), in y-x banded order: runs of each row, with equal rows in a row merged.
std::vector<XRectangle> MaskRectangles(const std::vector<std::uint8_t>& mask, int width, int height);

}  // namespace zovi::platform::window_detail
