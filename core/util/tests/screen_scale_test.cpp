#include <gtest/gtest.h>

#include <cstdlib>

#include "core/util/screen_scale.h"
#include "platform/screen/testing/x_test_desktop.h"

namespace {

TEST(ScreenScaleTest, PercentFromDpi) {
    struct Case {
        int dpi, percent;
    } cases[] = {{96, 100}, {120, 125}, {144, 150}, {192, 200}, {72, 75}, {97, 101}, {108, 113}};
    for (const auto& c : cases) EXPECT_EQ(ScalePercentFromDpi(c.dpi), c.percent) << c.dpi;
}

TEST(ScreenScaleTest, MeasuredOnceFromTheScreenAndKept) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
    struct Case {
        const char* resources;
        int percent;
    } cases[] = {{"Xft.dpi:\t144\n", 150}, {"Xft.dpi:\t120\n", 125}, {"", 100}};
    for (const auto& c : cases) {
        zovi::platform::testing::SetRootResources(c.resources);
        zovi::platform::testing::Sync();
        ResetScreenScaleForTesting();
        EXPECT_EQ(GetScreenDpiScalePercent(), c.percent) << c.resources;
    }
    zovi::platform::testing::SetRootResources("Xft.dpi:\t144\n");
    zovi::platform::testing::Sync();
    ResetScreenScaleForTesting();
    ASSERT_EQ(GetScreenDpiScalePercent(), 150);
    zovi::platform::testing::SetRootResources("");
    zovi::platform::testing::Sync();
    EXPECT_EQ(GetScreenDpiScalePercent(), 150) << "kept, not measured again";

    // Without a display the kept value stands.
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(GetScreenDpiScalePercent(), 150);
    ResetScreenScaleForTesting();
    EXPECT_EQ(GetScreenDpiScalePercent(), 100) << "nothing measured: 100";
    setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
