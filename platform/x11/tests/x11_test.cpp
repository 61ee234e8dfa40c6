#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <thread>
#include <vector>

#include "platform/x11/x11_init.h"

namespace zovi::platform::x11 {
namespace {

constexpr Window kNoSuchWindow = 0x7ffff01;

bool QueryMissingWindow(Display* display) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, kNoSuchWindow, &attributes) != 0;
}

TEST(X11Init, ConcurrentInitIsSafe) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([] { InitX11(); });
    for (auto& t : threads) t.join();
    Display* display = OpenDisplay();
    ASSERT_NE(display, nullptr) << "needs an X server";
    CloseDisplay(display);
}

TEST(X11Init, TrapsCatchErrorsOfTheirConnectionAndThread) {
    Display* display = OpenDisplay();
    Display* other = OpenDisplay();
    ASSERT_TRUE(display && other);
    {
        CXErrorTrap trap(display);
        EXPECT_FALSE(QueryMissingWindow(display));
        EXPECT_TRUE(trap.Failed());
        EXPECT_EQ(trap.ErrorCode(), BadWindow);
    }
    {
        CXErrorTrap outer(display);
        {
            CXErrorTrap inner(display);
            QueryMissingWindow(display);
            EXPECT_TRUE(inner.Failed());
        }
        EXPECT_FALSE(outer.Failed());
    }
    // An error on another connection, or on another thread, is not this trap's.
    const unsigned long untrapped = UntrappedErrorCount();
    {
        CXErrorTrap trap(display);
        QueryMissingWindow(other);
        std::thread([&] {
            Display* own = OpenDisplay();
            QueryMissingWindow(own);
            CloseDisplay(own);
        }).join();
        EXPECT_FALSE(trap.Failed());
    }
    XSync(other, False);
    EXPECT_EQ(UntrappedErrorCount(), untrapped + 2);
    CloseDisplay(other);
    CloseDisplay(display);
}

}  // namespace
}  // namespace zovi::platform::x11
