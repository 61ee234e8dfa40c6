// Input through the paint manager without a window: hit testing, hover enter/leave order,
// capture of the pressed control, the wheel, focus and keys, the cursor event.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/duilib/controls/option.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {
namespace {

using Lines = std::vector<std::wstring>;

TEST(ControlsInputTest, FindControlAtAPoint) {
    auto pm = BuildManager(LR"(<Window><VerticalLayout name="root">
        <Container name="stack" height="100"><Control name="back"/>
          <Control name="front" width="50" height="50"/><Control name="hidden" width="80" height="80" visible="false"/>
          <Control name="ghost" width="30" height="30" padding="60,0,0,0" mouse="false"/></Container>
        <HorizontalLayout name="row" height="50" mouse="false"><Button name="child" width="40"/></HorizontalLayout>
        <Button name="off" height="20" enabled="false"/>
        <HorizontalLayout name="gone" height="20" visible="false"><Button name="inGone"/></HorizontalLayout>
        </VerticalLayout></Window>)",
                           200, 200);
    struct Probe {
        POINT pt;
        const wchar_t* expected;  // null: nothing
    };
    const Probe probes[] = {
        {{10, 10}, L"front"},   // the last child is on top
        {{60, 60}, L"back"},    // a hidden control is skipped
        {{70, 10}, L"back"},    // so is a mouse-disabled one
        {{10, 120}, L"child"},  // a mouse-disabled container's children are still found
        {{100, 120}, L"root"},  // ... but not the container itself
        {{10, 160}, L"off"},    // a disabled control is found (it swallows the press)
        {{10, 170}, L"root"},   // the hidden row takes no space and is not found
        {{250, 10}, nullptr},   // outside the window
    };
    for (const Probe& probe : probes) {
        CControlUI* found = pm->FindControl(probe.pt);
        EXPECT_EQ(found ? found->GetName().str() : L"(none)", probe.expected ? probe.expected : L"(none)")
            << probe.pt.x << "," << probe.pt.y;
    }
}

class ControlsHoverTest : public testing::Test {
protected:
    void SetUp() override {
        EventLog().clear();
        pm = BuildManager(LR"(<Window><RecContainer name="box" inset="0,0,0,0">
            <RecButton name="A" width="50" height="50"/><RecButton name="B" width="50" height="50" padding="60,0,0,0"/>
            </RecContainer></Window>)",
                          200, 100, &factory);
        EventLog().clear();
    }
    // The events of A and B only (the container also gets what they pass up).
    Lines Buttons() const {
        Lines lines;
        for (const std::wstring& line : EventLog()) {
            if (line[0] == L'A' || line[0] == L'B') lines.push_back(line);
        }
        return lines;
    }
    CRecordingFactory factory;
    std::unique_ptr<CPaintManagerUI> pm;
    static constexpr POINT kInA{20, 20}, kInB{80, 20}, kOutside{150, 80};
};

TEST_F(ControlsHoverTest, EnterAndLeaveOrder) {
    MouseMove(*pm, kInA);
    MouseMove(*pm, kInA);
    MouseMove(*pm, kInB);
    MouseLeave(*pm);
    EXPECT_EQ(Buttons(), (Lines{L"A:11", L"A:9", L"A:9", L"A:10", L"B:11", L"B:9", L"B:10"}));
    EXPECT_EQ(pm->GetHover(), nullptr);
}

TEST_F(ControlsHoverTest, ThePressedControlKeepsThePointer) {
    CRecordingNotifier log;
    pm->AddNotifier(&log);
    MouseMove(*pm, kInA);
    LButtonDown(*pm, kInA);
    MouseMove(*pm, kInB);
    MouseLeave(*pm);  // the pointer left with the button held: the release decides
    LButtonUp(*pm, kInB);
    EXPECT_EQ(Buttons(), (Lines{L"A:11", L"A:9", L"A:21", L"A:13", L"A:9", L"A:14", L"A:10", L"B:11"}));
    EXPECT_TRUE(log.entries.empty());  // released outside A: no click
    EXPECT_EQ(pm->GetHover(), pm->FindControl(L"B"));
    EXPECT_FALSE(pm->IsCaptured());
}

TEST_F(ControlsHoverTest, WheelGoesUpFromTheControlUnderThePointer) {
    Wheel(*pm, kInA, 120);
    Wheel(*pm, kInB, -120);
    EXPECT_EQ(EventLog(), (Lines{L"A:18:0", L"box:18:0", L"B:18:1", L"box:18:1"}));
}

TEST_F(ControlsHoverTest, PressOnADisabledControlDoesNothing) {
    CRecordingNotifier log;
    pm->AddNotifier(&log);
    pm->FindControl(L"A")->SetEnabled(false);
    ClickAt(*pm, kInA);
    for (const std::wstring& line : EventLog()) {
        EXPECT_EQ(line.find(L":13"), std::wstring::npos) << testing::PrintToString(line);
        EXPECT_EQ(line.find(L":14"), std::wstring::npos) << testing::PrintToString(line);
    }
    EXPECT_EQ(pm->GetFocus(), nullptr);
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(ControlsHoverTest, PressFocusesTabStopsAndEnterRaisesReturn) {
    CRecordingNotifier log;
    pm->AddNotifier(&log);
    // No focus yet: Enter goes on to the window, whose default handling raises "return"
    // from the root.
    EXPECT_FALSE(Send(*pm, WM_KEYDOWN, VK_RETURN, 0));
    EXPECT_TRUE(pm->HandleReturnKey());
    EXPECT_EQ(log.Lines(), Lines{L"return:box"});
    log.Clear();

    ClickAt(*pm, kInA);
    EXPECT_TRUE(pm->FindControl(L"A")->IsFocused());
    ClickAt(*pm, kInB);
    EXPECT_FALSE(pm->FindControl(L"A")->IsFocused());
    ClickAt(*pm, kOutside);  // a press elsewhere leaves the focus where it was
    EXPECT_EQ(pm->GetFocus(), pm->FindControl(L"B"));
    Lines focus;
    for (const std::wstring& line : EventLog()) {
        if (line.ends_with(L":20") || line.ends_with(L":21")) focus.push_back(line);
    }
    EXPECT_EQ(focus, (Lines{L"A:21", L"A:20", L"B:21"}));

    EXPECT_FALSE(Send(*pm, WM_KEYDOWN, VK_RETURN, 0));  // the button does not take Enter
    EXPECT_TRUE(Send(*pm, WM_KEYDOWN, VK_SPACE, 0));
    EXPECT_TRUE(pm->HandleReturnKey());
    EXPECT_EQ(log.Lines(), (Lines{L"click:A", L"click:B", L"click:B", L"return:B"}));
}

TEST_F(ControlsHoverTest, SetCursorGoesToTheControlUnderThePointer) {
    MouseMove(*pm, kInB);
    EventLog().clear();
    LRESULT result = 0;
    EXPECT_TRUE(pm->MessageHandler(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), result));
    EXPECT_EQ(result, TRUE);
    EXPECT_FALSE(pm->MessageHandler(WM_SETCURSOR, 0, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE), result));
    EXPECT_EQ(EventLog(), Lines{L"B:23"});
}

}  // namespace
}  // namespace DuiLib::test
