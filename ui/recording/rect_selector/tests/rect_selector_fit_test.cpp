// Fitting the region selector's window to a ratio: which side follows which, which corner
// stays, integer truncation, and the rectangles that are left alone.
#include <gtest/gtest.h>

#include <ostream>

#include "ui/recording/rect_selector/ui_screen_rect_selector.h"

namespace {

using DuiLib::CUIScreenRectSelector;

struct FitCase {
    const char* what;
    uint32_t ratio;
    int32_t edge;
    bool forced;
    LONG width, height;  // of the window, placed at (100, 200)
    RECT expected;
};

std::ostream& operator<<(std::ostream& out, const FitCase& c) { return out << c.what; }

constexpr LONG L = 100, T = 200;

class FitToRatio : public testing::TestWithParam<FitCase> {};

TEST_P(FitToRatio, GivesTheWindowRectangle) {
    const FitCase& c = GetParam();
    const RECT window{L, T, L + c.width, T + c.height};
    const RECT got = CUIScreenRectSelector::FitToRatio(window, c.ratio, c.edge, c.forced);
    EXPECT_EQ(got.left, c.expected.left);
    EXPECT_EQ(got.top, c.expected.top);
    EXPECT_EQ(got.right, c.expected.right);
    EXPECT_EQ(got.bottom, c.expected.bottom);
}

using S = CUIScreenRectSelector;
INSTANTIATE_TEST_SUITE_P(
    Cases, FitToRatio,
    testing::Values(
        // Chosen from the options (forced): landscape ratios set the height, portrait ones the
        // width; the top-left corner stays.
        FitCase{"16:9 chosen on 600x480", S::k16x9, HTCLIENT, true, 600, 480, {L, T, L + 600, T + 366}},
        FitCase{"4:3 chosen on 600x480", S::k4x3, HTCLIENT, true, 600, 480, {L, T, L + 600, T + 477}},
        FitCase{"3:4 chosen on 600x480", S::k3x4, HTCLIENT, true, 600, 480, {L, T, L + 343, T + 480}},
        FitCase{"9:16 chosen on 600x480", S::k9x16, HTCLIENT, true, 600, 480, {L, T, L + 260, T + 480}},
        FitCase{"forced after a left drag keeps the top-left", S::k4x3, HTLEFT, true, 410, 100,
                {L, T, L + 410, T + 335}},
        FitCase{"3:4 forced on a width edge takes the width", S::k3x4, HTRIGHT, true, 310, 100,
                {L, T, L + 310, T + 435}},
        // Width edges: the height follows; the corner opposite the dragged side stays.
        FitCase{"4:3 left edge keeps the bottom-right", S::k4x3, HTLEFT, false, 410, 500,
                {L + 410 - 410, T + 500 - 335, L + 410, T + 500}},
        FitCase{"4:3 top-left corner keeps the bottom-right", S::k4x3, HTTOPLEFT, false, 410, 500,
                {L, T + 500 - 335, L + 410, T + 500}},
        FitCase{"16:9 bottom-left corner keeps the bottom-right", S::k16x9, HTBOTTOMLEFT, false, 650, 100,
                {L, T + 100 - 395, L + 650, T + 100}},
        FitCase{"16:9 right edge keeps the top-left", S::k16x9, HTRIGHT, false, 650, 100, {L, T, L + 650, T + 395}},
        FitCase{"3:4 bottom-right corner", S::k3x4, HTBOTTOMRIGHT, false, 310, 100, {L, T, L + 310, T + 435}},
        FitCase{"9:16 top-right corner", S::k9x16, HTTOPRIGHT, false, 190, 100, {L, T, L + 190, T + 355}},
        FitCase{"16:9 truncates toward zero", S::k16x9, HTRIGHT, false, 601, 100, {L, T, L + 601, T + 367}},
        // Top and bottom edges: the width follows the height; the bottom edge keeps the
        // top-left corner, the top edge the bottom-left one.
        FitCase{"16:9 bottom edge keeps the top-left", S::k16x9, HTBOTTOM, false, 600, 456, {L, T, L + 758, T + 456}},
        FitCase{"4:3 top edge keeps the bottom-left", S::k4x3, HTTOP, false, 600, 335,
                {L, T, L + 410, T + 335}},
        FitCase{"3:4 bottom edge", S::k3x4, HTBOTTOM, false, 600, 435, {L, T, L + 310, T + 435}},
        FitCase{"9:16 top edge", S::k9x16, HTTOP, false, 600, 355, {L, T, L + 190, T + 355}},
        // Nothing to do.
        FitCase{"free size", S::kFree, HTLEFT, true, 600, 480, {L, T, L + 600, T + 480}},
        FitCase{"an unknown ratio", 7, HTLEFT, true, 600, 480, {L, T, L + 600, T + 480}},
        FitCase{"a caption move", S::k4x3, HTCAPTION, false, 600, 480, {L, T, L + 600, T + 480}},
        FitCase{"no edge yet", S::k16x9, HTNOWHERE, false, 600, 480, {L, T, L + 600, T + 480}},
        FitCase{"3:4 client, not forced", S::k3x4, HTCLIENT, false, 600, 480, {L, T, L + 600, T + 480}},
        // The hole may be empty, the window never: at least 1 x 1.
        FitCase{"empty hole truncates toward zero", S::k4x3, HTRIGHT, false, 5, 100, {L, T, L + 5, T + 32}},
        FitCase{"a negative width stops at 1", S::k3x4, HTCLIENT, true, 600, 20, {L, T, L + 1, T + 20}},
        FitCase{"a negative width at the top edge keeps the left", S::k16x9, HTTOP, false, 600, 10,
                {L, T, L + 1, T + 10}}));

// Each case's result is what fitting it again gives: the WM_SIZE of the fitting move
// ends the recursion.
TEST(FitToRatioAgain, ChangesNothing) {
    for (uint32_t ratio = S::k4x3; ratio <= S::k9x16; ++ratio) {
        for (int32_t edge = HTLEFT; edge <= HTBOTTOMRIGHT; ++edge) {
            for (const SIZE size : {SIZE{600, 480}, SIZE{37, 900}, SIZE{1, 1}, SIZE{1900, 40}}) {
                const RECT once = S::FitToRatio(RECT{L, T, L + size.cx, T + size.cy}, ratio, edge, false);
                const RECT twice = S::FitToRatio(once, ratio, edge, false);
                EXPECT_TRUE(once.left == twice.left && once.top == twice.top && once.right == twice.right &&
                            once.bottom == twice.bottom)
                    << "ratio " << ratio << " edge " << edge << " size " << size.cx << "x" << size.cy;
                EXPECT_GE(once.right - once.left, 1);
                EXPECT_GE(once.bottom - once.top, 1);
            }
        }
    }
}

}  // namespace
