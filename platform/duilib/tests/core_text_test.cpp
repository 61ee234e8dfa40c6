// Text through Pango: only what does not depend on the exact glyphs is asserted — ink
// inside the text rectangle (Latin and Chinese), alignment, ellipsis within bounds,
// line breaks and wrapping.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/tests/core_test_support.h"

namespace DuiLib {
namespace {

using test::Canvas;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr UINT kLabel = DT_SINGLELINE | DT_VCENTER;

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(DuiCoreText, InkStaysInsideItsRectangle) {
    const struct {
        const wchar_t* text;
        int font;
    } cases[] = {{L"Hello, Zovi", 3}, {L"屏幕录制", 0}, {L"录制 Recording 设置", 4}, {L"gjpqy ÀÉ", 2}};
    for (const auto& c : cases) {
        Canvas canvas(240, 60);
        const RECT rc{20, 10, 220, 50};
        CRenderEngine::DrawText(canvas.hdc(), nullptr, rc, c.text, 0xFF212327, c.font, kLabel);
        const RECT ink = canvas.Changed(kWhite);
        EXPECT_GT(ink.right - ink.left, 10) << c.text;
        EXPECT_TRUE(Inside(ink, rc)) << c.text;
    }
}

TEST(DuiCoreText, ChineseHasGlyphsNotBoxes) {
    PangoLayout* layout = pango_layout_new(SharedPangoContext());
    pango_layout_set_text(layout, "屏幕录制设置中文", -1);
    EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout), 0);
    g_object_unref(layout);
}

TEST(DuiCoreText, HorizontalAndVerticalAlignment) {
    const RECT rc{10, 10, 230, 70};
    const struct {
        UINT style;
        int horizontal;  // -1 left, 0 centre, 1 right
        int vertical;
    } cases[] = {
        {DT_SINGLELINE, -1, -1},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, 0, 0},
        {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 1, 1},
        {DT_WORDBREAK | DT_CENTER, 0, -1},
        {DT_WORDBREAK | DT_RIGHT | DT_VCENTER, 1, 0},
    };
    for (const auto& c : cases) {
        Canvas canvas(240, 80);
        CRenderEngine::DrawText(canvas.hdc(), nullptr, rc, L"Zovi 录屏", 0xFF000000, 2, c.style);
        const RECT ink = canvas.Changed(kWhite);
        const int left = ink.left - rc.left, right = rc.right - ink.right;
        const int top = ink.top - rc.top, bottom = rc.bottom - ink.bottom;
        switch (c.horizontal) {
            case -1: EXPECT_LE(left, 3) << c.style; break;
            case 0: EXPECT_NEAR(left, right, 4) << c.style; break;
            default: EXPECT_LE(right, 3) << c.style;
        }
        // Ink sits within the line's logical box: a few pixels of leading either side.
        switch (c.vertical) {
            case -1: EXPECT_LE(top, 8) << c.style; break;
            case 0: EXPECT_NEAR(top, bottom, 6) << c.style; break;
            default: EXPECT_LE(bottom, 8) << c.style;
        }
    }
}

TEST(DuiCoreText, EllipsisStaysInBounds) {
    const std::wstring text = L"A rather long label that cannot fit 一个很长的标签";
    for (UINT style : {kLabel | DT_END_ELLIPSIS, kLabel | DT_END_ELLIPSIS | DT_CENTER, DT_WORDBREAK | DT_END_ELLIPSIS}) {
        Canvas canvas(200, 60);
        const RECT rc{20, 10, 120, 40};
        CRenderEngine::DrawText(canvas.hdc(), nullptr, rc, text, 0xFF000000, 3, style);
        const RECT ink = canvas.Changed(kWhite);
        EXPECT_TRUE(Inside(ink, rc)) << style;
        EXPECT_GT(ink.right, rc.right - 20) << style;  // the text fills the width up to the "…"
        EXPECT_LE(CRenderEngine::MeasureText(nullptr, text, 3, style, 100).cx, 100) << style;
    }
}

TEST(DuiCoreText, LineBreaksAndWrapping) {
    const SIZE one = CRenderEngine::MeasureText(nullptr, L"first", 3, 0, 0);
    const SIZE two = CRenderEngine::MeasureText(nullptr, L"first\nsecond", 3, 0, 0);
    const SIZE twoCrLf = CRenderEngine::MeasureText(nullptr, L"first\r\nsecond", 3, 0, 0);
    const SIZE single = CRenderEngine::MeasureText(nullptr, L"first\r\nsecond", 3, DT_SINGLELINE, 0);
    const SIZE spaced = CRenderEngine::MeasureText(nullptr, L"first second", 3, DT_SINGLELINE, 0);
    EXPECT_GT(one.cy, 0);
    EXPECT_NEAR(two.cy, 2 * one.cy, 1);  // line heights are fractional
    EXPECT_EQ(twoCrLf.cy, two.cy);
    EXPECT_EQ(single.cy, one.cy);
    EXPECT_EQ(single.cx, spaced.cx);  // a line break shows as one space

    const std::wstring paragraph = L"Word wrap breaks long text into lines 文字也会在矩形里换行";
    const SIZE wrapped = CRenderEngine::MeasureText(nullptr, paragraph, 3, DT_WORDBREAK, 100);
    EXPECT_LE(wrapped.cx, 100);
    EXPECT_GE(wrapped.cy, 3 * one.cy);
    EXPECT_GT(CRenderEngine::MeasureText(nullptr, paragraph, 3, 0, 100).cx, 100);  // no wrapping asked
}

TEST(DuiCoreText, LatinAndChineseLinesShareTheirHeight) {
    for (int font = 0; font <= 4; ++font) {
        EXPECT_EQ(CRenderEngine::MeasureText(nullptr, L"Ag", font, kLabel, 0).cy,
                  CRenderEngine::MeasureText(nullptr, L"中文", font, kLabel, 0).cy)
            << font;
    }
}

TEST(DuiCoreText, UnderlineAndTranslucentColour) {
    static const TFontInfo underlined{L"微软雅黑", 14, false, false, true, false};
    CRenderEngine::SetFontLookup([](const CPaintManagerUI*, int) -> const TFontInfo& { return underlined; });
    auto* manager = reinterpret_cast<CPaintManagerUI*>(const_cast<TFontInfo*>(&underlined));  // never looked into
    Canvas plain(120, 30), lined(120, 30);
    CRenderEngine::DrawText(plain.hdc(), nullptr, {0, 0, 120, 30}, L"....", 0xFF000000, 2, kLabel);
    CRenderEngine::DrawText(lined.hdc(), manager, {0, 0, 120, 30}, L"....", 0xFF000000, 2, kLabel);
    CRenderEngine::SetFontLookup(nullptr);
    // The underline runs under the dots, wider than their ink alone.
    EXPECT_GT(lined.Changed(kWhite).right - lined.Changed(kWhite).left,
              plain.Changed(kWhite).right - plain.Changed(kWhite).left);

    Canvas faint(120, 30);
    CRenderEngine::DrawText(faint.hdc(), nullptr, {0, 0, 120, 30}, L"███", 0x40000000, 0, kLabel);
    uint32_t darkest = 0xFF;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 120; ++x) darkest = std::min(darkest, faint.Pixel(x, y) & 0xFF);
    }
    EXPECT_GT(darkest, 0x90u);  // a quarter-alpha black never darkens white below ~0xBF
    EXPECT_LT(darkest, 0xF0u);
}

}  // namespace
}  // namespace DuiLib
