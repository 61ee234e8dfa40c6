#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/traylink/tray_link.h"
#include "platform/base/utf8.h"
#include "platform/process/process.h"
#include "platform/window/window.h"

namespace fs = std::filesystem;
using zovi::platform::ChildProcess;

namespace {

std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
}

// Waits up to 30 s for the tray window to exist (or to be gone).
bool WaitForTrayWindow(bool present) {
    for (int i = 0; i < 300; ++i) {
        if ((FindWindowW(kTrayWindowClass, nullptr) != 0) == present) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class TrayLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
        ASSERT_TRUE(WaitForTrayWindow(false)) << "another tray window is in the way";
    }
};

TEST_F(TrayLinkTest, SharedMessagesAreRegisteredInEveryProcessAlike) {
    RegisterSharedMessages();
    EXPECT_EQ(GetCheckListenerMessage(), RegisterWindowMessageW(L"ZVK_CHECKLISTENER"));
    EXPECT_EQ(GetShowCaptureMessage(), RegisterWindowMessageW(L"ZVK_SHOWCAPTURE"));
    std::vector<UINT> ids;
    for (const wchar_t* name : kSharedMessageNames) {
        ids.push_back(RegisterWindowMessageW(name));
        EXPECT_GE(ids.back(), 0xC000u) << zovi::platform::WideToUtf8(name);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end()) << "eight different ids";
}

TEST_F(TrayLinkTest, PostsReachTheTrayWindowWithTheirArguments) {
    ChildProcess::Options options;
    options.pipeStdout = true;
    auto tray = ChildProcess::Start({ZOVI_TEST_BIN_DIR "/zovi_fake_tray"}, options);
    ASSERT_NE(tray, nullptr);
    ASSERT_EQ(ReadLine(tray->StdoutFd()), "ready");
    ASSERT_TRUE(WaitForTrayWindow(true));

    EXPECT_TRUE(PostTrayIconFlash(7));
    EXPECT_TRUE(PostTrayIconFlash(3601));
    EXPECT_TRUE(PostTrayReloadSettings());
    EXPECT_TRUE(PostTrayTerminate());
    for (const char* expected : {"ZVK_TRAYICONFLASH 7 0", "ZVK_TRAYICONFLASH 3601 0",
                                 "ZVK_TRAY_RELOADSETTINGS 0 0", "ZVK_TRAY_TERMINATE 0 0"})
        EXPECT_EQ(ReadLine(tray->StdoutFd()), expected);
    ASSERT_TRUE(tray->Wait(30000));
    EXPECT_EQ(tray->ExitCode(), 0);
    EXPECT_TRUE(WaitForTrayWindow(false));
}

TEST_F(TrayLinkTest, WithoutATrayWindowPostsDoNothing) {
    EXPECT_FALSE(PostTrayIconFlash(1));
    EXPECT_FALSE(PostTrayReloadSettings());
    EXPECT_FALSE(PostTrayTerminate());
}

// Runs as a copy of this program, beside a "ZoviTray", started by the test below.
TEST(TrayLinkChild, StartsTheTrayBesideItself) {
    if (std::getenv("ZOVI_TRAY_LINK_CHILD") == nullptr) GTEST_SKIP() << "only run as a child process";
    CTrayAppletController* controller = CTrayAppletController::GetInstance();
    EXPECT_EQ(controller->GetTrayProgramPath(),
              zovi::platform::DecodeUtf8Lossless(zovi::platform::SelfExeDir()) + L"/ZoviTray");
    ASSERT_TRUE(controller->StartTrayProgramIfMissing());
    ASSERT_TRUE(WaitForTrayWindow(true));
    EXPECT_FALSE(controller->StartTrayProgramIfMissing()) << "the window exists: not started again";
}

TEST_F(TrayLinkTest, StartsTheTrayProgramBesideTheMainProgramOnce) {
    char pattern[] = "/tmp/zovi-traylink-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path folder = fs::path(pattern) / "录屏 test";
    fs::create_directories(folder);
    fs::copy_file(zovi::platform::SelfExePath(), folder / "ZoviCapture");
    fs::copy_file(ZOVI_TEST_BIN_DIR "/zovi_fake_tray", folder / "ZoviTray");
    const std::string starts = (fs::path(pattern) / "starts.log").string();

    setenv("ZOVI_TRAY_LINK_CHILD", "1", 1);
    setenv("ZOVI_FAKE_TRAY_STARTS", starts.c_str(), 1);
    auto main = ChildProcess::Start(
        {(folder / "ZoviCapture").string(), "--gtest_filter=TrayLinkChild.StartsTheTrayBesideItself"}, {});
    unsetenv("ZOVI_TRAY_LINK_CHILD");
    unsetenv("ZOVI_FAKE_TRAY_STARTS");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->Wait(60000));
    EXPECT_EQ(main->ExitCode(), 0);

    std::ifstream log(starts);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    EXPECT_EQ(lines, std::vector<std::string>{(folder / "ZoviTray").string()}) << "started once, from beside";

    EXPECT_TRUE(PostTrayTerminate());
    EXPECT_TRUE(WaitForTrayWindow(false));
    fs::remove_all(pattern);
}

}  // namespace
