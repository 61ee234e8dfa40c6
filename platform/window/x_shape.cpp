#include "platform/window/x_shape.h"

#include <X11/extensions/shape.h>

namespace zovi::platform::window_detail {

namespace {

bool ShapeKindSupported(Display* display, int kind) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XShapeQueryExtension(display, &event, &error) || !XShapeQueryVersion(display, &major, &minor)) return false;
    return kind != ShapeInput || major > 1 || minor >= 1;
}

// The runs of set cells in one row, as (start, end) pairs.
std::vector<std::pair<int, int>> RowRuns(const std::uint8_t* row, int width) {
    std::vector<std::pair<int, int>> runs;
    int x = 0;
    while (x < width) {
        while (x < width && !row[x]) ++x;
        const int start = x;
        while (x < width && row[x]) ++x;
        if (x > start) runs.emplace_back(start, x);
    }
    return runs;
}

}  // namespace

void SetShapeRectangles(Display* display, Window window, int kind, const std::vector<XRectangle>& rects) {
    if (!ShapeKindSupported(display, kind)) return;
    XShapeCombineRectangles(display, window, kind, 0, 0, const_cast<XRectangle*>(rects.data()),
                            static_cast<int>(rects.size()), ShapeSet, YXBanded);
}

void ClearShape(Display* display, Window window, int kind) {
    if (!ShapeKindSupported(display, kind)) return;
    XShapeCombineMask(display, window, kind, 0, 0, None, ShapeSet);
}

std::vector<XRectangle> MaskRectangles(const std::vector<std::uint8_t>& mask, int width, int height) {
    std::vector<XRectangle> rects;
    std::vector<std::pair<int, int>> band;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const auto& [start, end] : band) {
            rects.push_back(XRectangle{static_cast<short>(start), static_cast<short>(bandTop),
                                       static_cast<unsigned short>(end - start),
                                       static_cast<unsigned short>(bottom - bandTop)});
        }
    };
    for (int y = 0; y < height; ++y) {
        auto runs = RowRuns(mask.data() + static_cast<size_t>(y) * static_cast<size_t>(width), width);
        if (runs == band) continue;
        flush(y);
        band = std::move(runs);
        bandTop = y;
    }
    flush(height);
    return rects;
}

}  // namespace zovi::platform::window_detail
