// The XML builder: every tag and attribute of a fixture layout, tags the callback makes,
// inline XML, <Include>, soft failures with one log line each, and SetAttribute /
// SetAttributeList giving the same control as XML.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/duilib/controls/horizontal_layout.h"
#include "platform/duilib/controls/label.h"
#include "platform/duilib/controls/option.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {
namespace {

template <typename T>
T* As(CPaintManagerUI& pm, const wchar_t* name, const wchar_t* interfaceName) {
    CControlUI* control = pm.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ControlsBuilderTest, FixtureWithEveryTagAndAttribute) {
    CLogCapture log;
    auto pm = BuildManager(L"controls_all.xml", 400, 300);
    EXPECT_TRUE(log.lines.empty()) << testing::PrintToString(log.lines);

    // <Window> and <Font>.
    EXPECT_EQ(pm->GetInitSize().cx, 400);
    EXPECT_EQ(pm->GetInitSize().cy, 300);
    EXPECT_TRUE(SameRect(pm->GetSizeBox(), RECT{4, 4, 6, 6}));
    EXPECT_TRUE(SameRect(pm->GetCaptionRect(), RECT{0, 0, 0, 40}));
    EXPECT_EQ(pm->GetRoundCorner().cx, 4);
    EXPECT_EQ(pm->GetMinInfo().cx, 200);
    EXPECT_EQ(pm->GetMinInfo().cy, 150);
    EXPECT_EQ(pm->GetClearColor(), 0xFFFFFFFFu);
    EXPECT_EQ(pm->GetFont(0).size, 18);
    EXPECT_TRUE(pm->GetFont(0).bold && pm->GetFont(0).underline);
    EXPECT_EQ(pm->GetFont(7).face, L"DejaVu Sans");
    EXPECT_TRUE(pm->GetFont(7).italic && pm->GetFont(7).strikeout);
    EXPECT_EQ(pm->GetFont(9).size, 11);  // declared by the included file
    EXPECT_EQ(pm->GetFont(42).size, 18);  // unknown ids: the layout's default font

    // Containers.
    auto* root = As<CContainerUI>(*pm, L"root", L"VerticalLayout");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(pm->GetRoot(), root);
    EXPECT_EQ(root->GetVirtualWnd(), L"page");
    EXPECT_EQ(root->GetChildPadding(), 4);
    EXPECT_EQ(root->GetBkColor(), 0xFFF0F0F0u);
    ASSERT_NE(As<CContainerUI>(*pm, L"bar", L"HorizontalLayout"), nullptr);
    EXPECT_TRUE(SameRect(pm->FindControl(L"bar")->GetPos(), RECT{10, 10, 390, 50}));
    EXPECT_TRUE(SameRect(pm->FindControl(L"bar")->GetBorderSize(), RECT{0, 0, 0, 1}));
    auto* stack = As<CContainerUI>(*pm, L"stack", L"Container");
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->GetMinHeight(), 20);
    EXPECT_EQ(stack->GetMaxHeight(), 80);

