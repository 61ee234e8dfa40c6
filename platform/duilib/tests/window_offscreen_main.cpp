// The main of the window-base tests that need no X server: every window is offscreen.
#include <gtest/gtest.h>

#include "platform/window/present.h"

int main(int argc, char** argv) {
    zovi::platform::UseOffscreenWindows();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
