// The window base on Xvfb with no window manager, driven with XTest (xdotool) from a
// driver thread while the UI loop runs on the main thread: caption moves, edge resizes,
// a caption button's click, and the hit code the platform sends with WM_SETCURSOR.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/duilib/tests/window_test_window.h"

namespace DuiLib::test {
namespace {

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

const wchar_t* const kLayout =
    L"<Window size=\"300,200\" sizebox=\"4,4,6,6\" caption=\"0,0,0,40\"><VerticalLayout bkcolor=\"#FFFFFFFF\">"
    L"<HorizontalLayout height=\"40\" bkcolor=\"#FFF0F0F0\">"
    L"<Label name=\"title\" width=\"100\"/><Button name=\"btnCap\" width=\"40\" bkcolor=\"#FF2B8CF4\"/>"
    L"<Control/></HorizontalLayout><Control/></VerticalLayout></Window>";

std::string Num(long v) { return std::to_string(v); }

struct XWindowTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        hook = std::make_unique<CUiThreadHook>();
        ASSERT_NE(window.Create(0, L"", kDialog, 0, 200, 150, 0, 0), 0u);
        window.ShowWindow(true, true);
        ASSERT_TRUE(WaitMapped());
    }
    void TearDown() override {
        if (::IsWindow(window)) ::DestroyWindow(window);
        hook.reset();
    }
    bool WaitMapped() {
        RECT rc{};
        for (int i = 0; i < 200; ++i) {
            if (XGeometry(window, &rc) && rc.right - rc.left == 300) return true;
            MSG msg{};
            while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    RECT Rect() {
        return hook->Call([this] {
                       RECT rc{};
                       ::GetWindowRect(window, &rc);
                       return rc;
                   })
            .value_or(RECT{});
    }
    // A left drag with xdotool: press at `from`, wait for the grab, move in steps, release.
    void Drag(POINT from, POINT to) {
        Xdotool({"mousemove", Num(from.x), Num(from.y)});
        Xdotool({"mousedown", "1"});
        ASSERT_TRUE(hook->WaitFor([this] { return ::GetCapture() == window.GetHWND(); }));
        for (int i = 1; i <= 4; ++i) {
            Xdotool({"mousemove", Num(from.x + (to.x - from.x) * i / 4), Num(from.y + (to.y - from.y) * i / 4)});
        }
        Xdotool({"mouseup", "1"});
        ASSERT_TRUE(hook->WaitFor([this] { return ::GetCapture() == 0; }));
    }

    std::unique_ptr<CUiThreadHook> hook;
    CTestWindow window{kLayout, L"DuiTestXWindow"};
};

TEST_F(XWindowTest, CaptionDragMovesTheXWindowAndAButtonClickDoesNot) {
    hook->RunWithDriver([&] {
        Drag(POINT{200 + 50, 150 + 20}, POINT{200 + 150, 150 + 120});
        ASSERT_TRUE(WaitUntil([&] {
            RECT rc{};
            return XGeometry(window, &rc) && rc.left == 300 && rc.top == 250;
        }));
        const RECT before = Rect();
        EXPECT_EQ(before.left, 300);
        EXPECT_EQ(before.top, 250);
        // The caption's button takes the click; the window stays.
        Xdotool({"mousemove", Num(before.left + 120), Num(before.top + 20), "click", "1"});
        ASSERT_TRUE(hook->WaitFor([&] { return window.clicks.size() == 1; }));
        EXPECT_EQ(hook->Call([&] { return window.clicks.front(); }).value_or(L""), L"btnCap");
        RECT geometry{};
        ASSERT_TRUE(XGeometry(window, &geometry));
        EXPECT_EQ(geometry.left, before.left);
        EXPECT_EQ(geometry.top, before.top);
    });
}

TEST_F(XWindowTest, EdgeDragResizesWithOneSizePerChangeAndNeverToZero) {
    // The window fits its width to even numbers from OnSize, as the region selector fits
    // its ratio: the nested WM_SIZE must not recurse.
    int nested = 0, depth = 0;
    window.onSize = [&](SIZE s) {
        ++depth;
        nested = std::max(nested, depth);
        if (s.cx % 2 != 0) {
            RECT rc{};
            ::GetWindowRect(window, &rc);
            ::MoveWindow(window, rc.left, rc.top, s.cx + 1, s.cy, TRUE);
        }
        --depth;
    };
    hook->RunWithDriver([&] {
        hook->Run([&] { window.sizes.clear(); });
        // Onto the right edge: the platform's WM_SETCURSOR carries HTRIGHT.
        Xdotool({"mousemove", Num(200 + 297), Num(150 + 100)});
        ASSERT_TRUE(hook->WaitFor([&] { return !window.setCursorCodes.empty() && window.setCursorCodes.back() == HTRIGHT; }));
        Drag(POINT{200 + 297, 150 + 100}, POINT{200 + 297 + 51, 150 + 100});
        ASSERT_TRUE(WaitUntil([&] {
            RECT rc{};
            return XGeometry(window, &rc) && rc.right - rc.left == 352;
        }));
        const std::vector<SIZE> sizes = hook->Call([&] { return window.sizes; }).value_or(std::vector<SIZE>{});
        ASSERT_FALSE(sizes.empty());
        EXPECT_EQ(sizes.back().cx, 352);
        for (size_t i = 1; i < sizes.size(); ++i) {
            EXPECT_FALSE(sizes[i].cx == sizes[i - 1].cx && sizes[i].cy == sizes[i - 1].cy) << "WM_SIZE without a change";
        }
        EXPECT_LE(hook->Call([&] { return nested; }).value_or(99), 2);

        // The bottom edge dragged far above the top: the height stops at 1.
        const RECT rc = Rect();
        Drag(POINT{rc.left + 100, rc.bottom - 2}, POINT{rc.left + 100, rc.top - 300});
        ASSERT_TRUE(WaitUntil([&] {
            RECT g{};
            return XGeometry(window, &g) && g.bottom - g.top == 1;
        }));
        for (const SIZE& s : hook->Call([&] { return window.sizes; }).value_or(std::vector<SIZE>{})) {
            EXPECT_GE(s.cx, 1);
            EXPECT_GE(s.cy, 1);
        }
    });
}

TEST_F(XWindowTest, EscapeEndsADragWhereItIs) {
    hook->RunWithDriver([&] {
        Xdotool({"mousemove", Num(200 + 50), Num(150 + 20)});
        Xdotool({"mousedown", "1"});
        ASSERT_TRUE(hook->WaitFor([&] { return ::GetCapture() == window.GetHWND(); }));
        Xdotool({"mousemove", Num(200 + 90), Num(150 + 20)});
        ASSERT_TRUE(WaitUntil([&] { return Rect().left == 240; }));
        Xdotool({"key", "Escape"});
        ASSERT_TRUE(hook->WaitFor([&] { return ::GetCapture() == 0; }));
        Xdotool({"mousemove", Num(200 + 190), Num(150 + 20)});
        Xdotool({"mouseup", "1"});
        hook->Run([] {});
        EXPECT_EQ(Rect().left, 240);
        EXPECT_TRUE(hook->Call([&] { return ::IsWindow(window) != FALSE; }).value_or(false));
    });
}

}  // namespace
}  // namespace DuiLib::test
