#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <thread>

#include "platform/process/process.h"
#include "platform/screen/device_caps.h"
#include "platform/screen/monitors.h"
#include "platform/screen/rect_ops.h"
#include "platform/screen/screen_duplication.h"
#include "platform/screen/screen_grab.h"
#include "platform/screen/testing/x_test_desktop.h"
#include "platform/screen/top_windows.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {
namespace {

using testing::CTestWindow;

uint32_t Pattern(int x, int y) {
    return (static_cast<uint32_t>(x * 7 & 0xff) << 16) | (static_cast<uint32_t>(y * 5 & 0xff) << 8) |
           static_cast<uint32_t>((x + y) & 0xff);
}

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection_ = CScreenConnection::Open();
        ASSERT_NE(connection_, nullptr) << "needs the test X server (depth 24)";
        testing::FillRoot({0, 0, 1920, 1080}, 0x000000);
    }
    std::unique_ptr<CScreenConnection> connection_;
};

TEST(RectOps, Win32Semantics) {
    struct Case {
        RECT a, b;
        bool intersects;
        RECT intersection, bounds;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, true, {5, 5, 10, 10}, {0, 0, 20, 20}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, false, {0, 0, 0, 0}, {0, 0, 20, 10}},  // edges touch
        {{0, 0, 0, 0}, {100, 50, 200, 80}, false, {0, 0, 0, 0}, {100, 50, 200, 80}},  // empty ignored
        {{-50, -50, -10, -10}, {-20, -20, 30, 30}, true, {-20, -20, -10, -10}, {-50, -50, 30, 30}},
    };
    for (const Case& c : cases) {
        RECT out{};
        EXPECT_EQ(IntersectRect(&out, c.a, c.b), c.intersects);
        EXPECT_EQ(std::tie(out.left, out.top, out.right, out.bottom),
                  std::tie(c.intersection.left, c.intersection.top, c.intersection.right,
                           c.intersection.bottom));
        UnionRect(&out, c.a, c.b);
        EXPECT_EQ(std::tie(out.left, out.top, out.right, out.bottom),
                  std::tie(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom));
    }
    EXPECT_TRUE(PtInRect({0, 0, 10, 10}, {0, 0}));
    EXPECT_FALSE(PtInRect({0, 0, 10, 10}, {10, 5}));
    EXPECT_FALSE(PtInRect({0, 0, 10, 10}, {5, 10}));
}

TEST_F(ScreenTest, PlainGrabCopiesEveryPixel) {
    const RECT at{100, 120, 420, 360};
    auto window = CTestWindow::Create(at, 0);
    ASSERT_NE(window, nullptr);
    window->Paint(Pattern);
    // The whole window, and a part of it placed at an offset in a larger bitmap.
    auto whole = CDibSection::Create(320, 240);
    ASSERT_TRUE(GrabScreenRect(*connection_, at, *whole, {0, 0}));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(whole->PixelAt(x, y), Pattern(x, y)) << x << "," << y;

    auto part = CDibSection::Create(100, 100);
    ASSERT_TRUE(GrabScreenRect(*connection_, {150, 150, 200, 200}, *part, {30, 40}));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 30 && x < 80 && y >= 40 && y < 90;
            ASSERT_EQ(part->PixelAt(x, y), inside ? Pattern(x - 30 + 50, y - 40 + 30) : 0u)
                << x << "," << y;
        }
}

TEST_F(ScreenTest, PlainGrabOutsideTheRootFailsSoftly) {
    auto bitmap = CDibSection::Create(100, 100);
    EXPECT_FALSE(GrabScreenRect(*connection_, {1900, 1000, 2000, 1100}, *bitmap, {0, 0}));
    EXPECT_TRUE(IsWindow(*connection_, connection_->Root()));  // still connected
}

