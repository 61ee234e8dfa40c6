// The toolbar's own controls painted offscreen: the colour button's white ring round a
// disc of its colour, and the line-width picker's three bars at their rows and colours
// (the first selected), inside the picker's side insets.
#include <gtest/gtest.h>

#include <string>

#include "platform/duilib/core/builder/dialog_builder.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/test/offscreen_render.h"
#include "ui/recording/wb_toolbar/color_sel_button.h"
#include "ui/recording/wb_toolbar/ui_line_width_select_dlg.h"

namespace {

using DuiLib::test::PixelAt;

constexpr uint32_t kDark = 0xFF212327, kWhite = 0xFFFFFFFF, kAccent = 0xFF1296DB;

class ButtonFactory : public DuiLib::IDialogBuilderCallback {
public:
    DuiLib::CControlUI* CreateControl(const wchar_t* tag) override {
        if (std::wstring(tag) != L"ColorButton") return nullptr;
        button = new DuiLib::CColorSelButton;
        return button;
    }
    DuiLib::CColorSelButton* button = nullptr;
};

TEST(WBControlsPaint, ColourButtonIsAWhiteRingRoundADiscOfItsColour) {
    for (const uint32_t colour : {0xFFFF0000u, 0xFF0000FFu, 0xFF10C040u}) {
        DuiLib::CPaintManagerUI manager;
        ButtonFactory factory;
        DuiLib::CDialogBuilder builder;
        manager.AttachDialog(builder.Create(
            L"<Window size=\"32,32\"><VerticalLayout bkcolor=\"#FF212327\">"
            L"<ColorButton name=\"colorSelect\" width=\"32\" height=\"32\"/></VerticalLayout></Window>",
            nullptr, &factory, &manager));
        ASSERT_NE(factory.button, nullptr);
        factory.button->SetColor(colour);
        auto surface = DuiLib::test::RenderToSurface(manager, 32, 32);
        if (colour == 0xFFFF0000u) DuiLib::test::SaveArtefact(surface.get(), "wb_color_button");
        EXPECT_EQ(PixelAt(surface.get(), 16, 16), colour);  // the disc
        EXPECT_EQ(PixelAt(surface.get(), 16, 7), colour);   // 5 inside the ring's outer edge, and more
        EXPECT_EQ(PixelAt(surface.get(), 16, 1), kWhite);   // the ring, top
        EXPECT_EQ(PixelAt(surface.get(), 30, 16), kWhite);  // and right
        EXPECT_EQ(PixelAt(surface.get(), 16, 3), kDark);    // the gap between ring and disc
        EXPECT_EQ(PixelAt(surface.get(), 1, 1), kDark);     // outside the circle
        EXPECT_EQ(PixelAt(surface.get(), 30, 30), kDark);
    }
}

TEST(WBControlsPaint, LineWidthPickerBarsAtTheirRowsFirstSelected) {
    DuiLib::CUILineWidthSelectDlg picker{std::weak_ptr<DuiLib::ILineWidthCallback>()};
    DuiLib::CPaintManagerUI manager;
    DuiLib::CDialogBuilder builder;
    const DuiLib::CDuiString layout = picker.GetSkinFile();
    manager.AttachDialog(builder.Create(layout.GetData(), nullptr, &picker, &manager));
    const SIZE size = manager.GetInitSize();
    ASSERT_EQ(size.cx, 100);
    ASSERT_EQ(size.cy, 80);
    auto surface = DuiLib::test::RenderToSurface(manager, 100, 80);
    DuiLib::test::SaveArtefact(surface.get(), "wb_line_width_picker_offscreen");
    // Options at y 5, 30 and 55 (20 high, 5 apart); bars from their rows 9–11, 7–13, 4–16.
    const struct {
        int top, bottom;  // the bar's rows in the window, bottom exclusive
        uint32_t colour;
    } bars[] = {{14, 16, kAccent}, {37, 43, kWhite}, {59, 71, kWhite}};
    for (const auto& bar : bars) {
        SCOPED_TRACE(bar.top);
        EXPECT_EQ(PixelAt(surface.get(), 50, bar.top - 1), kDark);
        EXPECT_EQ(PixelAt(surface.get(), 50, bar.top), bar.colour);
        EXPECT_EQ(PixelAt(surface.get(), 50, bar.bottom - 1), bar.colour);
        EXPECT_EQ(PixelAt(surface.get(), 50, bar.bottom), kDark);
        EXPECT_EQ(PixelAt(surface.get(), 10, bar.top), bar.colour);  // from the left inset
        EXPECT_EQ(PixelAt(surface.get(), 89, bar.top), bar.colour);  // to the right one
        EXPECT_EQ(PixelAt(surface.get(), 9, bar.top), kDark);
        EXPECT_EQ(PixelAt(surface.get(), 90, bar.top), kDark);
    }
}

}  // namespace
