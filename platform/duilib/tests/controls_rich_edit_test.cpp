// The read-only text view: wrapped lines grow as the width shrinks (Latin at words, CJK
// anywhere), "\r\n" and "\n" break lines, the bar shows only when the text is taller than
// the view, the wheel and SetText move it, and Chinese text paints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/duilib/controls/rich_edit.h"
#include "platform/duilib/controls/scroll_bar.h"
#include "platform/duilib/test/wrapped_text.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/tests/controls_test_support.h"

namespace DuiLib::test {
namespace {

const std::wstring kLatin =
    L"The recording stopped because the disk is full. Free some space on the drive that holds the video folder, "
    L"or choose another folder in the settings, then start the recording again.";
const std::wstring kChinese = L"录制已停止，因为磁盘空间不足。请清理保存视频的磁盘，或者在设置中选择其他文件夹，然后重新开始录制。";

TEST(ControlsRichEditTest, WrappedLinesGrowAsTheWidthShrinks) {
    for (const std::wstring& text : {kLatin, kChinese}) {
        SCOPED_TRACE(testing::PrintToString(text));
        int previous = 0;
        for (int width : {0, 400, 200, 100, 50}) {
            const TWrappedText measured = MeasureWrappedText(nullptr, text, -1, width);
            EXPECT_GT(measured.lines, previous) << width;
            if (width > 0) {
                EXPECT_LE(measured.size.cx, width) << width;
            }
            previous = measured.lines;
        }
    }
}

TEST(ControlsRichEditTest, LineBreaksMakeLines) {
    struct Case {
        const wchar_t* text;
        int lines;
    };
    const std::vector<Case> cases = {
        {L"", 0}, {L"one line", 1}, {L"first\r\nsecond", 2}, {L"first\nsecond\nthird", 3},
        {L"first\r\n\r\nthird", 3}, {L"中文\r\nEnglish", 2},
    };
    const int oneLine = MeasureWrappedText(nullptr, L"one line", -1, 400).size.cy;
    for (const Case& c : cases) {
        const TWrappedText measured = MeasureWrappedText(nullptr, c.text, -1, 400);
        EXPECT_EQ(measured.lines, c.lines) << testing::PrintToString(std::wstring(c.text));
        if (c.lines > 1) {
            EXPECT_GE(measured.size.cy, oneLine * c.lines - c.lines) << testing::PrintToString(std::wstring(c.text));
        }
    }
}

constexpr const wchar_t* kView = LR"(<Window bkcolor="#FFFFFFFF"><VerticalLayout>
  <RichEdit name="text" height="100" font="-1" textcolor="#FF333333" readonly="true" autovscroll="true"
            vscrollbar="true" inset="10,10,10,0" bordersize="1" bordercolor="#FFA7A6AA" bkcolor="#FFFFFFFF"/>
  <Control/></VerticalLayout></Window>)";

struct ControlsRichEditViewTest : testing::Test {
    void SetUp() override {
        pm = BuildManager(kView, 200, 200);
        pm->AddNotifier(&notifier);
        view = static_cast<CRichEditUI*>(pm->FindControl(L"text")->GetInterface(L"RichEdit"));
        ASSERT_NE(view, nullptr);
        ASSERT_NE(view->GetVerticalScrollBar(), nullptr);
    }
    void TearDown() override { EXPECT_TRUE(notifier.entries.empty()) << "the text view raised a notification"; }
    bool BarShown() const { return view->GetVerticalScrollBar()->IsVisible(); }

