#include <gtest/gtest.h>

#include <cairo.h>

#include "platform/gdi/memory_dc.h"

namespace zovi::platform {
namespace {

void FillRect(CDibSection& bitmap, const RECT& rc, uint32_t rgb) {
    cairo_t* cr = cairo_create(bitmap.Surface());
    cairo_set_source_rgb(cr, (rgb >> 16) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(bitmap.Surface());
}

TEST(DibSection, TopDownBgrxRowsOfWidthTimesFour) {
    struct Case {
        int width, height;
        bool made;
    } cases[] = {{1, 1, true}, {333, 7, true}, {0, 10, false}, {10, -1, false}};
    for (const Case& c : cases) {
        auto bitmap = CDibSection::Create(c.width, c.height);
        ASSERT_EQ(bitmap != nullptr, c.made);
        if (!bitmap) continue;
        EXPECT_EQ(bitmap->Stride(), c.width * 4);
        EXPECT_EQ(bitmap->PixelAt(c.width - 1, c.height - 1), 0u);
    }
    auto bitmap = CDibSection::Create(4, 3);
    FillRect(*bitmap, {1, 2, 2, 3}, 0x123456);
    const uint8_t* p = bitmap->Bits() + 2 * bitmap->Stride() + 1 * 4;
    EXPECT_EQ(p[0], 0x56);  // blue first
    EXPECT_EQ(p[1], 0x34);
    EXPECT_EQ(p[2], 0x12);
    EXPECT_EQ(bitmap->PixelAt(1, 2), 0x123456u);
    bitmap->Clear();
    EXPECT_EQ(bitmap->PixelAt(1, 2), 0u);
}

TEST(MemoryDC, StretchScalesTheWholeSource) {
    auto source = CDibSection::Create(400, 300);
    FillRect(*source, {0, 0, 200, 150}, 0xff0000);
    FillRect(*source, {200, 0, 400, 150}, 0x00ff00);
    FillRect(*source, {0, 150, 200, 300}, 0x0000ff);
    FillRect(*source, {200, 150, 400, 300}, 0xffffff);
    CMemoryDC dc;
    EXPECT_FALSE(dc.StretchBlt({0, 0, 200, 150}, *source));  // nothing selected
    auto thumbnail = CDibSection::Create(200, 150);
    dc.SelectObject(thumbnail);
    ASSERT_TRUE(dc.StretchBlt({0, 0, 200, 150}, *source));
    EXPECT_EQ(thumbnail->PixelAt(50, 37), 0xff0000u);
    EXPECT_EQ(thumbnail->PixelAt(150, 37), 0x00ff00u);
    EXPECT_EQ(thumbnail->PixelAt(50, 112), 0x0000ffu);
    EXPECT_EQ(thumbnail->PixelAt(150, 112), 0xffffffu);
}

TEST(MemoryDC, TextStaysInsideItsBand) {
    CMemoryDC dc;
    EXPECT_FALSE(dc.DrawTextW(L"x", {0, 0, 10, 10}, DT_SINGLELINE));  // nothing selected
    auto frame = CDibSection::Create(400, 200);
    dc.SelectObject(frame);
    dc.SelectObject(CFont::Create(L"微软雅黑", 60, true));
    dc.SetTextColor(255, 255, 0);
    const RECT band{50, 50, 200, 100};  // lower than the text: it is clipped
    ASSERT_TRUE(dc.DrawTextW(L"录屏 Zovi recorder", band, DT_SINGLELINE | DT_VCENTER));
    int inside = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) {
            if (frame->PixelAt(x, y) == 0) continue;
            ASSERT_TRUE(x >= band.left && x < band.right && y >= band.top && y < band.bottom)
                << x << "," << y;
            ++inside;
        }
    EXPECT_GT(inside, 100);
}

TEST(Font, RejectsNoSize) {
    EXPECT_EQ(CFont::Create(L"DejaVu Sans", 0, false), nullptr);
    EXPECT_NE(CFont::Create(L"", 12, false), nullptr);
}

}  // namespace
}  // namespace zovi::platform
