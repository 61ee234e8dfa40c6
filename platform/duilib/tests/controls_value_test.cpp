// The value controls and the tab layout: what the slider and the tab layout raise (and
// when they stay silent), the slider's value under the pointer, the pages a tab layout
// shows while pages come and go, and the progress fill in pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/duilib/controls/progress.h"
#include "platform/duilib/controls/slider.h"
#include "platform/duilib/controls/tab_layout.h"
#include "platform/duilib/core/manager/paint_clip.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "platform/duilib/tests/notify_rules.h"

namespace DuiLib::test {
namespace {

// The slider's thumb is 16 wide, so its centre travels 200 pixels: one value per pixel.
constexpr const wchar_t* kLayout = LR"(<Window size="300,200"><VerticalLayout name="root" inset="10,10,10,10">
  <HorizontalLayout height="30"><Slider name="S" width="216" min="0" max="200" value="0"/></HorizontalLayout>
  <TabLayout name="T" height="40">
    <Button name="page0" text="0"/>
    <Container name="page1"><Button name="inner1"/></Container>
    <Button name="page2" text="2"/>
  </TabLayout>
  <Control/>
</VerticalLayout></Window>)";

CSliderUI* Slider(CPaintManagerUI& pm) {
    return static_cast<CSliderUI*>(pm.FindControl(L"S")->GetInterface(L"Slider"));
}
CTabLayoutUI* Tab(CPaintManagerUI& pm) {
    return static_cast<CTabLayoutUI*>(pm.FindControl(L"T")->GetInterface(L"TabLayout"));
}
// The client x where the thumb's centre stands for `value`, and the slider's middle row.
POINT SliderPoint(CPaintManagerUI& pm, int value) {
    const RECT rc = Slider(pm)->GetPos();
    return POINT{rc.left + 8 + value, (rc.top + rc.bottom) / 2};
}
POINT Offset(POINT pt, LONG dx) { return POINT{pt.x + dx, pt.y}; }

TEST(ControlsValueTest, NotificationRows) {
    const std::vector<NotifyRow> rows = {
        {"23 SetValue, SetMaxValue below the value, SetMinValue above it", Nothing,
         [](auto& pm) {
             Slider(pm)->SetValue(150);
             Slider(pm)->SetMaxValue(120);
             Slider(pm)->SetValue(-5);
             Slider(pm)->SetMinValue(30);
         },
         {},
         [](auto& pm) {
             EXPECT_EQ(Slider(pm)->GetValue(), 30);
             EXPECT_EQ(Slider(pm)->GetMaxValue(), 120);
         }},
        {"24 press, drag over 3 values, release", Nothing,
         [](auto& pm) {
             const POINT at = SliderPoint(pm, 50);
             MouseMove(pm, at);
             LButtonDown(pm, at);  // on the track: the value jumps there
             for (int dx = 1; dx <= 3; ++dx) MouseMove(pm, Offset(at, dx));
             MouseMove(pm, Offset(at, 3));  // no change, nothing
             LButtonUp(pm, Offset(at, 3));  // raised although unchanged
         },
         {L"valuechanged:S", L"valuechanged:S", L"valuechanged:S", L"valuechanged:S", L"valuechanged:S"},
         [](auto& pm) {
             EXPECT_EQ(Slider(pm)->GetValue(), 53);
             EXPECT_FALSE(Slider(pm)->IsDragging());
         }},
        {"25 tab layout SelectItem(3) of 3, and every other selection by code", Nothing,
         [](auto& pm) {
             EXPECT_FALSE(Tab(pm)->SelectItem(3));
             EXPECT_FALSE(Tab(pm)->SelectItem(-1));
             EXPECT_TRUE(Tab(pm)->SelectItem(2));
             EXPECT_TRUE(Tab(pm)->SelectItem(pm.FindControl(L"page1")));
         },
         {},
         [](auto& pm) { EXPECT_EQ(Tab(pm)->GetCurSel(), 1); }},
        {"Left and Right on the focused slider step by one", Nothing,
         [](auto& pm) {
             Slider(pm)->SetValue(1);
             Slider(pm)->SetFocus();
             Key(pm, VK_RIGHT);
             Key(pm, VK_LEFT);
             Key(pm, VK_LEFT);
             Key(pm, VK_LEFT);  // at the minimum: no change, nothing
         },
         {L"valuechanged:S", L"valuechanged:S", L"valuechanged:S"},
         [](auto& pm) { EXPECT_EQ(Slider(pm)->GetValue(), 0); }},
        {"a disabled slider ignores presses and keys", [](auto& pm) { Slider(pm)->SetEnabled(false); },
         [](auto& pm) {
             ClickAt(pm, SliderPoint(pm, 100));
             Key(pm, VK_RIGHT);
         },
         {},
         [](auto& pm) { EXPECT_EQ(Slider(pm)->GetValue(), 0); }},
    };
    RunNotifyRows(kLayout, 300, 200, rows);
}

TEST(ControlsValueTest, SliderValueFromThePointer) {
    struct Case {
        const char* name;
        int startValue;
        LONG pressDx;  // from the slider's left edge
        LONG dragDx;   // then the pointer moves by this much before the release
        int expected;
    };
    const Case cases[] = {
        {"left end", 100, 0, 0, 0},
        {"middle", 0, 108, 0, 100},
        {"right end", 0, 215, 0, 200},
        {"dragged far left clamps", 0, 108, -400, 0},
        {"dragged far right clamps", 0, 108, 400, 200},
        {"the thumb taken off-centre does not jump", 100, 108 + 5, 10, 110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto pm = BuildManager(kLayout, 300, 200);
        CSliderUI* slider = Slider(*pm);
        slider->SetValue(c.startValue);
        const POINT press{slider->GetPos().left + c.pressDx, SliderPoint(*pm, 0).y};
        MouseMove(*pm, press);
        LButtonDown(*pm, press);
        if (c.dragDx != 0) {
            MouseMove(*pm, Offset(press, c.dragDx));
        } else {
            EXPECT_EQ(slider->GetValue(), c.expected);  // the press alone
        }
        LButtonUp(*pm, Offset(press, c.dragDx));
        EXPECT_EQ(slider->GetValue(), c.expected);
        EXPECT_EQ(pm->GetFocus(), slider);  // a tab stop: the press focuses it
    }
}

TEST(ControlsValueTest, SliderThumbFollowsTheValueAndRange) {
    auto pm = BuildManager(kLayout, 300, 200);
    CSliderUI* slider = Slider(*pm);
    const RECT rc = slider->GetPos();
    EXPECT_EQ(slider->GetThumbRect().left, rc.left);
    slider->SetValue(200);
    EXPECT_EQ(slider->GetThumbRect().right, rc.right);
    slider->SetMaxValue(400);  // the same value, half-way now
    EXPECT_EQ(slider->GetThumbRect().left, rc.left + 100);
    EXPECT_EQ(slider->GetThumbRect().top, rc.top + 7);  // centred in the 30-pixel row
    // An empty range puts the thumb at the start and every position at the minimum.
    slider->SetMinValue(400);
    EXPECT_EQ(slider->GetValue(), 400);
    EXPECT_EQ(slider->GetThumbRect().left, rc.left);
    EXPECT_EQ(slider->ValueAtX(rc.right), 400);
}

TEST(ControlsValueTest, SliderDrawsTrackFilledSpanAndThumb) {
    auto pm = BuildManager(kLayout, 300, 200);
    pm->SetClearColor(0xFFFFFFFF);
    CSliderUI* slider = Slider(*pm);
    slider->SetValue(100);
    const RECT rc = slider->GetPos();
    const POINT thumb = CentreOf(slider->GetThumbRect());
    const LONG trackY = (rc.top + rc.bottom) / 2 - 1;  // a middle row of the 4-pixel track
    auto render = [&](const char* name) {
        SurfacePtr surface = RenderToSurface(*pm, 300, 200);
        SaveArtefact(surface.get(), name);
        return surface;
    };
    auto blueOverRed = [](uint32_t pixel) {
        return static_cast<int>(pixel & 0xFF) - static_cast<int>((pixel >> 16) & 0xFF);
    };

    SurfacePtr normal = render("slider_normal");
    EXPECT_EQ(PixelAt(normal.get(), rc.left + 50, trackY), 0xFF2B8CF4u);   // the filled span
    EXPECT_EQ(PixelAt(normal.get(), rc.left + 150, trackY), 0xFFD0D0D0u);  // the rest of the track
    EXPECT_EQ(PixelAt(normal.get(), rc.left + 50, trackY - 4), 0xFFFFFFFFu);  // only 4 pixels tall
    EXPECT_EQ(PixelAt(normal.get(), thumb.x, thumb.y), 0xFFFFFFFFu);  // the white thumb over the track
    const POINT rim{thumb.x, slider->GetThumbRect().top};
    EXPECT_LT(std::abs(blueOverRed(PixelAt(normal.get(), rim.x, rim.y))), 8);  // a grey rim
    EXPECT_NE(PixelAt(normal.get(), rim.x, rim.y), 0xFFFFFFFFu);

    MouseMove(*pm, thumb);  // hot: the rim takes the accent
    SurfacePtr hot = render("slider_hot");
    EXPECT_GT(blueOverRed(PixelAt(hot.get(), rim.x, rim.y)), 60);
    MouseMove(*pm, POINT{rc.left + 150, thumb.y});  // off the thumb: grey again
    EXPECT_LT(std::abs(blueOverRed(PixelAt(render("slider_off_thumb").get(), rim.x, rim.y))), 8);
}

TEST(ControlsValueTest, AHandlerMayRemoveTheSliderItIsTold) {
    auto pm = BuildManager(kLayout, 300, 200);
    CRecordingNotifier log;
    log.onNotify = [&](TNotifyUI& msg) {
        // The slider's row goes while the slider's press is still on the stack.
        CControlUI* row = msg.pSender->GetParent();
        static_cast<CContainerUI*>(pm->GetRoot()->GetInterface(L"Container"))->Remove(row);
    };
    pm->AddNotifier(&log);
    const POINT at = SliderPoint(*pm, 50);
    MouseMove(*pm, at);
    LButtonDown(*pm, at);
    MouseMove(*pm, Offset(at, 5));
    LButtonUp(*pm, Offset(at, 5));
    EXPECT_EQ(log.Lines(), std::vector<std::wstring>{L"valuechanged:S"});  // gone with its row
    EXPECT_EQ(pm->FindControl(L"S"), nullptr);
    pm->RemoveNotifier(&log);
}

TEST(ControlsValueTest, LayoutValueMayComeBeforeItsRange) {
    auto pm = BuildManager(LR"(<Window><HorizontalLayout>
      <Slider name="S" value="150" min="10" max="200"/>
      <Progress name="P" value="-5" max="50" min="0"/></HorizontalLayout></Window>)",
                           300, 40);
    EXPECT_EQ(Slider(*pm)->GetValue(), 150);
    EXPECT_EQ(Slider(*pm)->GetMinValue(), 10);
    auto* progress = static_cast<CProgressUI*>(pm->FindControl(L"P")->GetInterface(L"Progress"));
    EXPECT_EQ(progress->GetValue(), 0);
    // A value set by code stays clamped when a range is applied later.
    Slider(*pm)->SetValue(500);
    Slider(*pm)->SetAttribute(L"max", L"1000");
    EXPECT_EQ(Slider(*pm)->GetValue(), 200);
}

TEST(ControlsValueTest, TabLayoutShowsOnePage) {
    auto pm = BuildManager(kLayout, 300, 200);
    CTabLayoutUI* tab = Tab(*pm);
    auto visiblePages = [&] {
        std::wstring shown;
        for (int i = 0; i < tab->GetCount(); ++i) shown += tab->GetItemAt(i)->IsVisible() ? L"1" : L"0";
        return shown;
    };
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(visiblePages(), L"100");
    EXPECT_TRUE(tab->SelectItem(1));
    EXPECT_EQ(visiblePages(), L"010");
    EXPECT_FALSE(tab->SelectItem(3));
    EXPECT_FALSE(tab->SelectItem(nullptr));
    EXPECT_EQ(visiblePages(), L"010");

    // The shown page fills the layout and takes the pointer; the hidden ones do not.
    LayOut(*pm, 300, 200);
    const RECT area = tab->GetPos();
    EXPECT_TRUE(pm->FindControl(L"inner1")->GetPos() == area);
    EXPECT_EQ(pm->FindControl(CentreOf(area)), pm->FindControl(L"inner1"));

    // Focus inside a page that goes away does not stay there.
    pm->FindControl(L"inner1")->SetFocus();
    tab->SelectItem(2);
    EXPECT_EQ(pm->GetFocus(), nullptr);
    LayOut(*pm, 300, 200);
    EXPECT_EQ(pm->FindControl(CentreOf(area)), pm->FindControl(L"page2"));
}

TEST(ControlsValueTest, TabLayoutKeepsTheCurrentPageWhilePagesComeAndGo) {
    auto pm = BuildManager(LR"(<Window><TabLayout name="T" selectedid="2">
      <Control name="a"/><Control name="b"/><Control name="c"/><Control name="d"/></TabLayout></Window>)",
                           200, 100);
    CTabLayoutUI* tab = Tab(*pm);
    EXPECT_EQ(tab->GetCurSel(), 2);  // selectedid names a page built after it
    EXPECT_TRUE(pm->FindControl(L"c")->IsVisible());
    EXPECT_FALSE(pm->FindControl(L"a")->IsVisible());

