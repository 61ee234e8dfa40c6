// What the controls paint: fills, borders of one and four widths, round borders, state
// colours and images by state, disabled images at half opacity, text inside its
// rectangle (Latin and Chinese). The picture is kept as a test artefact.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/duilib/controls/option.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {
namespace {

constexpr const wchar_t* kLayout = LR"(<Window bkcolor="#FFFFFFFF"><VerticalLayout inset="10,10,10,10" childpadding="6">
  <Label name="latin" height="24" text="Recording settings" textcolor="#FF333333" font="2" bordersize="1" bordercolor="#FFA7A6AA"/>
  <Label name="chinese" height="24" text="录屏设置 中文" textcolor="#FF333333" font="2" align="center"/>
  <Button name="primary" height="30" text="开始录制 Start" textcolor="#FFFFFFFF" bkcolor="#FF2B8CF4" hotbkcolor="#FF1F6FC4" borderround="4,4" font="2"/>
  <HorizontalLayout height="30" childpadding="6">
    <Button name="icon" width="30" normalimage="#red" hotimage="#green" pushedimage="#blue" bkcolor="#FFFFFFFF"/>
    <Button name="iconOff" width="30" normalimage="#red" enabled="false" bkcolor="#FFFFFFFF"/>
    <Button name="iconOffImage" width="30" normalimage="#red" disabledimage="#blue" enabled="false"/>
    <Option name="tile" width="120" text="选中 Tile" selected="true" selectedbkcolor="#FF2B8CF4" selectedtextcolor="#FFFFFFFF" bordersize="1" bordercolor="#FFA7A6AA" font="3"/>
    <Control name="underline" width="60" bordersize="0,0,0,2" bordercolor="#FF000000"/>
  </HorizontalLayout>
  <Button name="round" height="30" bordersize="1" borderround="6,6" bordercolor="#FF2B8CF4" text="Cancel 取消" textcolor="#FF333333"/>
  <Label name="ellipsis" height="20" width="90" text="A rather long label that must be cut 很长的文字" endellipsis="true" textcolor="#FF333333"/>
</VerticalLayout></Window>)";

TEST(ControlsRenderTest, StatesColoursBordersAndText) {
    auto pm = BuildManager(kLayout, 400, 300);
    AddSolidImage(*pm, L"#red", 0x00FF0000, 8);
    AddSolidImage(*pm, L"#green", 0x0000FF00, 8);
    AddSolidImage(*pm, L"#blue", 0x000000FF, 8);
    auto rectOf = [&](const wchar_t* name) { return pm->FindControl(name)->GetPos(); };

    // The pointer over the primary button (hot fill) and pressed on the icon.
    MouseMove(*pm, CentreOf(rectOf(L"icon")));
    LButtonDown(*pm, CentreOf(rectOf(L"icon")));
    SurfacePtr surface = RenderToSurface(*pm, 400, 300);
    SaveArtefact(surface.get(), "controls_render_pressed");
    auto at = [&](LONG x, LONG y) { return PixelAt(surface.get(), x, y); };
    const POINT icon = CentreOf(rectOf(L"icon"));
    EXPECT_EQ(at(icon.x, icon.y), 0xFF0000FFu);  // pushed image
    LButtonUp(*pm, POINT{390, 290});             // released outside: no longer pushed
    MouseMove(*pm, CentreOf(rectOf(L"primary")));
    surface = RenderToSurface(*pm, 400, 300);
    SaveArtefact(surface.get(), "controls_render");

    EXPECT_EQ(at(icon.x, icon.y), 0xFFFF0000u);  // normal image again
    const RECT primary = rectOf(L"primary");
    EXPECT_EQ(at(primary.left + 8, primary.top + 4), 0xFF1F6FC4u);  // hot fill
    EXPECT_EQ(at(primary.left, primary.top), 0xFFFFFFFFu);          // the rounded corner stays clear
    // Disabled: the normal image at half opacity over white, or the disabled image.
    const POINT off = CentreOf(rectOf(L"iconOff"));
    EXPECT_NEAR(static_cast<int>((at(off.x, off.y) >> 8) & 0xFF), 0x7F, 2);
    EXPECT_NEAR(static_cast<int>((at(off.x, off.y) >> 16) & 0xFF), 0xFF, 1);
    const POINT offImage = CentreOf(rectOf(L"iconOffImage"));
    EXPECT_EQ(at(offImage.x, offImage.y), 0xFF0000FFu);
    // Selected fill and one-pixel border; a four-width border draws only the underline.
    const RECT tile = rectOf(L"tile");
    EXPECT_EQ(at(tile.left + 3, tile.top + 3), 0xFF2B8CF4u);
    EXPECT_EQ(at(tile.left, tile.top + 10), 0xFFA7A6AAu);
    const RECT underline = rectOf(L"underline");
    EXPECT_EQ(at(underline.left + 5, underline.bottom - 1), 0xFF000000u);
    EXPECT_EQ(at(underline.left + 5, underline.bottom - 2), 0xFF000000u);
    EXPECT_EQ(at(underline.left + 5, underline.bottom - 3), 0xFFFFFFFFu);
    EXPECT_EQ(at(underline.left, underline.top + 5), 0xFFFFFFFFu);
    const RECT latin = rectOf(L"latin");
    EXPECT_EQ(at(latin.left, latin.top + 10), 0xFFA7A6AAu);
    EXPECT_EQ(at(latin.right - 1, latin.top + 10), 0xFFA7A6AAu);
    // Text is drawn inside its control, Latin and Chinese alike.
    for (const wchar_t* name : {L"latin", L"chinese", L"primary", L"tile", L"round"}) {
        const RECT rc = rectOf(name);
        const RECT inside{rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 2};
        EXPECT_GT(CountPixelsUnlike(surface.get(), inside, at(rc.left + 3, rc.top + 3)), 30)
            << testing::PrintToString(std::wstring(name));
    }
    // The ellipsised label stays inside its rectangle.
    const RECT ellipsis = rectOf(L"ellipsis");
    EXPECT_GT(CountPixelsUnlike(surface.get(), ellipsis, 0xFFFFFFFF), 20);
    EXPECT_EQ(CountPixelsUnlike(surface.get(), RECT{ellipsis.right, ellipsis.top, 390, ellipsis.bottom}, 0xFFFFFFFF), 0);
}

TEST(ControlsRenderTest, ContainerClipsItsChildren) {
    auto pm = BuildManager(LR"(<Window bkcolor="#FFFFFFFF"><VerticalLayout>
        <HorizontalLayout name="box" height="20" inset="2,2,2,2"><Control name="wide" width="300" bkcolor="#FFFF0000"/></HorizontalLayout>
        <Control height="20" bkcolor="#FF00FF00"/></VerticalLayout></Window>)",
                           100, 60);
    SurfacePtr surface = RenderToSurface(*pm, 100, 60);
    EXPECT_EQ(PixelAt(surface.get(), 50, 10), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(surface.get(), 99, 1), 0xFFFFFFFFu);  // the inset is not painted over
    EXPECT_EQ(PixelAt(surface.get(), 50, 30), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(surface.get(), 50, 50), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace DuiLib::test