    // Control, label, button.
    CControlUI* logo = pm->FindControl(L"logo");
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->IsMouseEnabled());
    EXPECT_EQ(logo->GetToolTip(), L"标志");
    EXPECT_EQ(logo->GetTag(), static_cast<UINT_PTR>(-3));
    EXPECT_EQ(logo->GetUserData(), L"logo data");
    auto* title = As<CLabelUI>(*pm, L"title", L"Label");
    ASSERT_NE(title, nullptr);
    EXPECT_FALSE(title->IsEnabled());
    EXPECT_EQ(title->GetFont(), 7);
    EXPECT_EQ(title->GetTextColor(), 0xFF333333u);
    EXPECT_EQ(title->GetDisabledTextColor(), 0x80333333u);
    EXPECT_EQ(title->GetTextStyle(), DT_SINGLELINE | DT_CENTER | DT_BOTTOM | DT_END_ELLIPSIS);
    EXPECT_TRUE(SameRect(title->GetTextPadding(), RECT{4, 0, 4, 2}));
    EXPECT_EQ(title->GetMaxWidth(), 200);
    auto* close = As<CButtonUI>(*pm, L"btnClose", L"Button");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->GetTag(), 18u);
    EXPECT_EQ(close->GetFocusBorderColor(), 0xFF0000FFu);
    EXPECT_EQ(close->GetBorderRound().cx, 4);
    EXPECT_TRUE(SameRect(close->GetPadding(), RECT{0, 8, 0, 0}));
    EXPECT_EQ(close->GetWidth(), 24);

    // Options and the check box (an option without a group).
    auto* optA = As<COptionUI>(*pm, L"optA", L"Option");
    auto* optB = As<COptionUI>(*pm, L"optB", L"Option");
    auto* chk = As<COptionUI>(*pm, L"chk", L"Option");
    ASSERT_TRUE(optA && optB && chk);
    EXPECT_TRUE(optA->IsSelected());
    EXPECT_EQ(optA->GetGroup(), L"tab");
    EXPECT_FALSE(optB->IsSelected());
    EXPECT_TRUE(chk->GetGroup().IsEmpty());
    ASSERT_NE(pm->GetOptionGroup(L"tab"), nullptr);
    EXPECT_EQ(pm->GetOptionGroup(L"tab")->size(), 2u);

    // <Include> built the file's controls in place, after the check box.
    CControlUI* included = pm->FindControl(L"included");
    ASSERT_NE(included, nullptr);
    EXPECT_EQ(included->GetParent(), root);
    EXPECT_EQ(root->GetItemIndex(included), root->GetItemIndex(chk) + 1);
    EXPECT_NE(As<CButtonUI>(*pm, L"includedButton", L"Button"), nullptr);
}

class CPrefixFactory : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* tag) override {
        seen.push_back(tag);
        if (std::wcsncmp(tag, L"OptionEx", 8) == 0) return new COptionUI;
        if (std::wcsncmp(tag, L"ControlFF", 9) == 0) return new CButtonUI;
        return nullptr;
    }
    std::vector<std::wstring> seen;
};

TEST(ControlsBuilderTest, UnknownTagsReachTheCallbackAsWritten) {
    constexpr const wchar_t* kLayout = LR"(<Window><VerticalLayout>
        <OptionEx1 name="meter" group="src"/><ControlFFCam name="ff"/>
        <Mystery name="m"><Button name="insideMystery"/></Mystery>
        <Label name="after"/></VerticalLayout></Window>)";
    CLogCapture log;
    CPrefixFactory factory;
    auto pm = BuildManager(kLayout, 100, 100, &factory);
    // The library's own tags never reach the callback.
    EXPECT_EQ(factory.seen, (std::vector<std::wstring>{L"OptionEx1", L"ControlFFCam", L"Mystery"}));
    EXPECT_NE(As<COptionUI>(*pm, L"meter", L"Option"), nullptr);
    ASSERT_NE(pm->GetOptionGroup(L"src"), nullptr);
    EXPECT_NE(As<CButtonUI>(*pm, L"ff", L"Button"), nullptr);
    // The refused element goes with its children; the rest builds.
    EXPECT_EQ(pm->FindControl(L"m"), nullptr);
    EXPECT_EQ(pm->FindControl(L"insideMystery"), nullptr);
    EXPECT_NE(pm->FindControl(L"after"), nullptr);
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.Count(L"<Mystery>"), 1);
    // Without a callback the custom tags are skipped too, still one line per tag.
    auto again = BuildManager(kLayout, 100, 100);
    EXPECT_EQ(again->FindControl(L"meter"), nullptr);
    EXPECT_NE(again->FindControl(L"after"), nullptr);
    EXPECT_EQ(log.Count(L"<Mystery>"), 1);
    EXPECT_EQ(log.Count(L"<OptionEx1>"), 1);
}

