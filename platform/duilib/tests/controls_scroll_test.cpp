// Scrolling containers: the range is the content less the view, positions are clamped,
// hidden children and window sizes change the range, the wheel scrolls from a child, the
// bar's thumb drags and its track pages, and a content of 1,440,300 pixels scrolled to
// its end paints the right pixels without Cairo going into its error state. None of it
// raises a notification.
#include <gtest/gtest.h>

#include <cairo.h>

#include <string>
#include <vector>

#include "platform/duilib/controls/scroll_bar.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {
namespace {

CContainerUI* ContainerOf(CPaintManagerUI& pm, const wchar_t* name) {
    CControlUI* control = pm.FindControl(name);
    return control ? static_cast<CContainerUI*>(control->GetInterface(L"Container")) : nullptr;
}

std::string Describe(SIZE size) { return "{" + std::to_string(size.cx) + "," + std::to_string(size.cy) + "}"; }

// A 200 x 100 vertical list: 5 rows of 40 with 5 between (content 220), inset 5 all round.
constexpr const wchar_t* kList = LR"(<Window><VerticalLayout>
  <VerticalLayout name="list" height="100" vscrollbar="true" inset="5,5,5,5" childpadding="5" bkcolor="#FFFFFFFF">
    <Control name="r0" height="40" bkcolor="#FFFF0000"/><Control name="r1" height="40"/><Control name="r2" height="40"/>
    <Control name="r3" height="40"/><Control name="r4" height="40" bkcolor="#FF0000FF"/>
  </VerticalLayout><Control/></VerticalLayout></Window>)";

struct ControlsScrollTest : testing::Test {
    void SetUp() override {
        pm = BuildManager(kList, 200, 300);
        pm->AddNotifier(&notifier);
        list = ContainerOf(*pm, L"list");
        ASSERT_NE(list, nullptr);
        ASSERT_NE(list->GetVerticalScrollBar(), nullptr);
    }
    void TearDown() override { EXPECT_TRUE(notifier.entries.empty()) << "scrolling raised a notification"; }
    LONG TopOf(const wchar_t* name) { return pm->FindControl(name)->GetPos().top; }

    std::unique_ptr<CPaintManagerUI> pm;
    CRecordingNotifier notifier;
    CContainerUI* list = nullptr;
};

TEST(ControlsScrollRangeTest, RangeIsContentLessView) {
    struct Case {
        const char* what;
        const wchar_t* xml;
        SIZE range;
        bool vertical, horizontal;  // bars shown
    };
    const std::vector<Case> cases = {
        {"vertical: 3 x 60 + 2 x 10 in 100", LR"(<Window><VerticalLayout name="c" vscrollbar="true" childpadding="10">
            <Control height="60"/><Control height="60"/><Control height="60"/></VerticalLayout></Window>)",
         {0, 100}, true, false},
        {"vertical: content that fits shows no bar", LR"(<Window><VerticalLayout name="c" vscrollbar="true">
            <Control height="60"/><Control/></VerticalLayout></Window>)",
         {0, 0}, false, false},
        {"vertical: padding and inset count", LR"(<Window><VerticalLayout name="c" vscrollbar="true" inset="0,10,0,10">
            <Control height="80" padding="0,5,0,5"/><Control height="20"/></VerticalLayout></Window>)",
         {0, 30}, true, false},
        {"horizontal: 2 x 150 in 200, the bar takes 8 of the height",
         LR"(<Window><HorizontalLayout name="c" hscrollbar="true"><Control width="150"/><Control width="150"/>
            </HorizontalLayout></Window>)",
         {100, 0}, false, true},
        {"stacking container: a tall child", LR"(<Window><Container name="c" vscrollbar="true">
            <Control height="250"/></Container></Window>)",
         {0, 150}, true, false},
        {"both bars: each takes room from the other", LR"(<Window><Container name="c" vscrollbar="true" hscrollbar="true">
            <Control width="300" height="250"/></Container></Window>)",
         {300 - 192, 250 - 92}, true, true},
        {"no bar wanted: no scrolling", LR"(<Window><VerticalLayout name="c">
            <Control height="300"/></VerticalLayout></Window>)",
         {0, 0}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto pm = BuildManager(c.xml, 200, 100);
        CContainerUI* container = ContainerOf(*pm, L"c");
        ASSERT_NE(container, nullptr);
        EXPECT_EQ(Describe(container->GetScrollRange()), Describe(c.range));
        CScrollBarUI* v = container->GetVerticalScrollBar();
        CScrollBarUI* h = container->GetHorizontalScrollBar();
        EXPECT_EQ(v && v->IsVisible(), c.vertical);
        EXPECT_EQ(h && h->IsVisible(), c.horizontal);
        if (v && v->IsVisible()) {
            EXPECT_EQ(v->GetPos().right, 200);
        }
        if (v && v->IsVisible()) {
            EXPECT_EQ(v->GetWidth(), CScrollBarUI::kThickness);
        }
        if (h && h->IsVisible()) {
            EXPECT_EQ(h->GetPos().bottom, 100);
        }
    }
}

