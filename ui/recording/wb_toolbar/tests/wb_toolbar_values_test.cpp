// The whiteboard toolbar's arithmetic: widths by picker index, the colour conversions
// both ways, the toolbar's place beside the whiteboard, the colour chooser's place over
// the toolbar, and the command ids it forwards.
#include <gtest/gtest.h>

#include "ui/recording/wb_toolbar/toolbar_color_dlg.h"
#include "ui/recording/wb_toolbar/ui_wb_tool_bar.h"

namespace {

using DuiLib::CUIWBToolBar;

TEST(WBToolBarValues, LineWidthByIndex) {
    const struct {
        int index;
        float width;
    } cases[] = {{0, 2.0f}, {1, 5.0f}, {2, 10.0f}, {3, 1.0f}, {7, 1.0f}, {-1, 1.0f}};
    for (const auto& c : cases) EXPECT_EQ(CUIWBToolBar::LineWidthForIndex(c.index), c.width) << c.index;
}

TEST(WBToolBarValues, ColoursBetweenArgbAndColorRef) {
    const struct {
        uint32_t argb;
        DWORD colorRef;  // 0x00BBGGRR
    } cases[] = {
        {0xFFFF0000, 0x000000FF},  // the default red
        {0xFF00FF00, 0x0000FF00},
        {0xFF0000FF, 0x00FF0000},
        {0xFF123456, 0x00563412},
        {0xFFFFFFFF, 0x00FFFFFF},
        {0xFF000000, 0x00000000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CUIWBToolBar::ColorRefFromArgb(c.argb), c.colorRef) << std::hex << c.argb;
        EXPECT_EQ(CUIWBToolBar::ArgbFromColorRef(c.colorRef), c.argb) << std::hex << c.colorRef;
    }
    // The chooser starts from an opaque colour's red, green and blue only: a translucent
    // stored colour comes back opaque, and a stray high byte of a COLORREF is dropped.
    EXPECT_EQ(CUIWBToolBar::ColorRefFromArgb(0x80FF8000), 0x000080FFu);
    EXPECT_EQ(CUIWBToolBar::ArgbFromColorRef(0xAB0000FF), 0xFFFF0000u);
}

TEST(WBToolBarValues, ToolbarSitsTenPixelsInsideTheRightEdgeCentredVertically) {
    const struct {
        RECT board;
        POINT at;
    } cases[] = {
        {{0, 0, 1024, 600}, {1024 - 10 - 48, (600 - 497) / 2}},
        {{100, 50, 900, 650}, {900 - 10 - 48, 50 + (600 - 497) / 2}},
        {{0, 0, 1920, 1080}, {1862, 291}},
        {{0, 0, 400, 300}, {342, (300 - 497) / 2}},  // a short board: above and below it
        {{10, 10, 10, 10}, {-48, 10 - 248}},        // an empty one
    };
    for (const auto& c : cases) {
        const POINT at = CUIWBToolBar::PlaceBeside(c.board, SIZE{48, 497});
        EXPECT_EQ(at.x, c.at.x) << c.board.right;
        EXPECT_EQ(at.y, c.at.y) << c.board.bottom;
    }
}

TEST(WBToolBarValues, ColourChooserCentredOverTheToolbarInsideTheWorkArea) {
    const RECT work{0, 0, 1920, 1040};
    const SIZE dialog{400, 300};
    // A toolbar in the middle: centred.
    POINT at = DuiLib::CToolbarColorDlg::CentredOver(RECT{900, 300, 948, 797}, dialog, work);
    EXPECT_EQ(at.x, 724);
    EXPECT_EQ(at.y, 398);
    // At the right edge: pulled in.
    at = DuiLib::CToolbarColorDlg::CentredOver(RECT{1862, 291, 1910, 788}, dialog, work);
    EXPECT_EQ(at.x, 1520);
    EXPECT_EQ(at.y, 389);
    // A dialog larger than the work area keeps its top-left inside.
    at = DuiLib::CToolbarColorDlg::CentredOver(RECT{0, 0, 48, 497}, SIZE{3000, 2000}, work);
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y, 0);
}

TEST(WBToolBarValues, LineWidthPickerBesideTheToolbarInsideTheWorkArea) {
    const RECT work{0, 0, 1920, 1040};
    const SIZE picker{100, 80};
    const struct {
        POINT button;
        RECT toolbar;
        POINT at;
    } cases[] = {
        {{1870, 680}, {1862, 291, 1910, 788}, {1762, 680}},  // on the left, level with the button
        {{8, 400}, {0, 100, 48, 597}, {48, 400}},             // no room on the left: on the right
        {{1870, 1000}, {1862, 600, 1910, 1097}, {1762, 960}},  // pulled up into the work area
        {{1830, -20}, {1822, -400, 1870, 97}, {1722, 0}},      // and down
    };
    for (const auto& c : cases) {
        const POINT at = CUIWBToolBar::PlacePicker(c.button, c.toolbar, picker, work);
        EXPECT_EQ(at.x, c.at.x) << c.button.x << "," << c.button.y;
        EXPECT_EQ(at.y, c.at.y) << c.button.x << "," << c.button.y;
    }
}

TEST(WBToolBarValues, ForwardedCommandIds) {
    for (UINT id : {2000u, 2003u, 2005u, 3000u, 3002u, 3004u}) EXPECT_TRUE(DuiLib::IsWBCommand(id)) << id;
    for (UINT id : {0u, 1999u, 2006u, 2999u, 3005u, 4000u}) EXPECT_FALSE(DuiLib::IsWBCommand(id)) << id;
}

}  // namespace
