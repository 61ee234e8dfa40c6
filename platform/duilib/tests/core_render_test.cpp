// Shapes and images drawn by the render engine, checked pixel by pixel (nothing here
// depends on fonts), and a fixture of everything kept as a PNG artefact.
#include <gtest/gtest.h>

#include <climits>

#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/resources/image_cache.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/tests/core_test_support.h"

namespace DuiLib {
namespace {

using test::Canvas;
using test::LogCapture;
using test::Near;

constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF;

// Pixels with one colour per region, written as a PNG.
std::vector<unsigned char> Png(int width, int height, uint32_t (*colour)(int x, int y)) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_flush(surface);
    auto* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(surface))[x] = colour(x, y);
        }
    }
    cairo_surface_mark_dirty(surface);
    std::vector<unsigned char> png = test::PngBytes(surface);
    cairo_surface_destroy(surface);
    return png;
}

// A sprite of two 4 x 4 cells: red, then blue.
uint32_t Sprite(int x, int) { return x < 4 ? kRed : kBlue; }
// 12 x 12 for nine slices: 3-pixel red corners, green edges, a blue centre.
uint32_t NineSlice(int x, int y) {
    const bool edgeX = x < 3 || x >= 9, edgeY = y < 3 || y >= 9;
    if (edgeX && edgeY) return kRed;
    return edgeX || edgeY ? kGreen : kBlue;
}

class DuiCoreRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        zip_ = new std::vector<unsigned char>(
            test::MakeZip({{"sprite.png", Png(8, 4, &Sprite)}, {"frame.png", Png(12, 12, &NineSlice)}}));
        SetSkinArchive(zip_->data(), zip_->size());
    }
    static void TearDownTestSuite() {
        SetSkinArchive(nullptr, 0);
        delete zip_;
    }
    static std::vector<unsigned char>* zip_;
};
std::vector<unsigned char>* DuiCoreRender::zip_ = nullptr;

// Every pixel of `area` has `colour`.
::testing::AssertionResult AreaIs(Canvas& canvas, const RECT& area, uint32_t colour, int tolerance = 0) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (!Near(canvas.Pixel(x, y), colour, tolerance)) {
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << std::hex
                                                     << canvas.Pixel(x, y) << ", not " << colour;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_F(DuiCoreRender, FillsBlendTheirAlpha) {
    Canvas canvas(10, 10);
    CRenderEngine::DrawColor(canvas.hdc(), {0, 0, 5, 10}, 0xFF1296DB);
    CRenderEngine::DrawColor(canvas.hdc(), {5, 0, 10, 10}, 0x80000000);
    CRenderEngine::DrawColor(canvas.hdc(), {0, 0, 10, 10}, 0x00FF0000);  // fully transparent: nothing
    CRenderEngine::DrawColor(canvas.hdc(), {3, 3, 3, 8}, kRed);          // empty: nothing
    EXPECT_TRUE(AreaIs(canvas, {0, 0, 5, 10}, 0xFF1296DB));
    EXPECT_TRUE(AreaIs(canvas, {5, 0, 10, 10}, 0xFF7F7F7F, 1));
}

TEST_F(DuiCoreRender, OutlinesCoverWholePixels) {
    Canvas canvas(12, 12);
    CRenderEngine::DrawRect(canvas.hdc(), {2, 2, 10, 10}, 1, kBlack);
    // Crisp: every pixel is either the line or the background.
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool onLine = x >= 2 && x < 10 && y >= 2 && y < 10 && (x == 2 || x == 9 || y == 2 || y == 9);
            EXPECT_EQ(canvas.Pixel(x, y), onLine ? kBlack : kWhite) << x << "," << y;
        }
    }
    // A translucent outline is not blended twice at its corners.
    Canvas translucent(12, 12);
    CRenderEngine::DrawRect(translucent.hdc(), {2, 2, 10, 10}, 2, 0x80000000);
    EXPECT_EQ(translucent.Pixel(2, 2), translucent.Pixel(5, 2));
    EXPECT_EQ(translucent.Pixel(9, 9), translucent.Pixel(9, 5));
    EXPECT_EQ(translucent.Pixel(5, 5), kWhite);
}