TEST_F(ControlsScrollTest, SetScrollPosClampsAndMovesTheChildren) {
    // Content 5 x 40 + 4 x 5 = 220 in a view of 90.
    EXPECT_EQ(Describe(list->GetScrollRange()), Describe({0, 130}));
    const RECT bar = list->GetVerticalScrollBar()->GetPos();
    EXPECT_EQ(bar.left, 200 - 5 - CScrollBarUI::kThickness);
    EXPECT_EQ(pm->FindControl(L"r0")->GetPos().right, bar.left);  // the bar took its width from the view
    struct Case {
        int asked, expected;
    };
    for (const Case& c : std::vector<Case>{{50, 50}, {-5, 0}, {131, 130}, {100000, 130}, {0, 0}, {130, 130}}) {
        list->SetScrollPos(SIZE{0, c.asked});
        EXPECT_EQ(list->GetScrollPos().cy, c.expected) << c.asked;
        EXPECT_EQ(TopOf(L"r0"), 5 - c.expected) << c.asked;
        EXPECT_EQ(TopOf(L"r4"), 5 + 4 * 45 - c.expected) << c.asked;
    }
    // A horizontal position without a horizontal bar stays 0.
    list->SetScrollPos(SIZE{40, 10});
    EXPECT_EQ(Describe(list->GetScrollPos()), Describe({0, 10}));
    // The named steps.
    list->HomeUp();
    list->LineDown();
    EXPECT_EQ(list->GetScrollPos().cy, CScrollBarUI::kDefaultLineSize);
    list->PageDown();
    EXPECT_EQ(list->GetScrollPos().cy, CScrollBarUI::kDefaultLineSize + 90);
    list->EndDown();
    EXPECT_EQ(list->GetScrollPos().cy, 130);
    list->PageUp();
    EXPECT_EQ(list->GetScrollPos().cy, 40);
    list->LineUp();
    EXPECT_EQ(list->GetScrollPos().cy, 40 - CScrollBarUI::kDefaultLineSize);
}