    auto* early = new CControlUI;
    EXPECT_TRUE(tab->AddAt(early, 0));  // before the current page: it keeps its page
    EXPECT_EQ(tab->GetCurSel(), 3);
    EXPECT_FALSE(early->IsVisible());
    tab->Add(new CControlUI);  // after it: hidden as well
    EXPECT_EQ(tab->GetItemAt(tab->GetCurSel()), pm->FindControl(L"c"));

    EXPECT_TRUE(tab->RemoveAt(0));  // before it
    EXPECT_EQ(tab->GetItemAt(tab->GetCurSel()), pm->FindControl(L"c"));
    EXPECT_TRUE(tab->Remove(pm->FindControl(L"c")));  // the current page: the next one shows
    EXPECT_EQ(tab->GetItemAt(tab->GetCurSel()), pm->FindControl(L"d"));
    EXPECT_TRUE(pm->FindControl(L"d")->IsVisible());
    EXPECT_TRUE(tab->RemoveAt(tab->GetCount() - 1));
    EXPECT_TRUE(tab->RemoveAt(tab->GetCount() - 1));  // the last one: the one before it
    EXPECT_EQ(tab->GetItemAt(tab->GetCurSel()), pm->FindControl(L"b"));
    EXPECT_TRUE(pm->FindControl(L"b")->IsVisible());

