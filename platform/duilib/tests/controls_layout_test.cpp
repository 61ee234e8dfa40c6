// Layout: fixed and flexible sizes, min and max, padding, inset, childpadding; a hidden
// container collapses and comes back; relayout after WM_SIZE and after tree changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/duilib/controls/label.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {
namespace {

struct Placed {
    const wchar_t* name;
    RECT rect;
};

struct LayoutCase {
    const char* what;
    const wchar_t* xml;
    int width, height;
    std::vector<Placed> expected;
};

std::string Describe(const RECT& rc) {
    return "{" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom) + "}";
}

void ExpectPlaced(CPaintManagerUI& pm, const std::vector<Placed>& expected) {
    for (const Placed& placed : expected) {
        CControlUI* control = pm.FindControl(placed.name);
        ASSERT_NE(control, nullptr) << testing::PrintToString(std::wstring(placed.name));
        EXPECT_EQ(Describe(control->GetPos()), Describe(placed.rect)) << testing::PrintToString(std::wstring(placed.name));
    }
}

TEST(ControlsLayoutTest, SizesAndMargins) {
    const std::vector<LayoutCase> cases = {
        {"vertical: fixed, flexible, fixed",
         LR"(<Window><VerticalLayout><Control name="a" height="50"/><Control name="b"/><Control name="c" height="30"/>
            </VerticalLayout></Window>)",
         200, 300, {{L"a", {0, 0, 200, 50}}, {L"b", {0, 50, 200, 270}}, {L"c", {0, 270, 200, 300}}}},
        {"vertical: a flexible child held at its maximum, the rest shared again",
         LR"(<Window><VerticalLayout><Control name="a" height="100"/><Control name="b" maxheight="50"/>
            <Control name="c"/></VerticalLayout></Window>)",
         200, 300, {{L"a", {0, 0, 200, 100}}, {L"b", {0, 100, 200, 150}}, {L"c", {0, 150, 200, 300}}}},
        {"vertical: a flexible child held at its minimum",
         LR"(<Window><VerticalLayout><Control name="a" minheight="250"/><Control name="b"/></VerticalLayout></Window>)",
         200, 300, {{L"a", {0, 0, 200, 250}}, {L"b", {0, 250, 200, 300}}}},
        {"vertical: a fixed height above the maximum is cut to it; widths within min and max",
         LR"(<Window><VerticalLayout><Control name="a" height="40" maxheight="30" maxwidth="120"/>
            <Control name="b" height="10" width="20" minwidth="60"/></VerticalLayout></Window>)",
         200, 300, {{L"a", {0, 0, 120, 30}}, {L"b", {0, 30, 60, 40}}}},
        {"vertical: inset, childpadding, padding, a fixed width at its left padding",
         LR"(<Window><VerticalLayout inset="10,20,10,20" childpadding="5">
            <Control name="a" height="40" width="100" padding="5,3,5,7"/><Control name="b"/></VerticalLayout></Window>)",
         200, 300, {{L"a", {15, 23, 115, 63}}, {L"b", {10, 75, 190, 280}}}},
        {"vertical: the remainder of an equal share",
         LR"(<Window><VerticalLayout><Control name="a"/><Control name="b"/><Control name="c"/></VerticalLayout></Window>)",
         10, 100, {{L"a", {0, 0, 10, 33}}, {L"b", {0, 33, 10, 66}}, {L"c", {0, 66, 10, 100}}}},
        {"horizontal: fixed, flexible, fixed with padding and a fixed height",
         LR"(<Window><HorizontalLayout><Control name="a" width="50" height="20"/><Control name="b"/>
            <Control name="c" width="60" padding="10,5,0,5"/></HorizontalLayout></Window>)",
         300, 100, {{L"a", {0, 0, 50, 20}}, {L"b", {50, 0, 230, 100}}, {L"c", {240, 5, 300, 95}}}},
        {"horizontal: childpadding and inset, flexible within limits",
         LR"(<Window><HorizontalLayout inset="4,4,4,4" childpadding="2"><Control name="a" maxwidth="40"/>
            <Control name="b"/><Control name="c" minwidth="100"/></HorizontalLayout></Window>)",
         208, 50, {{L"a", {4, 4, 44, 46}}, {L"b", {46, 4, 102, 46}}, {L"c", {104, 4, 204, 46}}}},
        {"container: children stacked in the inset, fixed sizes at their padding",
         LR"(<Window><Container inset="5,5,5,5"><Control name="a" padding="1,1,1,1"/>
            <Control name="b" width="20" height="10" padding="2,3,0,0"/></Container></Window>)",
         200, 100, {{L"a", {6, 6, 194, 94}}, {L"b", {7, 8, 27, 18}}}},
        {"hidden children take no space",
         LR"(<Window><VerticalLayout childpadding="4"><Control name="a" height="10"/><Control name="h" height="50" visible="false"/>
            <Control name="b" height="10"/></VerticalLayout></Window>)",
         100, 100, {{L"a", {0, 0, 100, 10}}, {L"b", {0, 14, 100, 24}}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto pm = BuildManager(c.xml, c.width, c.height);
        ExpectPlaced(*pm, c.expected);
    }
}

