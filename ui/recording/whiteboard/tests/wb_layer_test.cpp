// The whiteboard's drawing on its layers, read back as pixels: the backgrounds that let
// the mouse through or catch it, arrows pointing the way they were dragged, degenerate
// shapes, and strokes redrawn in their own colours.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/recording/whiteboard/wb_layer.h"

namespace {

using DuiLib::CWBLayer;
using DuiLib::WBArrow;

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

uint32_t Alpha(uint32_t pixel) { return pixel >> 24; }

TEST(WBLayerTest, BackgroundsAreStoredExactly) {
    CWBLayer layer;
    ASSERT_TRUE(layer.Create(16, 8));
    EXPECT_EQ(layer.PixelAt(3, 3), 0u) << "a new layer is fully transparent";
    ASSERT_TRUE(layer.Clear(0x01000000));
    EXPECT_EQ(layer.PixelAt(0, 0), 0x01000000u);
    EXPECT_EQ(layer.PixelAt(15, 7), 0x01000000u);
    ASSERT_TRUE(layer.Clear(0));
    EXPECT_EQ(layer.PixelAt(15, 7), 0u);
}

TEST(WBLayerTest, RefusesSizesItCannotMake) {
    CWBLayer layer;
    EXPECT_FALSE(layer.Create(0, 10));
    EXPECT_FALSE(layer.Valid());
    EXPECT_FALSE(layer.DrawShape(DuiLib::kWBModeLine, 0, 0, 5, 5, kRed, 2));
}

// Arrows in every direction: the head lies at the end point, so the pixels just before
// the end are drawn and those just past it are not; the start point's side is thin.
struct ArrowCase {
    const char* name;
    int x1, y1, x2, y2;
};

class ArrowDirectionTest : public testing::TestWithParam<ArrowCase> {};

TEST_P(ArrowDirectionTest, HeadSitsAtTheEndPoint) {
    const ArrowCase& c = GetParam();
    CWBLayer layer;
    ASSERT_TRUE(layer.Create(200, 200));
    ASSERT_TRUE(layer.DrawShape(DuiLib::kWBModeArrow, c.x1, c.y1, c.x2, c.y2, kRed, 1));
    const double length = std::hypot(c.x2 - c.x1, c.y2 - c.y1);
    const double ux = (c.x2 - c.x1) / length, uy = (c.y2 - c.y1) / length;
    auto at = [&](double along, double across) {
        return layer.PixelAt(static_cast<int>(std::lround(c.x2 + along * ux - across * uy)),
                             static_cast<int>(std::lround(c.y2 + along * uy + across * ux)));
    };
    EXPECT_EQ(at(-12, 0), 0xFFFF0000u) << "inside the head";
    EXPECT_GT(Alpha(at(-20, 6)), 128u) << "the head is wide 20 units back";
    EXPECT_EQ(Alpha(at(10, 0)), 0u) << "nothing past the end point";
    EXPECT_EQ(Alpha(at(-length + 10, 6)), 0u) << "the shaft narrows towards the start";
    WBArrow arrow{};
    ASSERT_TRUE(DuiLib::ArrowTriangles(c.x1, c.y1, c.x2, c.y2, &arrow));
    EXPECT_DOUBLE_EQ(arrow.head[0].x, c.x2);
    EXPECT_DOUBLE_EQ(arrow.shaft[2].y, c.y1);
}

INSTANTIATE_TEST_SUITE_P(Directions, ArrowDirectionTest,
                         testing::Values(ArrowCase{"Right", 20, 100, 180, 100}, ArrowCase{"Left", 180, 100, 20, 100},
                                         ArrowCase{"Up", 100, 180, 100, 20}, ArrowCase{"Down", 100, 20, 100, 180},
                                         ArrowCase{"DiagonalUpLeft", 170, 170, 40, 40}),
                         [](const testing::TestParamInfo<ArrowCase>& param) { return param.param.name; });

TEST(WBLayerTest, ShortArrowsDrawNothing) {
    CWBLayer layer;
    ASSERT_TRUE(layer.Create(50, 50));
    WBArrow arrow{};
    EXPECT_FALSE(DuiLib::ArrowTriangles(10, 10, 18, 10, &arrow)) << "8 units apart";
    EXPECT_FALSE(DuiLib::ArrowTriangles(10, 10, 16, 16, &arrow)) << "8.49 rounds to 8";
    EXPECT_TRUE(DuiLib::ArrowTriangles(10, 10, 19, 10, &arrow));
    ASSERT_TRUE(layer.DrawShape(DuiLib::kWBModeArrow, 10, 10, 18, 10, kRed, 4));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(layer.PixelAt(x, y), 0u) << x << "," << y;
}

TEST(WBLayerTest, FlatEllipsesAndEmptyBoxesKeepTheLayerUsable) {
    CWBLayer layer;
    ASSERT_TRUE(layer.Create(100, 100));
    EXPECT_TRUE(layer.DrawShape(DuiLib::kWBModeEllipse, 10, 50, 90, 50, kRed, 4)) << "zero height";
    EXPECT_TRUE(layer.DrawShape(DuiLib::kWBModeEllipse, 30, 30, 30, 30, kRed, 4)) << "a point";
    EXPECT_TRUE(layer.DrawShape(DuiLib::kWBModeLine, 5, 5, 5, 5, kRed, 4)) << "a click without moving";
    EXPECT_EQ(layer.PixelAt(50, 50), 0xFFFF0000u) << "a flat ellipse is drawn as its line";
    // The context of later drawing still works.
    EXPECT_TRUE(layer.DrawShape(DuiLib::kWBModeRectangle, 60, 60, 90, 90, kBlue, 2));
    EXPECT_EQ(layer.PixelAt(75, 60), 0xFF0000FFu);
    EXPECT_EQ(Alpha(layer.PixelAt(75, 75)), 0u) << "an outline, not a filled box";
}

TEST(WBLayerTest, RectangleAndEllipseUseTheNormalisedBox) {
    CWBLayer layer;
    ASSERT_TRUE(layer.Create(200, 200));
    // Dragged from bottom right to top left.
    ASSERT_TRUE(layer.DrawShape(DuiLib::kWBModeRectangle, 150, 120, 50, 20, kRed, 2));
    EXPECT_EQ(layer.PixelAt(100, 20), 0xFFFF0000u);
    EXPECT_EQ(layer.PixelAt(50, 70), 0xFFFF0000u);
    ASSERT_TRUE(layer.DrawShape(DuiLib::kWBModeEllipse, 150, 190, 50, 130, kBlue, 2));
    EXPECT_EQ(layer.PixelAt(100, 130), 0xFF0000FFu) << "top of the ellipse";
    EXPECT_EQ(layer.PixelAt(50, 160), 0xFF0000FFu) << "left of the ellipse";
    EXPECT_EQ(Alpha(layer.PixelAt(52, 132)), 0u) << "the box corner stays empty";
}

TEST(WBLayerTest, StrokesAreRedrawnSegmentBySegmentInTheirOwnColourAndWidth) {
    DuiLib::WBPaintElement thin;
    thin.kind = DuiLib::kWBModePen;
    thin.color = kRed;
    thin.width = 2;
    thin.segments = {{10, 10, 60, 10}, {60, 10, 60, 60}};
    DuiLib::WBPaintElement thick = thin;
    thick.color = kBlue;
    thick.width = 12;
    thick.segments = {{100, 10, 150, 10}};
    CWBLayer layer;
    ASSERT_TRUE(layer.Create(200, 100));
    ASSERT_TRUE(layer.Clear(0x01000000));
    ASSERT_TRUE(layer.DrawElement(thin));
    ASSERT_TRUE(layer.DrawElement(thick));
    EXPECT_EQ(layer.PixelAt(30, 10), 0xFFFF0000u);
    EXPECT_EQ(layer.PixelAt(60, 40), 0xFFFF0000u) << "the second segment";
    EXPECT_EQ(layer.PixelAt(30, 14), 0x01000000u) << "2 wide";
    EXPECT_EQ(layer.PixelAt(125, 14), 0xFF0000FFu) << "12 wide";
    EXPECT_EQ(layer.PixelAt(96, 10), 0xFF0000FFu) << "round cap reaches before the start";
    EXPECT_EQ(layer.PixelAt(125, 22), 0x01000000u);
}

TEST(WBLayerTest, CopyTakesTheWholePicture) {
    CWBLayer committed, preview;
    ASSERT_TRUE(committed.Create(40, 40));
    ASSERT_TRUE(preview.Create(40, 40));
    ASSERT_TRUE(committed.Clear(0x01000000));
    ASSERT_TRUE(committed.DrawShape(DuiLib::kWBModeLine, 0, 20, 40, 20, kRed, 4));
    ASSERT_TRUE(preview.DrawShape(DuiLib::kWBModeLine, 20, 0, 20, 40, kBlue, 4));
    ASSERT_TRUE(preview.CopyFrom(committed));
    EXPECT_EQ(preview.PixelAt(10, 20), 0xFFFF0000u);
    EXPECT_EQ(preview.PixelAt(20, 5), 0x01000000u) << "what the preview had is replaced";
    CWBLayer other;
    ASSERT_TRUE(other.Create(10, 10));
    EXPECT_FALSE(other.CopyFrom(committed)) << "sizes differ";
}

}  // namespace
