// The toolbar's two pickers on the test X server: the line-width picker opened by its
// button or by Ctrl+F10 (its place, its start selection, the width it gives the board and
// the stored index), and the colour chooser opened by the colour button or by Ctrl+F9
// (it starts from the button's colour; OK changes the button, the board and "wb_color",
// Cancel changes none of them). Pictures of the pickers are kept as artefacts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/global/global.h"
#include "core/options/options.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/gdi/dib_section.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"
#include "ui/base/color_dialog/color_palette.h"
#include "ui/base/color_dialog/ui_color_dialog.h"
#include "ui/recording/wb_toolbar/tests/wb_toolbar_fixture.h"
#include "ui/recording/wb_toolbar/ui_line_width_select_dlg.h"

namespace wb_toolbar_test {
namespace {

using Calls = std::vector<std::string>;
using DuiLib::color_dialog::MakeColorRef;
using DuiLib::test::Xdotool;

// What the options record holds in the store now.
struct Stored {
    DWORD whiteboardColor;
    DWORD whiteboardLineSize;
};
Stored StoredOptions() {
    COptions stored;
    stored.Load();
    return Stored{stored.whiteboardColor, stored.whiteboardLineSize};
}

// The colour (0x00RRGGBB) on screen at a control's centre.
uint32_t ScreenColourAt(DuiLib::test::CUiThreadHook& hook, HWND window, const wchar_t* name) {
    auto connection = zovi::platform::CScreenConnection::Open();
    RECT rc{};
    if (!connection || !DuiLib::test::XGeometry(window, &rc)) return 0xDEADBEEF;
    const POINT centre = DuiLib::test::ControlCentreOnScreen(hook, window, name);
    auto picture = zovi::platform::GrabWindow(*connection, window);
    return picture ? picture->PixelAt(centre.x - rc.left, centre.y - rc.top) & 0xFFFFFF : 0xDEADBEEF;
}

class WBPickersXTest : public WBToolBarXTest {
protected:
    // The colour the open chooser shows (0x00BBGGRR), read from the dialog itself.
    COLORREF ChooserColour(HWND dialog) {
        return Ui([dialog] { return ChooserColourOnUi(dialog); });
    }
    static COLORREF ChooserColourOnUi(HWND dialog) {
        auto* chooser = dynamic_cast<DuiLib::CUIColorDialog*>(DuiLib::CWindowWnd::FromHandle(dialog));
        return chooser ? chooser->GetColor() : COLORREF(0xFFFFFFFF);
    }
    uint32_t ButtonColour() {
        return Ui([this] { return board->toolbar->GetColorButton()->GetColor(); });
    }
};

TEST_F(WBPickersXTest, LineWidthPickerGivesItsChoiceAndRemembersIt) {
    ASSERT_TRUE(OpenBoard());
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        const struct {
            const wchar_t* choose;
            const wchar_t* shownAtStart;  // the saved index before this round
            const char* call;
            DWORD stored;
        } rounds[] = {
            {L"max", L"small", "width:10", 2},
            {L"middle", L"max", "width:5", 1},
            {L"small", L"middle", "width:2", 0},
        };
        for (const auto& round : rounds) {
            ForgetCalls();
            Click(bar, L"linewidth");
            const HWND picker = DuiLib::test::WaitForWindowOfClass("UILineWidthSelect");
            ASSERT_NE(picker, 0u);
            RECT rc{};
            ASSERT_TRUE(DuiLib::test::WaitUntil([&] { return DuiLib::test::XGeometry(picker, &rc) && rc.left != 0; }));
            EXPECT_EQ(rc.right - rc.left, DuiLib::CUILineWidthSelectDlg::kWidth);
            EXPECT_EQ(rc.bottom - rc.top, DuiLib::CUILineWidthSelectDlg::kHeight);
            // Level with the button, beside the toolbar on its left.
            RECT barRect{};
            ASSERT_TRUE(DuiLib::test::XGeometry(bar, &barRect));
            const POINT at = DuiLib::test::ControlCentreOnScreen(*hook, bar, L"linewidth");
            EXPECT_EQ(rc.right, barRect.left) << "picker x";
            EXPECT_EQ(rc.top, at.y - 16) << "picker y";
            for (const wchar_t* name : DuiLib::CUILineWidthSelectDlg::kNames)
                EXPECT_EQ(IsSelected(picker, name), std::wstring(name) == round.shownAtStart);
            if (round.choose == std::wstring(L"max")) KeepPicture(picker, "wb_line_width_picker");

            Click(picker, round.choose);
            EXPECT_EQ(WaitCalls(1), (Calls{round.call}));
            EXPECT_TRUE(WaitUi([picker] { return !::IsWindow(picker); }));
            EXPECT_TRUE(::IsWindow(bar));
            EXPECT_EQ(Ui([] { return GetGlobal().whiteboardLineSize; }), round.stored);
            EXPECT_EQ(StoredOptions().whiteboardLineSize, round.stored);
        }
    });
}

