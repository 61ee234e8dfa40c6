// Regions (sets of pixels made of rectangles) and window regions: a window's region
// becomes its X bounding shape, so only those pixels are drawn and take the pointer;
// clicks elsewhere in the window's rectangle reach the windows below. No compositor is
// needed. Regions are plain memory (any thread); SetWindowRgn on the window's thread.
#pragma once
#include <vector>

#include "platform/window/window_types.h"

struct RegionObject;
using HRGN = RegionObject*;

// CombineRgn modes.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;
// CombineRgn results.
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

// The rectangle [left, right) x [top, bottom) (empty when inverted).
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// The rectangle with corners rounded by an ellipse of `ellipseWidth` x `ellipseHeight`.
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
// destination = source1 (mode) source2 (source2 unused for RGN_COPY); the destination
// may be one of the sources. The kind of the result, or RGN_ERROR.
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
BOOL DeleteObject(HRGN region);
// Sets the window's region (null: the whole window again). The window owns the region
// from then on and deletes it; the caller must not use or delete it. Nonzero on success;
// on failure the caller keeps the region.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);

namespace zovi::platform {

// The rectangles of a region (y-x banded), for drawing and tests.
std::vector<RECT> RegionRectangles(HRGN region);

}  // namespace zovi::platform