TEST_F(ControlsScrollTest, HiddenChildrenAndNewSizesChangeTheRangeAndKeepThePositionInside) {
    list->EndDown();
    pm->FindControl(L"r2")->SetVisible(false);
    LayOut(*pm, 200, 300);
    EXPECT_EQ(list->GetScrollRange().cy, 130 - 45);
    EXPECT_EQ(list->GetScrollPos().cy, 85);  // clamped to the new range
    pm->FindControl(L"r2")->SetVisible(true);
    LayOut(*pm, 200, 300);
    EXPECT_EQ(list->GetScrollRange().cy, 130);
    EXPECT_EQ(list->GetScrollPos().cy, 85);

    // A taller list after WM_SIZE (the list is flexible now).
    list->SetFixedHeight(0);
    LayOut(*pm, 200, 150);
    EXPECT_EQ(list->GetScrollRange().cy, 220 - 65);  // half of 150 less the inset
    EXPECT_EQ(list->GetScrollPos().cy, 85);
    LayOut(*pm, 200, 500);                           // the content fits: no bar, back to the top
    EXPECT_EQ(Describe(list->GetScrollRange()), Describe({0, 0}));
    EXPECT_EQ(list->GetScrollPos().cy, 0);
    EXPECT_FALSE(list->GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(TopOf(L"r0"), 5);
}

TEST_F(ControlsScrollTest, TheWheelOverAChildScrollsTheContainer) {
    const POINT overRow = CentreOf(pm->FindControl(L"r0")->GetPos());
    const int notch = CScrollBarUI::kWheelLines * CScrollBarUI::kDefaultLineSize;
    Wheel(*pm, overRow, -120);  // towards the user: down
    EXPECT_EQ(list->GetScrollPos().cy, notch);
    Wheel(*pm, overRow, -120);
    Wheel(*pm, overRow, -120);
    EXPECT_EQ(list->GetScrollPos().cy, 130);
    Wheel(*pm, overRow, 120);
    EXPECT_EQ(list->GetScrollPos().cy, 130 - notch);
    // Over the bar itself.
    Wheel(*pm, CentreOf(list->GetVerticalScrollBar()->GetPos()), 120);
    EXPECT_EQ(list->GetScrollPos().cy, 130 - 2 * notch);
    // Below the list nothing scrolls it.
    Wheel(*pm, POINT{100, 200}, -120);
    EXPECT_EQ(list->GetScrollPos().cy, 130 - 2 * notch);
}

TEST(ControlsScrollWheelTest, ShiftTurnsTheWheelSidewaysAndALoneHorizontalBarTakesIt) {
    const int notch = CScrollBarUI::kWheelLines * CScrollBarUI::kDefaultLineSize;
    auto shiftWheel = [](CPaintManagerUI& pm, POINT pt, int delta) {
        Send(pm, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(static_cast<short>(delta))),
             MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
    };
    auto both = BuildManager(LR"(<Window><Container name="c" vscrollbar="true" hscrollbar="true">
        <Control name="big" width="600" height="600"/></Container></Window>)",
                             200, 100);
    CContainerUI* c = ContainerOf(*both, L"c");
    Wheel(*both, POINT{50, 50}, -120);
    EXPECT_EQ(Describe(c->GetScrollPos()), Describe({0, notch}));
    shiftWheel(*both, POINT{50, 50}, -120);
    EXPECT_EQ(Describe(c->GetScrollPos()), Describe({notch, notch}));
    shiftWheel(*both, POINT{50, 50}, 120);
    EXPECT_EQ(Describe(c->GetScrollPos()), Describe({0, notch}));

    auto across = BuildManager(LR"(<Window><HorizontalLayout name="c" hscrollbar="true">
        <Control width="600"/></HorizontalLayout></Window>)",
                               200, 100);
    CContainerUI* h = ContainerOf(*across, L"c");
    Wheel(*across, POINT{50, 50}, -120);
    EXPECT_EQ(Describe(h->GetScrollPos()), Describe({notch, 0}));
}

TEST_F(ControlsScrollTest, HitTestingFollowsTheScrolledChildren) {
    list->SetScrollPos(SIZE{0, 45});  // r1 now at the top
    EXPECT_EQ(pm->FindControl(POINT{50, 10}), pm->FindControl(L"r1"));
    EXPECT_EQ(pm->FindControl(POINT{50, 60}), pm->FindControl(L"r2"));
    // Part of r0 lies in the inset above the view: there it is not shown and not found.
    list->SetScrollPos(SIZE{0, 20});
    EXPECT_EQ(pm->FindControl(L"r0")->GetPos().top, -15);
    EXPECT_EQ(pm->FindControl(POINT{50, 2}), list);
    EXPECT_EQ(pm->FindControl(POINT{50, 6}), pm->FindControl(L"r0"));
    // The bar is found over the rows' former right edge.
    EXPECT_EQ(pm->FindControl(CentreOf(list->GetVerticalScrollBar()->GetPos())), list->GetVerticalScrollBar());
}

TEST_F(ControlsScrollTest, ThumbDragsAndTrackClicksPage) {
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    const RECT thumb = bar->GetThumbRect();
    // Thumb: 90 * 90 / 220 = 36 of a 90-pixel track; travel 54 for a range of 130.
    EXPECT_EQ(thumb.bottom - thumb.top, 36);
    EXPECT_EQ(thumb.top, bar->GetPos().top);
    const POINT grip = CentreOf(thumb);

    // Drag down by 27 (half the travel), past the end, back up; the capture holds off the bar.
    MouseMove(*pm, grip);
    LButtonDown(*pm, grip);
    MouseMove(*pm, POINT{grip.x, grip.y + 27});
    EXPECT_EQ(list->GetScrollPos().cy, 65);
    EXPECT_EQ(TopOf(L"r0"), 5 - 65);
    MouseMove(*pm, POINT{grip.x - 100, grip.y + 500});
    EXPECT_EQ(list->GetScrollPos().cy, 130);
    MouseMove(*pm, POINT{grip.x, grip.y + 27});
    EXPECT_EQ(list->GetScrollPos().cy, 65);
    LButtonUp(*pm, POINT{grip.x, grip.y + 27});
    MouseMove(*pm, POINT{grip.x, grip.y + 40});  // no longer dragging
    EXPECT_EQ(list->GetScrollPos().cy, 65);

    // Track clicks page by the view (90) towards the pointer.
    list->HomeUp();
    const RECT track = bar->GetPos();
    ClickAt(*pm, POINT{grip.x, track.bottom - 2});
    EXPECT_EQ(list->GetScrollPos().cy, 90);
    ClickAt(*pm, POINT{grip.x, track.bottom - 2});
    EXPECT_EQ(list->GetScrollPos().cy, 130);
    ClickAt(*pm, POINT{grip.x, track.top + 1});
    EXPECT_EQ(list->GetScrollPos().cy, 40);
}