TEST_F(DuiCoreRender, FourBorderWidths) {
    const struct {
        RECT widths;
        RECT inside;  // the area left white within {0,0,10,10}
    } cases[] = {
        {{0, 0, 0, 1}, {0, 0, 10, 9}},  // an underline
        {{1, 2, 3, 4}, {1, 2, 7, 6}},
        {{2, 0, 0, 0}, {2, 0, 10, 10}},
        {{20, 20, 20, 20}, {0, 0, 0, 0}},  // wider than the rectangle: all border
    };
    for (const auto& c : cases) {
        Canvas canvas(12, 12);
        CRenderEngine::DrawBorders(canvas.hdc(), {0, 0, 10, 10}, c.widths, kBlack);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool inRect = x < 10 && y < 10;
                const bool inside = x >= c.inside.left && x < c.inside.right && y >= c.inside.top && y < c.inside.bottom;
                ASSERT_EQ(canvas.Pixel(x, y), inRect && !inside ? kBlack : kWhite)
                    << x << "," << y << " widths " << c.widths.left << c.widths.top << c.widths.right << c.widths.bottom;
            }
        }
    }
}

TEST_F(DuiCoreRender, RoundBorderLeavesCornersOut) {
    Canvas canvas(24, 24);
    CRenderEngine::DrawRoundRect(canvas.hdc(), {2, 2, 22, 22}, 1, 6, 6, kBlack);
    EXPECT_EQ(canvas.Pixel(2, 2), kWhite);     // the corner is cut
    EXPECT_EQ(canvas.Pixel(12, 2), kBlack);    // straight edges stay crisp
    EXPECT_EQ(canvas.Pixel(2, 12), kBlack);
    EXPECT_EQ(canvas.Pixel(21, 12), kBlack);
    EXPECT_EQ(canvas.Pixel(12, 21), kBlack);
    EXPECT_EQ(canvas.Pixel(12, 3), kWhite);
    EXPECT_EQ(canvas.Pixel(12, 12), kWhite);
    EXPECT_NE(canvas.Pixel(4, 4), kWhite);     // the arc passes near here
    // No radius: a plain outline.
    Canvas square(24, 24);
    CRenderEngine::DrawRoundRect(square.hdc(), {2, 2, 22, 22}, 1, 0, 0, kBlack);
    EXPECT_EQ(square.Pixel(2, 2), kBlack);
}

TEST_F(DuiCoreRender, LinesStraightAndSloped) {
    Canvas canvas(12, 12);
    CRenderEngine::DrawLine(canvas.hdc(), {1, 3, 9, 3}, 1, kBlack);
    CRenderEngine::DrawLine(canvas.hdc(), {5, 5, 5, 11}, 1, kBlue);
    EXPECT_TRUE(AreaIs(canvas, {1, 3, 9, 4}, kBlack));
    EXPECT_EQ(canvas.Pixel(9, 3), kWhite);  // the end point is left out
    EXPECT_EQ(canvas.Pixel(1, 2), kWhite);
    EXPECT_EQ(canvas.Pixel(1, 4), kWhite);
    EXPECT_TRUE(AreaIs(canvas, {5, 5, 6, 11}, kBlue));
    Canvas sloped(12, 12);
    CRenderEngine::DrawLine(sloped.hdc(), {0, 0, 11, 11}, 1, kBlack);
    EXPECT_NE(sloped.Pixel(5, 5), kWhite);
    EXPECT_EQ(sloped.Pixel(10, 1), kWhite);
}