    CLogCapture log;
    std::unique_ptr<CPaintManagerUI> pm;
    CRecordingNotifier notifier;
    CRichEditUI* view = nullptr;
};

TEST_F(ControlsRichEditViewTest, BuiltFromTheLayoutWithEveryAttributeAccepted) {
    EXPECT_EQ(std::wstring(view->GetClass()), L"RichEditUI");
    EXPECT_TRUE(view->IsReadOnly());
    EXPECT_EQ(view->GetTextColor(), 0xFF333333u);
    EXPECT_EQ(view->GetControlFlags(), static_cast<UINT>(UIFLAG_SETCURSOR));
    EXPECT_EQ(view->GetInterface(L"Container"), nullptr);  // it shows text, it holds no children
    EXPECT_EQ(log.Count(L"ignored"), 0);
}

TEST_F(ControlsRichEditViewTest, TheBarShowsOnlyForTextTallerThanTheViewAndTheWheelScrollsIt) {
    view->SetText(L"Short text.");
    LayOut(*pm, 200, 200);
    EXPECT_FALSE(BarShown());
    EXPECT_EQ(view->GetScrollRange().cy, 0);
    Wheel(*pm, CentreOf(view->GetPos()), -120);
    EXPECT_EQ(view->GetScrollPos().cy, 0);

    view->SetText((kLatin + L"\r\n" + kChinese).c_str());
    EXPECT_EQ(view->GetText(), kLatin + L"\r\n" + kChinese);
    LayOut(*pm, 200, 200);
    ASSERT_TRUE(BarShown());
    // The text wraps to the view less the bar: its height less the view is the range.
    const int wrapWidth = 200 - 20 - CScrollBarUI::kThickness;
    const int textHeight = MeasureWrappedText(pm.get(), view->GetText().str(), -1, wrapWidth).size.cy;
    EXPECT_EQ(view->GetScrollRange().cy, textHeight - 90);
    Wheel(*pm, CentreOf(view->GetPos()), -120);
    EXPECT_EQ(view->GetScrollPos().cy, std::min(CScrollBarUI::kWheelLines * CScrollBarUI::kDefaultLineSize,
                                                view->GetScrollRange().cy));
    Wheel(*pm, CentreOf(view->GetPos()), 120);
    EXPECT_EQ(view->GetScrollPos().cy, 0);
    // The bar's track pages; new text starts at the top again.
    ClickAt(*pm, POINT{view->GetVerticalScrollBar()->GetPos().left + 4, view->GetPos().bottom - 3});
    EXPECT_GT(view->GetScrollPos().cy, 0);
    view->SetText((kChinese + L"\n" + kLatin).c_str());
    LayOut(*pm, 200, 200);
    EXPECT_EQ(view->GetScrollPos().cy, 0);
    EXPECT_TRUE(BarShown());
    // A wider window: fewer lines, a smaller range.
    const int before = view->GetScrollRange().cy;
    LayOut(*pm, 400, 200);
    EXPECT_LT(view->GetScrollRange().cy, before);
}

TEST_F(ControlsRichEditViewTest, ChineseTextPaintsInsideTheView) {
    view->SetText((kChinese + L"\r\n" + kChinese).c_str());
    SurfacePtr surface = RenderToSurface(*pm, 200, 200);
    SaveArtefact(surface.get(), "controls_rich_edit_top");
    const RECT inside{11, 11, 200 - 11 - CScrollBarUI::kThickness, 99};
    EXPECT_GT(CountPixelsUnlike(surface.get(), inside, 0xFFFFFF), 100);
    // Nothing of the text spills into the left inset or below the view.
    EXPECT_EQ(CountPixelsUnlike(surface.get(), RECT{1, 1, 10, 99}, 0xFFFFFF), 0);
    EXPECT_EQ(CountPixelsUnlike(surface.get(), RECT{0, 101, 200, 200}, 0xFFFFFF), 0);
    ASSERT_TRUE(BarShown());
    view->EndDown();
    surface = RenderToSurface(*pm, 200, 200);
    SaveArtefact(surface.get(), "controls_rich_edit_end");
    EXPECT_GT(CountPixelsUnlike(surface.get(), inside, 0xFFFFFF), 100);
    EXPECT_EQ(log.Count(L"Cairo"), 0);
}

}  // namespace
}  // namespace DuiLib::test