TEST_F(WBPickersXTest, SavedLineSizeOutsideThePickerGivesWidthOneAndNoNewSelection) {
    GetGlobal().whiteboardLineSize = 7;
    ASSERT_TRUE(OpenBoard());
    EXPECT_EQ(board->calls, (Calls{"width:1"}));
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        ASSERT_TRUE(WaitFocus(bar));
        ForgetCalls();
        Xdotool({"key", "ctrl+F10"});
        const HWND picker = DuiLib::test::WaitForWindowOfClass("UILineWidthSelect");
        ASSERT_NE(picker, 0u);
        EXPECT_EQ(Ui([this] { return board->commands; }), (std::vector<int>{3002}));
        // Only the layout's own start selection.
        EXPECT_TRUE(IsSelected(picker, L"small"));
        EXPECT_FALSE(IsSelected(picker, L"middle"));
        EXPECT_FALSE(IsSelected(picker, L"max"));
        EXPECT_TRUE(Ui([this] { return board->calls.empty(); }));
        // A second picker replaces the first.
        Click(bar, L"linewidth");
        EXPECT_TRUE(WaitUi([picker] { return !::IsWindow(picker); }));
        const HWND second = DuiLib::test::WaitForWindowOfClass("UILineWidthSelect");
        ASSERT_NE(second, 0u);
        Click(second, L"middle");
        EXPECT_EQ(WaitCalls(1), (Calls{"width:5"}));
        EXPECT_EQ(Ui([] { return GetGlobal().whiteboardLineSize; }), 1u);
    });
}