TEST(ControlsBuilderTest, InlineXmlAndRowsIntoAParent) {
    CPaintManagerUI pm;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Window size="50,60"><HorizontalLayout name="list"/></Window>)", nullptr,
                                      nullptr, &pm);
    ASSERT_NE(root, nullptr);
    pm.AttachDialog(root);
    EXPECT_EQ(pm.GetInitSize().cy, 60);
    // Rows built at run time: a fragment without <Window>, added to the parent.
    CControlUI* row = builder.Create(LR"(<Label name="row1" text="行" width="20"/>)", nullptr, nullptr, &pm, root);
    ASSERT_NE(row, nullptr);
    builder.Create(LR"(<Window><Label name="row2" width="20"/><Button name="row3" width="20"/></Window>)", nullptr,
                   nullptr, &pm, root);
    auto* list = static_cast<CContainerUI*>(root->GetInterface(L"Container"));
    ASSERT_EQ(list->GetCount(), 3);
    EXPECT_EQ(pm.FindControl(L"row1"), row);
    EXPECT_EQ(pm.FindControl(L"row3"), list->GetItemAt(2));
    LayOut(pm, 50, 60);
    EXPECT_EQ(pm.FindControl(L"row3")->GetPos().left, 40);
}

TEST(ControlsBuilderTest, MissingOrBrokenLayoutsLogOneLineAndGiveNoRoot) {
    struct Case {
        const wchar_t* xml;
        const wchar_t* named;  // the log line names it
    };
    const Case cases[] = {
        {L"no_such_layout.xml", L"no_such_layout.xml"},
        {L"broken_layout.xml", L"broken_layout.xml"},
        {L"<Window><Label name=\"x\"></Window>", L"inline"},
        {L"", L"no name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.xml)));
        CLogCapture log;
        CPaintManagerUI pm;
        CDialogBuilder builder;
        EXPECT_EQ(builder.Create(c.xml, nullptr, nullptr, &pm), nullptr);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.Count(c.named), 1);
        // A window without a root: nothing found, every message passed on.
        EXPECT_FALSE(pm.AttachDialog(nullptr));
        EXPECT_EQ(pm.FindControl(L"x"), nullptr);
        EXPECT_EQ(pm.FindControl(POINT{1, 1}), nullptr);
        EXPECT_FALSE(Send(pm, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)));
        EXPECT_FALSE(Send(pm, WM_KEYDOWN, VK_RETURN, 0));
    }
}

TEST(ControlsBuilderTest, BadValuesAndMissingImagesLogOnceAndFailSoftly) {
    CLogCapture log;
    auto pm = BuildManager(LR"(<Window size="100,100" frobnicate="1"><VerticalLayout>
        <Control name="a" bkcolor="#GG112233" height="10"/>
        <Control name="b" bkcolor="#GG112233" height="10" frobnicate="x"/>
        <Control name="c" bkimage="missing/none.png" height="10"/>
        <Control name="d" bkimage="file='a.png' colour='x'" height="10"/>
        <Control name="e" width="wide" height="10"/></VerticalLayout></Window>)",
                           100, 100);
    EXPECT_EQ(pm->FindControl(L"a")->GetBkColor(), 0u);
    EXPECT_EQ(pm->FindControl(L"e")->GetFixedWidth(), 0);
    EXPECT_EQ(pm->FindControl(L"e")->GetWidth(), 100);
    RenderToSurface(*pm, 100, 100);
    RenderToSurface(*pm, 100, 100);  // painting again logs nothing new
    EXPECT_EQ(log.Count(L"ControlUI.bkcolor"), 1);
    EXPECT_EQ(log.Count(L"ControlUI.frobnicate"), 1);
    EXPECT_EQ(log.Count(L"Window.frobnicate"), 1);
    EXPECT_EQ(log.Count(L"ControlUI.width"), 1);
    EXPECT_EQ(log.Count(L"missing/none.png"), 1);
    EXPECT_EQ(log.Count(L"colour='x'"), 1);
    EXPECT_EQ(log.lines.size(), 6u);
}