TEST_F(ScreenTest, DuplicationCopiesFirstThenOnlyAfterDamage) {
    auto window = CTestWindow::Create({200, 100, 264, 164}, 0x00ff00);
    ASSERT_NE(window, nullptr);
    auto duplication = CScreenDuplication::Create(*connection_, {RECT{0, 0, 1920, 1080}});
    ASSERT_NE(duplication, nullptr) << "MIT-SHM, DAMAGE and XFixes are required";
    using Acquire = CScreenDuplication::Acquire;
    auto pixel = [&](int x, int y) {
        uint32_t value = 0;
        std::memcpy(&value, duplication->Data(0) + y * duplication->Pitch(0) + x * 4, 4);
        return value & 0xffffff;
    };
    EXPECT_FALSE(duplication->HasImage(0));
    ASSERT_EQ(duplication->AcquireMonitor(0), Acquire::NewImage);
    EXPECT_EQ(pixel(210, 110), 0x00ff00u);
    EXPECT_EQ(duplication->AcquireMonitor(0), Acquire::NoChange);

    window->Paint(Pattern);
    Acquire result = Acquire::NoChange;
    for (int i = 0; i < 200 && result == Acquire::NoChange; ++i) {
        result = duplication->AcquireMonitor(0);
        if (result == Acquire::NoChange) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(result, Acquire::NewImage);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(pixel(200 + x, 100 + y), Pattern(x, y));
    EXPECT_EQ(duplication->AcquireMonitor(0), Acquire::NoChange);
}

TEST_F(ScreenTest, DuplicationFollowsScatteredChanges) {
    const std::vector<RECT> monitors{RECT{0, 0, 960, 1080}, RECT{960, 0, 1920, 1080}};
    auto duplication = CScreenDuplication::Create(*connection_, monitors);
    ASSERT_NE(duplication, nullptr);
    for (size_t m = 0; m < 2; ++m)
        ASSERT_EQ(duplication->AcquireMonitor(m), CScreenDuplication::Acquire::NewImage);
    // Changes here and there, across the monitors' border, and one window repainted.
    auto window = CTestWindow::Create({900, 500, 1100, 700}, 0x123456);
    const RECT fills[] = {{0, 0, 10, 10}, {1900, 1070, 1920, 1080}, {950, 200, 970, 201}, {300, 1000, 1500, 1003}};
    uint32_t colour = 0x10;
    for (const RECT& rc : fills) testing::FillRoot(rc, colour += 0x102030);
    window->Paint(Pattern);
    auto expected = CDibSection::Create(1920, 1080);
    ASSERT_TRUE(GrabScreenRect(*connection_, {0, 0, 1920, 1080}, *expected, {0, 0}));
    // Damage reaches this connection asynchronously: acquire until both images match.
    auto matches = [&] {
        for (size_t m = 0; m < 2; ++m) {
            duplication->AcquireMonitor(m);
            for (int y = 0; y < 1080; ++y)
                if (std::memcmp(duplication->Data(m) + y * duplication->Pitch(m),
                                expected->Bits() + y * expected->Stride() + monitors[m].left * 4,
                                960 * 4) != 0)
                    return false;
        }
        return true;
    };
    bool same = false;
    for (int i = 0; i < 200 && !same; ++i) {
        same = matches();
        if (!same) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(same);
}

TEST_F(ScreenTest, ScreenChangeLosesTheDuplication) {
    auto duplication = CScreenDuplication::Create(*connection_, {RECT{0, 0, 1920, 1080}});
    ASSERT_NE(duplication, nullptr);
    ASSERT_EQ(duplication->AcquireMonitor(0), CScreenDuplication::Acquire::NewImage);
    ASSERT_TRUE(testing::ChangeScreenConfiguration());
    CScreenDuplication::Acquire result = CScreenDuplication::Acquire::NoChange;
    for (int i = 0; i < 200 && result != CScreenDuplication::Acquire::AccessLost; ++i) {
        result = duplication->AcquireMonitor(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(result, CScreenDuplication::Acquire::AccessLost);
}

TEST_F(ScreenTest, CursorIsDrawnOnlyInsideTheArea) {
    struct Case {
        POINT pointer;
        bool drawn;
    } cases[] = {{{500, 400}, true}, {{599, 499}, true}, {{10, 10}, false}, {{600, 400}, false}};
    const RECT area{400, 300, 600, 500};
    for (const Case& c : cases) {
        testing::MovePointer(c.pointer.x, c.pointer.y);
        POINT at{};
        ASSERT_TRUE(GetCursorPos(*connection_, &at));
        ASSERT_EQ(at.x, c.pointer.x);
        auto bitmap = CDibSection::Create(200, 200);
        EXPECT_EQ(DrawCursorImage(*connection_, *bitmap, area), c.drawn);
        int marked = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                if (bitmap->PixelAt(x, y) != 0) {
                    ++marked;
                    // Near the pointer: the image is placed by its hotspot.
                    EXPECT_LT(std::abs(x - (c.pointer.x - area.left)), 64);
                    EXPECT_LT(std::abs(y - (c.pointer.y - area.top)), 64);
                }
        EXPECT_EQ(marked > 0, c.drawn);
    }
}

TEST_F(ScreenTest, MonitorsComeFromRandR) {
    std::vector<MonitorInfo> monitors;
    ASSERT_TRUE(EnumMonitors(*connection_, &monitors));
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].rcMonitor.right, 1920);
    EXPECT_EQ(monitors[0].rcMonitor.bottom, 1080);
    DisplayMode mode;
    ASSERT_TRUE(GetDisplayMode(*connection_, monitors[0].device, &mode));
    EXPECT_EQ(mode.width, 1920);
    EXPECT_EQ(mode.orientation, 0u);
    std::wstring upper = monitors[0].device;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
    EXPECT_TRUE(GetDisplayMode(*connection_, upper, &mode));
    EXPECT_FALSE(GetDisplayMode(*connection_, L"no-such-monitor", &mode));
}

TEST_F(ScreenTest, VirtualMonitorsAreListedInOrder) {
    ASSERT_TRUE(testing::SetMonitor("LEFT", {0, 0, 800, 600}));
    ASSERT_TRUE(testing::SetMonitor("RIGHT", {1000, 0, 1920, 700}));
    std::vector<MonitorInfo> monitors;
    EnumMonitors(*connection_, &monitors);
    testing::DeleteMonitor("LEFT");
    testing::DeleteMonitor("RIGHT");
    std::vector<std::wstring> names;
    for (const auto& m : monitors) names.push_back(m.device);
    ASSERT_NE(std::find(names.begin(), names.end(), L"LEFT"), names.end());
    ASSERT_NE(std::find(names.begin(), names.end(), L"RIGHT"), names.end());
    for (const auto& m : monitors)
        if (m.device == L"RIGHT") {
            EXPECT_EQ(m.rcMonitor.left, 1000);
            EXPECT_EQ(m.rcMonitor.bottom, 700);
        }
}

TEST_F(ScreenTest, TopLevelWindowsAndTheirProperties) {
    auto lower = CTestWindow::Create({10, 10, 110, 110}, 0xff0000);
    auto upper = CTestWindow::Create({50, 60, 250, 210}, 0x0000ff);
    ASSERT_TRUE(lower && upper);
    upper->SetTitle("Zovi 录屏 test");
    upper->SetPid(4242);
    upper->SetFrameExtents(2, 3, 20, 4);

    const std::vector<HWND> windows = ListTopLevelWindows(*connection_);
    auto at = [&](HWND w) { return std::find(windows.begin(), windows.end(), w) - windows.begin(); };
    ASSERT_LT(at(upper->Handle()), at(lower->Handle()));  // topmost first
    ASSERT_LT(at(lower->Handle()), static_cast<long>(windows.size()));

    EXPECT_EQ(GetWindowTitle(*connection_, upper->Handle()), L"Zovi 录屏 test");
    EXPECT_EQ(GetWindowTitle(*connection_, lower->Handle()), L"");
    EXPECT_EQ(GetWindowProcessId(*connection_, upper->Handle()), 4242);
    EXPECT_EQ(GetWindowProcessId(*connection_, lower->Handle()), 0);
    RECT rc{};
    ASSERT_TRUE(GetWindowRect(*connection_, upper->Handle(), &rc));
    EXPECT_EQ(std::tie(rc.left, rc.top, rc.right, rc.bottom),
              std::make_tuple(48, 40, 253, 214));
    EXPECT_TRUE(IsWindowVisible(*connection_, upper->Handle()));
    EXPECT_FALSE(IsIconic(*connection_, upper->Handle()));
    EXPECT_FALSE(IsToolWindow(*connection_, upper->Handle()));

    upper->SetIconicState();
    EXPECT_TRUE(IsIconic(*connection_, upper->Handle()));
    lower->SetWindowType("_NET_WM_WINDOW_TYPE_DOCK");
    EXPECT_TRUE(IsToolWindow(*connection_, lower->Handle()));
    lower->SetWindowType("_NET_WM_WINDOW_TYPE_DIALOG");
    EXPECT_FALSE(IsToolWindow(*connection_, lower->Handle()));
    auto popup = CTestWindow::Create({0, 0, 20, 20}, 0, /*overrideRedirect=*/true);
    EXPECT_TRUE(IsToolWindow(*connection_, popup->Handle()));
    lower->Unmap();
    EXPECT_FALSE(IsWindowVisible(*connection_, lower->Handle()));
}

TEST_F(ScreenTest, VanishedWindowsFailSoftly) {
    auto window = CTestWindow::Create({10, 10, 60, 60}, 0xffffff);
    const HWND handle = window->Handle();
    window->Destroy();
    const unsigned long untrapped = x11::UntrappedErrorCount();
    RECT rc{};
    SIZE size{};
    EXPECT_FALSE(IsWindow(*connection_, handle));
    EXPECT_FALSE(GetWindowRect(*connection_, handle, &rc));
    EXPECT_FALSE(GetClientSize(*connection_, handle, &size));
    EXPECT_FALSE(IsWindowVisible(*connection_, handle));
    EXPECT_EQ(GetWindowTitle(*connection_, handle), L"");
    EXPECT_EQ(GetWindowClassName(*connection_, handle), L"");
    EXPECT_EQ(GetWindowProcessId(*connection_, handle), 0);
    EXPECT_EQ(GrabWindow(*connection_, handle), nullptr);
    EXPECT_EQ(x11::UntrappedErrorCount(), untrapped);
}

TEST_F(ScreenTest, WindowPictureShowsItsContents) {
    auto window = CTestWindow::Create({1800, 100, 2000, 200}, 0);  // partly off the screen
    window->Paint(Pattern);
    auto picture = GrabWindow(*connection_, window->Handle());
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->Width(), 200);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(picture->PixelAt(x, y), x < 120 ? Pattern(x, y) : 0u) << x << "," << y;
}

TEST(ProcessNames, FromProc) {
    auto child = ChildProcess::Start({"/bin/sleep", "30"}, {});
    ASSERT_NE(child, nullptr);
    std::string name;
    ASSERT_TRUE(GetProcessImageName(child->Pid(), &name));
    EXPECT_EQ(name, "sleep");
    child->Kill(9);
    child->Wait(5000);
    EXPECT_FALSE(GetProcessImageName(0, &name));
    ASSERT_TRUE(GetProcessImageName(getpid(), &name));
    EXPECT_EQ(name, "platform_screen_test");
}

TEST(DeviceCaps, ScreenDpiFromTheXResources) {
    // The test server sets no Xft.dpi.
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(nullptr, 12345), 0);
    struct Case {
        const char* resources;
        int dpi;
    } cases[] = {{"Xft.antialias:\t1\nXft.dpi:\t144\n", 144}, {"Xft.dpi: 120.4\n", 120},
                 {"Xft.dpi:\tlarge\n", 96}, {"", 96}};
    for (const Case& c : cases) {
        testing::SetRootResources(c.resources);
        EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), c.dpi) << c.resources;
        EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), c.dpi) << c.resources;
    }
}

}  // namespace
}  // namespace zovi::platform