TEST_F(ControlsScrollTest, TheThumbIsDrawnGreyAndDarkerUnderThePointer) {
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    const POINT grip = CentreOf(bar->GetThumbRect());
    SurfacePtr surface = RenderToSurface(*pm, 200, 300);
    EXPECT_EQ(PixelAt(surface.get(), grip.x, grip.y), 0xFFC1C1C1u);
    EXPECT_EQ(PixelAt(surface.get(), 50, 10), 0xFFFF0000u);  // the first row, above the thumb's level
    MouseMove(*pm, grip);
    list->SetScrollPos(SIZE{0, 130});
    surface = RenderToSurface(*pm, 200, 300);
    SaveArtefact(surface.get(), "controls_scroll_list");
    const POINT hotGrip = CentreOf(bar->GetThumbRect());
    EXPECT_EQ(PixelAt(surface.get(), hotGrip.x, hotGrip.y), 0xFFA8A8A8u);
    EXPECT_EQ(PixelAt(surface.get(), 50, 90), 0xFF0000FFu);  // the last row at the bottom of the view
    EXPECT_EQ(PixelAt(surface.get(), 50, 97), 0xFFFFFFFFu);  // inset: children are clipped to the view
}

TEST(ControlsScrollHugeTest, ContentOfOnePointFourMillionPixelsPaintsAtItsEnd) {
    CLogCapture log;
    auto pm = BuildManager(LR"(<Window bkcolor="#FFFFFFFF"><VerticalLayout inset="10,10,10,10">
        <HorizontalLayout name="ruler" height="60" hscrollbar="true" bkcolor="#FFEEEEEE">
          <Control name="body" width="1440000" bkcolor="#FFFF0000" bordersize="1" bordercolor="#FF000000"/>
          <Control name="tail" width="300" bkcolor="#FF0000FF"/>
        </HorizontalLayout><Control/></VerticalLayout></Window>)",
                           620, 120);
    CContainerUI* ruler = ContainerOf(*pm, L"ruler");
    ASSERT_NE(ruler, nullptr);
    EXPECT_EQ(ruler->GetScrollRange().cx, 1440300 - 600);
    ruler->EndRight();
    EXPECT_EQ(ruler->GetScrollPos().cx, 1440300 - 600);
    EXPECT_EQ(pm->FindControl(L"tail")->GetPos().left, 10 + 300);
    EXPECT_EQ(pm->FindControl(L"body")->GetPos().left, 10 + 300 - 1440000);
    SurfacePtr surface = RenderToSurface(*pm, 620, 120);
    SaveArtefact(surface.get(), "controls_scroll_huge");
    EXPECT_EQ(cairo_surface_status(surface.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(log.Count(L"Cairo"), 0);
    EXPECT_EQ(PixelAt(surface.get(), 100, 30), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(surface.get(), 10 + 299, 30), 0xFF000000u);  // the body's right border
    EXPECT_EQ(PixelAt(surface.get(), 10 + 450, 30), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(surface.get(), 5, 30), 0xFFFFFFFFu);          // outside the ruler
    // The bar's thumb sits at the far right of the track.
    const RECT thumb = ruler->GetHorizontalScrollBar()->GetThumbRect();
    EXPECT_EQ(thumb.right, 610);
    EXPECT_EQ(PixelAt(surface.get(), thumb.right - 10, (thumb.top + thumb.bottom) / 2), 0xFFC1C1C1u);
    // A position in the middle paints too.
    ruler->SetScrollPos(SIZE{720000, 0});
    surface = RenderToSurface(*pm, 620, 120);
    EXPECT_EQ(cairo_surface_status(surface.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(PixelAt(surface.get(), 300, 30), 0xFFFF0000u);
    EXPECT_EQ(log.Count(L"Cairo"), 0);
}

}  // namespace
}  // namespace DuiLib::test