TEST(ControlsLayoutTest, EstimateSizeGivesOnlyFixedSizes) {
    CLabelUI label;
    label.SetText(L"a label with a long text that no layout measures");
    EXPECT_EQ(label.EstimateSize(SIZE{500, 500}).cx, 0);
    EXPECT_EQ(label.EstimateSize(SIZE{500, 500}).cy, 0);
    label.SetFixedHeight(20);
    EXPECT_EQ(label.EstimateSize(SIZE{500, 500}).cy, 20);
}

// The capture main window's shape: its 170-pixel source area is hidden in camera-only
// mode and the window shrinks by as much; shown again, everything is where it was.
TEST(ControlsLayoutTest, HiddenContainerCollapsesAndComesBack) {
    auto pm = BuildManager(LR"(<Window size="340,530"><VerticalLayout>
        <HorizontalLayout name="titleBar" height="40"/><HorizontalLayout name="tabs" height="74"/>
        <VerticalLayout name="layoutSrc" height="170"><Label name="source_area_title" height="30"/><Control name="rows"/>
        </VerticalLayout>
        <VerticalLayout name="devices" height="198"/><HorizontalLayout name="bottom" height="48"/>
        </VerticalLayout></Window>)",
                           340, 530);
    const std::vector<Placed> shown = {{L"layoutSrc", {0, 114, 340, 284}},
                                       {L"source_area_title", {0, 114, 340, 144}},
                                       {L"rows", {0, 144, 340, 284}},
                                       {L"devices", {0, 284, 340, 482}},
                                       {L"bottom", {0, 482, 340, 530}}};
    ExpectPlaced(*pm, shown);

    CControlUI* source = pm->FindControl(L"layoutSrc");
    source->SetVisible(false);
    EXPECT_TRUE(pm->IsUpdateNeeded());
    LayOut(*pm, 340, 530 - 170);
    ExpectPlaced(*pm, {{L"devices", {0, 114, 340, 312}}, {L"bottom", {0, 312, 340, 360}}});
    EXPECT_EQ(pm->FindControl(POINT{10, 120}), pm->FindControl(L"devices"));

    source->SetVisible(true);
    LayOut(*pm, 340, 530);
    ExpectPlaced(*pm, shown);
}

TEST(ControlsLayoutTest, RelayoutAfterSizeAndTreeChanges) {
    auto pm = BuildManager(LR"(<Window><VerticalLayout name="list"><Control name="top" height="20"/>
        <Control name="fill"/></VerticalLayout></Window>)",
                           100, 100);
    ExpectPlaced(*pm, {{L"fill", {0, 20, 100, 100}}});
    // WM_SIZE marks the tree; the next paint lays it out.
    Size(*pm, 150, 300);
    EXPECT_TRUE(pm->IsUpdateNeeded());
    LayOut(*pm, 150, 300);
    ExpectPlaced(*pm, {{L"fill", {0, 20, 150, 300}}});

    auto* list = static_cast<CContainerUI*>(pm->FindControl(L"list")->GetInterface(L"Container"));
    auto* added = new CControlUI;
    added->SetName(L"added");
    added->SetFixedHeight(30);
    ASSERT_TRUE(list->AddAt(added, 0));
    CControlUI stray;
    EXPECT_FALSE(list->AddAt(&stray, 9));  // out of range: refused
    LayOut(*pm, 150, 300);
    ExpectPlaced(*pm, {{L"added", {0, 0, 150, 30}}, {L"top", {0, 30, 150, 50}}, {L"fill", {0, 50, 150, 300}}});
    EXPECT_EQ(pm->FindControl(L"added"), added);

    pm->FindControl(L"top")->SetFixedHeight(60);
    LayOut(*pm, 150, 300);
    ExpectPlaced(*pm, {{L"fill", {0, 90, 150, 300}}});

    ASSERT_TRUE(list->Remove(added));
    EXPECT_EQ(pm->FindControl(L"added"), nullptr);
    LayOut(*pm, 150, 300);
    ExpectPlaced(*pm, {{L"top", {0, 0, 150, 60}}});
}

}  // namespace
}  // namespace DuiLib::test
