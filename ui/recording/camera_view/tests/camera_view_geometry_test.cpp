// The camera picture's place in the view (crop to fill, fit when maximised) and the
// scaled sizes.
#include <gtest/gtest.h>

#include "ui/recording/camera_view/camera_view_geometry.h"

namespace {

using camera_view::ComputeStretch;
using camera_view::StretchRects;

struct StretchCase {
    const char* what;
    int fw, fh, cw, ch;
    bool maximised;
    bool drawn;
    RECT source, dest;
};

TEST(CameraViewGeometry, StretchRectangles) {
    const StretchCase cases[] = {
        {"4:3 camera in a 16:9 client: the centred band", 640, 480, 320, 180, false, true,
         {0, 60, 640, 420}, {0, 0, 320, 180}},
        {"16:9 camera in a 4:3 client: the centred columns", 640, 360, 320, 240, false, true,
         {80, 0, 560, 360}, {0, 0, 320, 240}},
        {"same aspect: the whole frame", 320, 240, 640, 480, false, true, {0, 0, 320, 240}, {0, 0, 640, 480}},
        {"maximised 4:3 on 1920x1080: pillars", 640, 480, 1920, 1080, true, true,
         {0, 0, 640, 480}, {240, 0, 1680, 1080}},
        {"maximised 16:9 on a 4:3 client: bars", 640, 360, 1024, 768, true, true,
         {0, 0, 640, 360}, {0, 96, 1024, 672}},
        {"no frame width", 0, 480, 320, 240, false, false, {}, {}},
        {"no frame height", 640, 0, 320, 240, true, false, {}, {}},
        {"no client width", 640, 480, 0, 240, false, false, {}, {}},
        {"no client height", 640, 480, 320, 0, true, false, {}, {}},
        {"no frame (-1)", -1, -1, 320, 240, false, false, {}, {}},
    };
    for (const StretchCase& c : cases) {
        StretchRects out{};
        ASSERT_EQ(ComputeStretch(c.fw, c.fh, c.cw, c.ch, c.maximised, &out), c.drawn) << c.what;
        if (!c.drawn) continue;
        EXPECT_EQ(out.source.left, c.source.left) << c.what;
        EXPECT_EQ(out.source.top, c.source.top) << c.what;
        EXPECT_EQ(out.source.right, c.source.right) << c.what;
        EXPECT_EQ(out.source.bottom, c.source.bottom) << c.what;
        EXPECT_EQ(out.dest.left, c.dest.left) << c.what;
        EXPECT_EQ(out.dest.top, c.dest.top) << c.what;
        EXPECT_EQ(out.dest.right, c.dest.right) << c.what;
        EXPECT_EQ(out.dest.bottom, c.dest.bottom) << c.what;
    }
}

TEST(CameraViewGeometry, ScaledSizes) {
    struct {
        int value, percent, expected;
    } const cases[] = {
        {320, 100, 320}, {320, 150, 480}, {240, 150, 360},  // double at 150 %: 960 x 720
        {20, 125, 25},   {15, 150, 23},   {-15, 150, -23},   // halves away from zero
        {320, 175, 560},
    };
    for (const auto& c : cases)
        EXPECT_EQ(camera_view::ScaleValue(c.value, c.percent), c.expected) << c.value << " at " << c.percent;
}

}  // namespace