TEST_F(DuiCoreRender, SourceAndDestCutASprite) {
    Canvas canvas(12, 12);
    // The second cell at its own size, 2 pixels into the control.
    ASSERT_TRUE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {2, 2, 12, 12}, {0, 0, 12, 12},
                                               L"file='sprite.png' source='4,0,8,4' dest='2,2,6,6'"));
    EXPECT_TRUE(AreaIs(canvas, {4, 4, 8, 8}, kBlue));
    EXPECT_EQ(canvas.Changed(kWhite).left, 4);
    EXPECT_EQ(canvas.Changed(kWhite).right, 8);
    // Scaled up, the cut never takes colour from the neighbouring cell.
    Canvas scaled(12, 12);
    ASSERT_TRUE(CRenderEngine::DrawImageString(scaled.hdc(), nullptr, {0, 0, 12, 12}, {0, 0, 12, 12},
                                               L"file='sprite.png' source='0,0,4,4'"));
    EXPECT_TRUE(AreaIs(scaled, {0, 0, 12, 12}, kRed));
    // A dest reaching outside the control is cut at the control.
    Canvas clipped(12, 12);
    ASSERT_TRUE(CRenderEngine::DrawImageString(clipped.hdc(), nullptr, {4, 4, 8, 8}, {0, 0, 12, 12},
                                               L"file='sprite.png' dest='-4,-4,8,8'"));
    const RECT changed = clipped.Changed(kWhite);
    EXPECT_EQ(changed.left, 4);
    EXPECT_EQ(changed.top, 4);
    EXPECT_EQ(changed.right, 8);
    EXPECT_EQ(changed.bottom, 8);
}

TEST_F(DuiCoreRender, NineSliceKeepsCornersUnscaled) {
    Canvas canvas(40, 30);
    ASSERT_TRUE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {5, 5, 35, 25}, {0, 0, 40, 30},
                                               L"file='frame.png' corner='3,3,3,3'"));
    // Corners 3 x 3 in each corner of the 30 x 20 control, edges and centre stretched.
    for (const RECT& corner : {RECT{5, 5, 8, 8}, RECT{32, 5, 35, 8}, RECT{5, 22, 8, 25}, RECT{32, 22, 35, 25}}) {
        EXPECT_TRUE(AreaIs(canvas, corner, kRed));
    }
    EXPECT_TRUE(AreaIs(canvas, {8, 5, 32, 8}, kGreen));
    EXPECT_TRUE(AreaIs(canvas, {5, 8, 8, 22}, kGreen));
    EXPECT_TRUE(AreaIs(canvas, {8, 8, 32, 22}, kBlue));
    EXPECT_TRUE(AreaIs(canvas, {0, 0, 40, 5}, kWhite));
    // Repainting only part of it gives the same pixels (no seams between paints).
    Canvas parts(40, 30);
    for (const RECT& paint : {RECT{0, 0, 17, 30}, RECT{17, 0, 40, 13}, RECT{17, 13, 40, 30}}) {
        CRenderEngine::DrawImageString(parts.hdc(), nullptr, {5, 5, 35, 25}, paint, L"file='frame.png' corner='3,3,3,3'");
    }
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) ASSERT_EQ(parts.Pixel(x, y), canvas.Pixel(x, y)) << x << "," << y;
    }
}

TEST_F(DuiCoreRender, DisabledDrawsAtHalfOpacity) {
    Canvas canvas(8, 4);
    ASSERT_TRUE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 8, 4}, {0, 0, 8, 4}, L"sprite.png", 128));
    EXPECT_TRUE(AreaIs(canvas, {0, 0, 4, 4}, 0xFFFF7F7F, 1));
    EXPECT_TRUE(AreaIs(canvas, {4, 0, 8, 4}, 0xFF7F7FFF, 1));
}

TEST_F(DuiCoreRender, BadReferencesAndMissingImagesDrawNothing) {
    LogCapture log;
    Canvas canvas(8, 8);
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 8, 8}, {0, 0, 8, 8}, L"absent.png"));
        EXPECT_FALSE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 8, 8}, {0, 0, 8, 8},
                                                    L"file='sprite.png' mask='#FF00FF'"));
        EXPECT_FALSE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 8, 8}, {0, 0, 8, 8}, L"#0000abcd.bmp"));
    }
    EXPECT_EQ(canvas.Changed(kWhite).right, 0);
    EXPECT_EQ(log.Count(L"absent.png"), 1);
    EXPECT_EQ(log.Count(L"mask="), 1);
    EXPECT_EQ(log.Count(L"#0000abcd.bmp"), 1);
}

