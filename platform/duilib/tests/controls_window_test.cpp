// The paint manager on a real (offscreen) window of the platform: WM_PAINT presents the
// painted tree, library timers reach only their controls, tooltips come and go.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/tests/controls_test_support.h"
#include "platform/duilib/window/tooltip_window.h"
#include "platform/window/present.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

// A plain platform window whose procedure hands every message to a paint manager first
// and records what reaches the window itself.
class ControlsWindowTest : public testing::Test {
protected:
    void SetUp() override {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpszClassName = L"DuiControlsTestWindow";
            wc.lpfnWndProc = &ControlsWindowTest::Proc;
            return ::RegisterClassExW(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        EventLog().clear();
        pm = BuildManager(LR"(<Window bkcolor="#FF102030"><VerticalLayout>
            <RecButton name="btn" height="40" bkcolor="#FF2B8CF4" tooltip="first"/>
            <Rec name="plain" height="40"/><Control name="rest"/></VerticalLayout></Window>)",
                          200, 150, &factory);
        current = this;
        hwnd = ::CreateWindowExW(0, L"DuiControlsTestWindow", L"", WS_POPUP, 0, 0, 200, 150, 0, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, 0u);
        pm->Init(hwnd);
        ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        if (hwnd) ::DestroyWindow(hwnd);
        current = nullptr;
        pm.reset();
        PumpFor(std::chrono::milliseconds(0));
    }

    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        ControlsWindowTest* test = current;
        if (test && test->pm && test->pm->GetPaintWindow() == hwnd) {
            LRESULT result = 0;
            if (test->pm->MessageHandler(message, wParam, lParam, result)) return result;
            if (message == WM_TIMER) test->windowTimers.push_back(wParam);
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Dispatches the queue until `done` or the time is up (waiting for messages between).
    static bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        // A wake-up, so no wait outlasts the limit by much.
        const UINT_PTR wake = ::SetTimer(0, 0, 20, nullptr);
        MSG msg{};
        bool met = true;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end) {
                met = false;
                break;
            }
            if (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
                ::DispatchMessageW(&msg);
            } else {
                ::WaitMessage();
            }
        }
        ::KillTimer(0, wake);
        return met;
    }
    static void PumpFor(std::chrono::milliseconds time) {
        PumpUntil([] { return false; }, time);
    }
    void Post(UINT message, WPARAM wParam, POINT pt) {
        ::PostMessageW(hwnd, message, wParam, MAKELPARAM(pt.x, pt.y));
    }

    static inline ControlsWindowTest* current = nullptr;
    CRecordingFactory factory;
    std::unique_ptr<CPaintManagerUI> pm;
    HWND hwnd = 0;
    std::vector<WPARAM> windowTimers;
};

TEST_F(ControlsWindowTest, PaintPresentsTheTreeAndFollowsChanges) {
    auto presented = [&](int x, int y) {
        cairo_surface_t* surface = zovi::platform::OffscreenSurface(hwnd);
        return surface ? PixelAt(surface, x, y) : 0u;
    };
    ASSERT_TRUE(PumpUntil([&] { return presented(10, 10) == 0xFF2B8CF4u; }));
    EXPECT_EQ(presented(10, 120), 0xFF102030u);  // the clear colour behind the root
    pm->FindControl(L"btn")->SetBkColor(0xFF00FF00);
    EXPECT_TRUE(PumpUntil([&] { return presented(10, 10) == 0xFF00FF00u; }));
    // A new client size makes a new buffer, painted whole.
    ::SetWindowPos(hwnd, 0, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(PumpUntil([&] { return presented(290, 10) == 0xFF00FF00u; }));
    EXPECT_EQ(pm->FindControl(L"rest")->GetPos().bottom, 200);
}

TEST_F(ControlsWindowTest, LibraryTimersReachOnlyTheirControl) {
    CControlUI* plain = pm->FindControl(L"plain");
    ASSERT_TRUE(pm->SetTimer(plain, 7, 10));
    ASSERT_TRUE(::SetTimer(hwnd, 16, 10, nullptr));
    auto ticks = [] {
        int n = 0;
        for (const std::wstring& line : EventLog()) n += line == L"plain:24:7" ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(PumpUntil([&] { return ticks() >= 3 && windowTimers.size() >= 3; }));
    for (WPARAM id : windowTimers) EXPECT_EQ(id, 16u);  // the window sees its own timer only
    ::KillTimer(hwnd, 16);
    // Re-arming keeps one timer; killing it stops the ticks.
    ASSERT_TRUE(pm->SetTimer(plain, 7, 10));
    EXPECT_TRUE(pm->KillTimer(plain, 7));
    EXPECT_FALSE(pm->KillTimer(plain, 7));
    const int before = ticks();
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(ticks(), before);
    // A control that leaves the tree takes its timers along.
    ASSERT_TRUE(pm->SetTimer(plain, 8, 10));
    static_cast<CContainerUI*>(pm->GetRoot())->Remove(plain);
    EventLog().clear();
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(EventLog().empty()) << testing::PrintToString(EventLog());
    EXPECT_TRUE(windowTimers.size() >= 3);
}

TEST_F(ControlsWindowTest, ToolTipAfterTheDelayAndGoneOnLeaveAndPress) {
    CToolTipWindow& tip = CToolTipWindow::ForThread();
    CControlUI* button = pm->FindControl(L"btn");
    button->SetToolTip(L"提示 tip");  // the text set last is shown
    const POINT on = CentreOf(button->GetPos());
    const auto start = std::chrono::steady_clock::now();
    Post(WM_MOUSEMOVE, 0, on);
    ASSERT_TRUE(PumpUntil([&] { return tip.IsShown(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_EQ(tip.Text(), L"提示 tip");
    EXPECT_EQ(tip.Owner(), hwnd);
    RECT tipRect{};
    ASSERT_TRUE(::GetWindowRect(tip.GetHWND(), &tipRect));
    EXPECT_GT(tipRect.right - tipRect.left, 20);
    EXPECT_NE(::GetFocus(), tip.GetHWND());

    Post(WM_MOUSELEAVE, 0, on);
    ASSERT_TRUE(PumpUntil([&] { return !tip.IsShown(); }));

    Post(WM_MOUSEMOVE, 0, POINT{on.x + 1, on.y});
    ASSERT_TRUE(PumpUntil([&] { return tip.IsShown(); }));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, on);
    ASSERT_TRUE(PumpUntil([&] { return !tip.IsShown(); }));
    Post(WM_LBUTTONUP, 0, on);

    // A control without text shows none; a hidden control takes its tooltip along.
    Post(WM_MOUSEMOVE, 0, CentreOf(pm->FindControl(L"plain")->GetPos()));
    PumpFor(std::chrono::milliseconds(700));
    EXPECT_FALSE(tip.IsShown());
    Post(WM_MOUSEMOVE, 0, on);
    ASSERT_TRUE(PumpUntil([&] { return tip.IsShown(); }));
    button->SetVisible(false);
    EXPECT_FALSE(tip.IsShown());
}

}  // namespace
}  // namespace DuiLib::test
