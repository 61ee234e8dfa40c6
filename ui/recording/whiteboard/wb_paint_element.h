// What the whiteboard records: paint modes and one drawn shape (PaintElement).
#pragma once
#include <cstdint>
#include <vector>

namespace DuiLib {

// Paint modes (also the kind of an element).
enum WBPaintMode : int32_t {
    kWBModePointer = 1,  // no drawing; the mouse passes wherever nothing is drawn
    kWBModePen = 2,      // freehand
    kWBModeLine = 3,
    kWBModeArrow = 4,
    kWBModeRectangle = 5,
    kWBModeEllipse = 6,
};

constexpr bool IsShapeMode(int32_t mode) { return mode >= kWBModeLine && mode <= kWBModeEllipse; }
constexpr bool IsDrawingMode(int32_t mode) { return mode >= kWBModePen && mode <= kWBModeEllipse; }

// One line of a freehand stroke, in drawing order.
struct WBSegment {
    int32_t fromX, fromY, toX, toY;
};

struct WBPaintElement {
    int32_t startX = 0, startY = 0;  // client coordinates
    int32_t endX = 0, endY = 0;
    uint32_t color = 0;  // ARGB
    float width = 0;
    bool recorded = true;
    uint64_t tickCount = 0;  // milliseconds, high half 0
    int32_t kind = kWBModePointer;
    std::vector<WBSegment> segments;  // freehand only
};

}  // namespace DuiLib