    tab->RemoveAll();
    EXPECT_EQ(tab->GetCurSel(), -1);
    EXPECT_FALSE(tab->SelectItem(0));
    auto* first = new CControlUI;
    tab->Add(first);  // the first page of an empty layout becomes current
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_TRUE(first->IsVisible());
}

TEST(ControlsValueTest, ProgressFillsInProportion) {
    constexpr uint32_t kBack = 0xFFFFFFFF, kFore = 0xFF2B8CF4;
    struct Case {
        int value;
        LONG filled;  // of 200 pixels
    };
    for (const Case c : {Case{0, 0}, Case{50, 100}, Case{100, 200}, Case{150, 200}}) {
        SCOPED_TRACE(c.value);
        auto pm = BuildManager(LR"(<Window bkcolor="#FF000000"><VerticalLayout inset="10,10,10,10">
          <Progress name="P" width="200" height="20" min="0" max="100" bkcolor="#FFFFFFFF" text="下载 50%" font="3"
                    textcolor="#FF333333"/></VerticalLayout></Window>)",
                               220, 40);
        auto* progress = static_cast<CProgressUI*>(pm->FindControl(L"P")->GetInterface(L"Progress"));
        progress->SetValue(c.value);
        SurfacePtr surface = RenderToSurface(*pm, 220, 40);
        SaveArtefact(surface.get(), "progress_" + std::to_string(c.value));
        const RECT rc = progress->GetPos();
        const LONG y = rc.top + 1;  // above the text
        if (c.filled > 0) {
            EXPECT_EQ(PixelAt(surface.get(), rc.left, y), kFore);
            EXPECT_EQ(PixelAt(surface.get(), rc.left + c.filled - 1, y), kFore);
        }
        if (c.filled < 200) {
            EXPECT_EQ(PixelAt(surface.get(), rc.left + c.filled, y), kBack);
            EXPECT_EQ(PixelAt(surface.get(), rc.right - 1, y), kBack);
        }
        // The text is drawn over the bar, centred (checked where the bar is one colour).
        const RECT middle{rc.left + 60, rc.top, rc.right - 60, rc.bottom};
        if (c.filled == 0 || c.filled == 200) {
            EXPECT_GT(CountPixelsUnlike(surface.get(), middle, c.filled == 0 ? kBack : kFore), 20);
        }
        EXPECT_EQ(progress->GetValue(), std::min(c.value, 100));
    }
}

}  // namespace
}  // namespace DuiLib::test
