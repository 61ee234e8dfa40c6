// "ZoviCapture /wb": the whiteboard opens on its own with its toolbar, takes shortcuts
// and strokes, and the program ends with exit code 0 once the toolbar's exit closes it.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (Bool, None) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/window.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;

uint32_t RootPixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xDEADBEEF;
    const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

bool IsRed(uint32_t rgb) { return (rgb >> 16) > 200 && ((rgb >> 8) & 0xFF) < 60 && (rgb & 0xFF) < 60; }

TEST(WhiteBoardProgramTest, OpensTakesStrokesAndEndsWithZeroWhenItsToolbarExits) {
    if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
    char pattern[] = "/tmp/zovi-wb-home-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path home = pattern;
    std::string homeVar = "HOME=" + home.string(), configVar = "XDG_CONFIG_HOME=" + (home / ".config").string();
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind("HOME=", 0) != 0 && std::string(*e).rfind("XDG_CONFIG_HOME=", 0) != 0) {
            env.push_back(*e);
        }
    }
    env.push_back(homeVar.data());
    env.push_back(configVar.data());
    env.push_back(nullptr);
    const std::string program = std::string(ZOVI_BIN_DIR) + "/ZoviCapture";
    char mode[] = "/wb";
    char* argv[] = {const_cast<char*>(program.c_str()), mode, nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data()), 0);

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const HWND board = DuiLib::test::WaitForWindowOfClass("UIWhiteBoardFrameEx");
    const HWND toolbar = DuiLib::test::WaitForWindowOfClass("UIWBToolBar");
    EXPECT_NE(board, 0u);
    ASSERT_NE(toolbar, 0u);
    // The first layer update puts the board at the default drawing area.
    RECT area{};
    EXPECT_TRUE(WaitUntil([&] {
        return DuiLib::test::XGeometry(board, &area) && area.left == 0 && area.top == 0 && area.right == 1024 &&
               area.bottom == 600;
    }));
    // Ctrl+F2 (the focused toolbar hands it to the board): pen; strokes in "wb_color" red.
    ASSERT_TRUE(Xdotool({"key", "ctrl+F2"}));
    std::this_thread::yield();
    EXPECT_TRUE(WaitUntil([&] {
        Xdotool({"mousemove", "200", "200", "mousedown", "1", "mousemove", "300", "201", "mousemove", "400", "200",
                 "mouseup", "1"});
        return WaitUntil([&] { return IsRed(RootPixel(display, 300, 200)); }, std::chrono::seconds(2));
    })) << "no stroke on the screen";
    // Ctrl+F11 takes it away again.
    ASSERT_TRUE(Xdotool({"key", "ctrl+F11"}));
    EXPECT_TRUE(WaitUntil([&] { return !IsRed(RootPixel(display, 300, 200)); }));

    const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
    fs::create_directories(artefacts);
    EXPECT_TRUE(DuiLib::test::SaveWindowPng(toolbar, artefacts + "/whiteboard_program_toolbar.png"));

    // The toolbar's exit button (below the grip at its top).
    RECT bar{};
    ASSERT_TRUE(DuiLib::test::XGeometry(toolbar, &bar));
    const int x = (bar.left + bar.right) / 2, y = bar.top + 60;
    ASSERT_TRUE(Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
    int status = -1;
    const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(30));
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(ended) << "the program did not end when the whiteboard closed";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    XCloseDisplay(display);
    fs::remove_all(home);
}

}  // namespace