TEST_F(DuiCoreRender, ManagerImagesComeFirst) {
    static TImagePtr ownImage;
    const uint32_t green = kGreen;
    ownImage = CopyImage(reinterpret_cast<const unsigned char*>(&green), 1, 1, 4, true);
    CRenderEngine::SetImageLookup([](const CPaintManagerUI*, const wchar_t* name) {
        return std::wstring(name) == L"#own.bmp" ? ownImage : nullptr;
    });
    auto* manager = reinterpret_cast<CPaintManagerUI*>(&ownImage);  // never looked into
    Canvas canvas(4, 4);
    EXPECT_TRUE(CRenderEngine::DrawImageString(canvas.hdc(), manager, {0, 0, 4, 4},
                                               {0, 0, 4, 4}, L"#own.bmp"));
    EXPECT_TRUE(AreaIs(canvas, {0, 0, 4, 4}, kGreen));
    // Without a paint manager only shared images are found.
    LogCapture log;
    EXPECT_FALSE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 4, 4}, {0, 0, 4, 4}, L"#own.bmp"));
    CRenderEngine::SetImageLookup(nullptr);
    ownImage.reset();
}

TEST_F(DuiCoreRender, FarCoordinatesLeaveCairoClean) {
    Canvas canvas(50, 20);
    const LONG far = 8'400'000;
    // Drawn first: what follows covers the rows checked below.
    CRenderEngine::DrawLine(canvas.hdc(), {-far, -far, far, far}, 1, kRed);
    CRenderEngine::DrawText(canvas.hdc(), nullptr, {-far, 0, far, 20}, L"far away", kBlack, 0, DT_CENTER);
    CRenderEngine::DrawText(canvas.hdc(), nullptr, {far, 0, far + 100, 20}, L"far away", kBlack, 0, 0);
    CRenderEngine::DrawText(canvas.hdc(), nullptr, {-far, 0, far, 20}, L"far away", kBlack, 0, DT_WORDBREAK);
    CRenderEngine::DrawColor(canvas.hdc(), {-far, 0, far, 5}, kBlue);
    CRenderEngine::DrawColor(canvas.hdc(), {INT_MIN, 18, INT_MAX, INT_MAX}, kGreen);
    CRenderEngine::DrawRect(canvas.hdc(), {-far, 6, far, 12}, 1, kBlack);
    CRenderEngine::DrawRoundRect(canvas.hdc(), {-far, 6, far, 12}, 1, 4, 4, kBlack);
    CRenderEngine::DrawLine(canvas.hdc(), {-far, 13, far, 13}, 1, kRed);
    CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {-far, 14, far, 17}, {0, 0, 50, 20}, L"sprite.png");
    CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {far, 0, far + 8, 4}, {0, 0, 50, 20}, L"sprite.png");
    EXPECT_EQ(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_TRUE(AreaIs(canvas, {0, 0, 50, 5}, kBlue));
    EXPECT_TRUE(AreaIs(canvas, {0, 6, 50, 7}, kBlack));   // the visible straight edges
    EXPECT_TRUE(AreaIs(canvas, {0, 11, 50, 12}, kBlack));
    EXPECT_TRUE(AreaIs(canvas, {0, 13, 50, 14}, kRed));
    EXPECT_TRUE(AreaIs(canvas, {0, 18, 50, 20}, kGreen));

    // The ends of the integer range: no overflow on the way (UBSan watches), no error.
    Canvas edges(50, 20);
    CRenderEngine::DrawLine(edges.hdc(), {0, INT_MIN, 10, INT_MIN}, 3, kRed);
    CRenderEngine::DrawLine(edges.hdc(), {INT_MAX, 0, INT_MAX, 10}, 3, kRed);
    CRenderEngine::DrawLine(edges.hdc(), {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, kRed);
    CRenderEngine::DrawRoundRect(edges.hdc(), {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 1, INT_MAX, INT_MAX, kRed);
    CRenderEngine::DrawImageString(edges.hdc(), nullptr, {INT_MAX - 4, 0, INT_MAX, 4}, {0, 0, 50, 20},
                                   L"file='sprite.png' dest='0,0,2000000000,4'");
    EXPECT_EQ(cairo_status(edges.cr()), CAIRO_STATUS_SUCCESS);
}

TEST_F(DuiCoreRender, ContextInErrorStateIsLoggedOnceAndLeftAlone) {
    LogCapture log;
    Canvas canvas(8, 8);
    cairo_restore(canvas.cr());  // no matching save: the context enters an error state
    ASSERT_NE(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
    for (int i = 0; i < 3; ++i) {
        CRenderEngine::DrawColor(canvas.hdc(), {0, 0, 8, 8}, kBlack);
        CRenderEngine::DrawText(canvas.hdc(), nullptr, {0, 0, 8, 8}, L"x", kBlack, 0, 0);
        CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 8, 8}, {0, 0, 8, 8}, L"sprite.png");
    }
    EXPECT_EQ(log.Count(L"error state"), 1);
    EXPECT_TRUE(AreaIs(canvas, {0, 0, 8, 8}, kWhite));
    // A null paint context is ignored.
    CRenderEngine::DrawColor(nullptr, {0, 0, 8, 8}, kBlack);
    zovi::platform::GdiContext empty;
    CRenderEngine::DrawColor(zovi::platform::ToHdc(&empty), {0, 0, 8, 8}, kBlack);
}

TEST_F(DuiCoreRender, ClipOfTheContextIsHonoured) {
    Canvas canvas(10, 10);
    cairo_rectangle(canvas.cr(), 2, 2, 4, 4);
    cairo_clip(canvas.cr());
    CRenderEngine::DrawColor(canvas.hdc(), {0, 0, 10, 10}, kBlack);
    CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 10, 10}, {0, 0, 10, 10}, L"sprite.png");
    const RECT changed = canvas.Changed(kWhite);
    EXPECT_EQ(changed.left, 2);
    EXPECT_EQ(changed.top, 2);
    EXPECT_EQ(changed.right, 6);
    EXPECT_EQ(changed.bottom, 6);
}