// One option made three ways, drawn the same.
TEST(ControlsBuilderTest, SetAttributeAndSetAttributeListGiveTheSameControlAsXml) {
    const std::vector<std::pair<std::wstring, std::wstring>> attributes = {
        {L"name", L"o"},
        {L"text", L"选项 Opt"},
        {L"group", L"g"},
        {L"selected", L"true"},
        {L"textcolor", L"#FF112233"},
        {L"selectedtextcolor", L"FFFFFFFF"},
        {L"bkcolor", L"#FFDDEEFF"},
        {L"selectedbkcolor", L"#ff2b8cf4"},
        {L"bordersize", L"0,0,0,2"},
        {L"bordercolor", L"#FF333333"},
        {L"textpadding", L"4,2,4,2"},
        {L"align", L"right"},
        {L"width", L"120"},
        {L"height", L"30"},
        {L"padding", L"10,5,0,0"},
    };
    std::wstring list;
    for (const auto& [name, value] : attributes) list += name + L"=\"" + value + L"\" ";
    const std::wstring xml = L"<Window><HorizontalLayout>\n<Option " + list + L"/></HorizontalLayout></Window>";

    CLogCapture log;
    auto fromXml = BuildManager(xml.c_str(), 200, 50);
    auto build = [](auto apply) {
        auto pm = std::make_unique<CPaintManagerUI>();
        auto* root = new CHorizontalLayoutUI;
        auto* option = new COptionUI;
        root->Add(option);
        pm->AttachDialog(root);
        apply(option);
        LayOut(*pm, 200, 50);
        return pm;
    };
    auto fromList = build([&](COptionUI* option) { option->SetAttributeList(list.c_str()); });
    auto fromCalls = build([&](COptionUI* option) {
        for (const auto& [name, value] : attributes) option->SetAttribute(name.c_str(), value.c_str());
    });
    EXPECT_TRUE(log.lines.empty());

    SurfacePtr expected = RenderToSurface(*fromXml, 200, 50);
    SaveArtefact(expected.get(), "controls_attribute_option");
    for (auto* pm : {fromList.get(), fromCalls.get()}) {
        auto* option = static_cast<COptionUI*>(pm->FindControl(L"o")->GetInterface(L"Option"));
        ASSERT_NE(option, nullptr);
        EXPECT_TRUE(option->IsSelected());
        EXPECT_EQ(option->GetGroup(), L"g");
        EXPECT_TRUE(SameRect(option->GetPos(), fromXml->FindControl(L"o")->GetPos()));
        SurfacePtr surface = RenderToSurface(*pm, 200, 50);
        const int bytes = cairo_image_surface_get_stride(surface.get()) * 50;
        EXPECT_EQ(std::memcmp(cairo_image_surface_get_data(surface.get()), cairo_image_surface_get_data(expected.get()),
                              static_cast<size_t>(bytes)),
                  0);
    }
    // The text and the selected fill were really drawn.
    const RECT rc = fromXml->FindControl(L"o")->GetPos();
    EXPECT_EQ(PixelAt(expected.get(), rc.left + 1, rc.top + 1), 0xFF2B8CF4u);
    EXPECT_EQ(PixelAt(expected.get(), rc.left + 1, rc.bottom - 1), 0xFF333333u);
    EXPECT_GT(CountPixelsUnlike(expected.get(), RECT{rc.left + 4, rc.top + 2, rc.right - 4, rc.bottom - 4}, 0xFF2B8CF4),
              20);

    // A malformed list applies what came before the fault and logs once.
    auto* option = new COptionUI;
    option->SetAttributeList(LR"(text="ok" width=12)");
    EXPECT_EQ(option->GetText(), L"ok");
    EXPECT_EQ(log.lines.size(), 1u);
    delete option;
}

}  // namespace
}  // namespace DuiLib::test