TEST_F(WBPickersXTest, ColourChooserStartsAtTheButtonsColourAndOnlyOkChangesIt) {
    ASSERT_TRUE(OpenBoard());
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        ASSERT_TRUE(WaitFocus(bar));
        EXPECT_EQ(ButtonColour(), 0xFFFF0000u);
        EXPECT_TRUE(DuiLib::test::WaitUntil([&] { return ScreenColourAt(*hook, bar, L"colorSelect") == 0xFF0000; }));
        ForgetCalls();

        // OK with pure blue.
        Click(bar, L"colorSelect");
        HWND dialog = DuiLib::test::WaitForWindowOfClass("UIColorDialog");
        ASSERT_NE(dialog, 0u);
        EXPECT_EQ(ChooserColour(dialog), MakeColorRef(255, 0, 0));  // the button's red as 0x00BBGGRR
        RECT rc{}, barRect{};
        ASSERT_TRUE(DuiLib::test::WaitUntil([&] { return DuiLib::test::XGeometry(dialog, &rc) && rc.left != 0; }));
        ASSERT_TRUE(DuiLib::test::XGeometry(bar, &barRect));
        EXPECT_EQ(rc.top + (rc.bottom - rc.top) / 2, barRect.top + (barRect.bottom - barRect.top) / 2);
        EXPECT_GE(rc.left, 0);
        Click(dialog, L"swatch21");
        EXPECT_TRUE(WaitUi([&] { return ChooserColourOnUi(dialog) == MakeColorRef(0, 0, 255); }));
        KeepPicture(dialog, "wb_color_dialog");
        Click(dialog, L"btnOK");
        EXPECT_EQ(WaitCalls(1), (Calls{"color:ff0000ff"}));
        EXPECT_TRUE(WaitUi([dialog] { return !::IsWindow(dialog); }));
        EXPECT_EQ(ButtonColour(), 0xFF0000FFu);
        EXPECT_EQ(Ui([] { return GetGlobal().whiteboardColor; }), 0xFF0000FFu);
        EXPECT_EQ(StoredOptions().whiteboardColor, 0xFF0000FFu);
        EXPECT_TRUE(DuiLib::test::WaitUntil([&] { return ScreenColourAt(*hook, bar, L"colorSelect") == 0x0000FF; }));
        KeepPicture(bar, "wb_toolbar_blue");

        // Cancel (Escape) after picking another colour, opened by the shortcut: it starts
        // at the blue, and nothing changes.
        ForgetCalls();
        Xdotool({"key", "ctrl+F9"});
        dialog = DuiLib::test::WaitForWindowOfClass("UIColorDialog");
        ASSERT_NE(dialog, 0u);
        EXPECT_EQ(ChooserColour(dialog), MakeColorRef(0, 0, 255));
        Click(dialog, L"swatch16");
        EXPECT_TRUE(WaitUi([&] { return ChooserColourOnUi(dialog) == MakeColorRef(255, 0, 0); }));
        ASSERT_TRUE(WaitFocus(dialog));
        Xdotool({"key", "Escape"});
        EXPECT_TRUE(WaitUi([dialog] { return !::IsWindow(dialog); }));
        EXPECT_EQ(Ui([this] { return board->commands; }), (std::vector<int>{3001}));
        EXPECT_TRUE(Ui([this] { return board->calls.empty(); }));
        EXPECT_EQ(ButtonColour(), 0xFF0000FFu);
        EXPECT_EQ(Ui([] { return GetGlobal().whiteboardColor; }), 0xFF0000FFu);
        EXPECT_EQ(StoredOptions().whiteboardColor, 0xFF0000FFu);
        EXPECT_TRUE(::IsWindow(bar));
    });
}

TEST_F(WBPickersXTest, BoardClosedWhileTheColourChooserIsOpenChangesNothing) {
    ASSERT_TRUE(OpenBoard());
    Drive([&] {
        const HWND bar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
        ASSERT_NE(bar, 0u);
        ForgetCalls();
        Click(bar, L"colorSelect");
        const HWND dialog = DuiLib::test::WaitForWindowOfClass("UIColorDialog");
        ASSERT_NE(dialog, 0u);
        Click(dialog, L"swatch21");
        EXPECT_TRUE(WaitUi([&] { return ChooserColourOnUi(dialog) == MakeColorRef(0, 0, 255); }));
        // The board goes (as when the recording toolbar closes it): its toolbar and the
        // chooser the toolbar owns go with it, and the choice is dropped.
        const HWND boardWindow = BoardWindow();
        Ui([boardWindow] { return ::DestroyWindow(boardWindow); });
        EXPECT_TRUE(WaitUi([&] { return !::IsWindow(dialog) && !::IsWindow(bar) && !::IsWindow(boardWindow); }));
        // The toolbar's last word to a board that is still there, and no colour.
        EXPECT_EQ(Ui([this] { return board->calls; }), (Calls{"exit"}));
        EXPECT_EQ(Ui([] { return GetGlobal().whiteboardColor; }), 0xFFFF0000u);
        EXPECT_EQ(StoredOptions().whiteboardColor, 0xFFFF0000u);
    });
}

}  // namespace
}  // namespace wb_toolbar_test
