// The main of the control tests: no X server. Windows, where a test needs one, are the
// platform's offscreen windows; layouts named by file come from the tests' fixture folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/window/present.h"

int main(int argc, char** argv) {
    setenv("ZOVI_SKIN_DIR", ZOVI_SOURCE_DIR "/platform/duilib/tests/fixtures", 1);
    zovi::platform::UseOffscreenWindows();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
