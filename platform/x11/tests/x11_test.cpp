#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>

#include <thread>
#include <vector>

#include "platform/x11/testing/killable_x_server.h"
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

TEST(X11Init, ALostConnectionFailsItsCallsAndIsNotTouchedAgain) {
    // Each case ends the server one way; two connections, each met lost on a thread of
    // its own, are then asked about, trapped and closed from this thread. Xlib keeps the
    // finding thread's lock on a lost connection: an X call from here would block for ever.
    for (int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        zovi::test::CKillableXServer server;
        ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
        Display* first = OpenDisplay(server.Name().c_str());
        Display* second = OpenDisplay(server.Name().c_str());
        ASSERT_TRUE(first && second);
        XSync(first, False);
        EXPECT_FALSE(ConnectionLost(first));
        const unsigned long lostBefore = LostConnectionCount();

        server.End(signal);
        for (Display* display : {first, second}) {
            std::thread([display] {
                XWindowAttributes attributes{};
                EXPECT_EQ(XGetWindowAttributes(display, DefaultRootWindow(display), &attributes), 0);
                EXPECT_TRUE(ConnectionLost(display));
                XSync(display, False);  // the finding thread may go on calling: each call fails
            }).join();
        }
        EXPECT_EQ(LostConnectionCount(), lostBefore + 2);
        {
            CXErrorTrap trap(first);
            EXPECT_TRUE(trap.Failed());
        }
        CloseDisplay(first);
        CloseDisplay(second);
        EXPECT_FALSE(ConnectionLost(nullptr));
    }
}

}  // namespace
}  // namespace zovi::platform::x11