// Everything the engine draws, side by side, for people to look at.
TEST_F(DuiCoreRender, FixtureArtefact) {
    Canvas canvas(320, 180, 0xFFF4F5F7);
    HDC dc = canvas.hdc();
    CRenderEngine::DrawColor(dc, {10, 10, 110, 40}, 0xFF1296DB);
    CRenderEngine::DrawColor(dc, {60, 25, 160, 55}, 0x80FF4040);
    CRenderEngine::DrawRect(dc, {170, 10, 230, 40}, 1, 0xFF212327);
    CRenderEngine::DrawBorders(dc, {240, 10, 310, 40}, {0, 0, 0, 1}, 0xFF212327);
    CRenderEngine::DrawRoundRect(dc, {10, 60, 110, 90}, 1, 6, 6, 0xFF1296DB);
    CRenderEngine::DrawRoundRect(dc, {120, 60, 220, 90}, 2, 10, 10, 0xFFE04040);
    CRenderEngine::DrawImageString(dc, nullptr, {230, 60, 262, 76}, {0, 0, 320, 180}, L"file='sprite.png' source='0,0,4,4'");
    CRenderEngine::DrawImageString(dc, nullptr, {270, 60, 310, 90}, {0, 0, 320, 180}, L"file='frame.png' corner='3,3,3,3'");
    CRenderEngine::DrawImageString(dc, nullptr, {230, 78, 262, 90}, {0, 0, 320, 180}, L"sprite.png", 128);
    const RECT textRects[] = {{10, 100, 150, 120}, {160, 100, 310, 120}, {10, 125, 90, 145}, {100, 125, 310, 175}};
    for (const RECT& rc : textRects) CRenderEngine::DrawRect(dc, rc, 1, 0x40000000);
    CRenderEngine::DrawText(dc, nullptr, textRects[0], L"Hello, Zovi", 0xFF212327, 2, DT_SINGLELINE | DT_VCENTER);
    CRenderEngine::DrawText(dc, nullptr, textRects[1], L"屏幕录制 设置", 0xFF212327, 4,
                            DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    CRenderEngine::DrawText(dc, nullptr, textRects[2], L"A long label that is cut", 0xFF212327, 3,
                            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    CRenderEngine::DrawText(dc, nullptr, textRects[3],
                            L"文字换行：a rich edit wraps its words inside the rectangle, 中文也一样换行。", 0xFF555555, 3,
                            DT_WORDBREAK);
    EXPECT_EQ(cairo_status(canvas.cr()), CAIRO_STATUS_SUCCESS);
    canvas.Save("duilib_core_render");
}

}  // namespace
}  // namespace DuiLib
