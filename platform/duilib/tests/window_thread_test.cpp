// A window object released on another thread than its window's (owners must not let
// that happen): the safety net cuts the window from the object at once, frees the
// object there, leaves the window's destruction to the UI thread, and logs once.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "platform/duilib/test/window_input.h"
#include "platform/duilib/tests/core_test_support.h"
#include "platform/duilib/tests/window_test_window.h"

namespace DuiLib::test {
namespace {

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

TEST(WindowThreadTest, ReleasedOffTheUiThreadTakesTheSafetyNet) {
    LogCapture log;
    for (int i = 0; i < 2; ++i) {
        auto window = std::make_shared<CTestWindow>(
            L"<Window size=\"120,80\"><VerticalLayout><Button name=\"b\" text=\"x\"/></VerticalLayout></Window>");
        const HWND hwnd = window->Create(0, L"", kDialog, 0);
        ASSERT_NE(hwnd, 0u);
        window->ShowWindow(true, false);
        bool finalMessage = false;
        window->onFinal = [&finalMessage] { finalMessage = true; };
        std::thread releaser([w = std::move(window)]() mutable { w.reset(); });
        releaser.join();
        // The window lives until the UI thread takes the posted destruction; the dead
        // object hears nothing of it.
        EXPECT_TRUE(::IsWindow(hwnd));
        PumpUntilIdle();
        EXPECT_FALSE(::IsWindow(hwnd));
        EXPECT_FALSE(finalMessage);
    }
    EXPECT_EQ(log.Count(L"window object destroyed off the UI thread"), 1);
}

}  // namespace
}  // namespace DuiLib::test
