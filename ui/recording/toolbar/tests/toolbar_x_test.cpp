// The recording toolbar on its own, with a command counter in the controller's place:
// the labels' formats, the button mask, each button's command, an engine error and a
// snapshot reported from other threads, the tray's flash, and calls on a closed bar.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (Bool, None) would clash with its names.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/traylink/tray_link.h"
#include "platform/base/utf8.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/process/process.h"
#include "tolka.h"
#include "ui/recording/toolbar/tests/toolbar_fixture.h"

namespace toolbar_test {
namespace {

using DuiLib::CUICaptureToolBar;

TEST(ToolBarFormats, SizeAndTimeLabels) {
    const struct {
        double bytes;
        const wchar_t* text;
    } sizes[] = {
        {0, L"0.00 KB"},
        {1536, L"1.50 KB"},
        {1048576, L"1024.00 KB"},  // not above the MB threshold
        {1048577, L"1.00 MB"},
        {1073741824, L"1024.00 MB"},
        {1073741825, L"1.00 GB"},
        {5.5 * 1073741824, L"5.50 GB"},
    };
    for (const auto& c : sizes) EXPECT_EQ(CUICaptureToolBar::FormatSize(c.bytes), c.text) << c.bytes;
    const struct {
        int32_t seconds;
        const wchar_t* text;
    } times[] = {
        {-5, L"00:00:00"}, {0, L"00:00:00"}, {3, L"00:00:03"}, {59, L"00:00:59"}, {61, L"00:01:01"},
        {3599, L"00:59:59"}, {3600, L"01:00:00"}, {360000, L"100:00:00"},
    };
    for (const auto& c : times) EXPECT_EQ(CUICaptureToolBar::FormatTime(c.seconds), c.text) << c.seconds;
}

// A RandR monitor of its own on the test server, the primary one, over `rect`; gone again
// at destruction.
class CPrimaryMonitor {
public:
    explicit CPrimaryMonitor(const RECT& rect) : display_(XOpenDisplay(nullptr)) {
        if (!display_) return;
        XRRMonitorInfo* monitor = XRRAllocateMonitor(display_, 0);
        monitor->name = name_ = XInternAtom(display_, "ZOVI-TOOLBAR-PRIMARY", False);
        monitor->x = rect.left;
        monitor->y = rect.top;
        monitor->width = rect.right - rect.left;
        monitor->height = rect.bottom - rect.top;
        monitor->mwidth = monitor->width / 4;
        monitor->mheight = monitor->height / 4;
        monitor->primary = True;
        XRRSetMonitor(display_, DefaultRootWindow(display_), monitor);
        XRRFreeMonitors(monitor);
        XSync(display_, False);
    }
    ~CPrimaryMonitor() {
        if (!display_) return;
        XRRDeleteMonitor(display_, DefaultRootWindow(display_), name_);
        XCloseDisplay(display_);
    }

private:
    Display* display_;
    Atom name_ = 0;
};

// Opens a bar as the controller does, with `commands`.
std::shared_ptr<CUICaptureToolBar> OpenBar(uint32_t mask, zovi::engine::IToolBarCmd* commands) {
    return CUICaptureToolBar::Open(mask, commands);
}

TEST_F(ToolBarXTest, TheMaskHidesControlsAndShrinksTheBar) {
    const wchar_t* const names[] = {L"pause",    L"stop",       L"restart", L"cam_open", L"mic_open",
                                    L"board_open", L"time",     L"size",    L"photo"};
    const struct {
        uint32_t mask;
        int width;
        const char* picture;  // kept as an artefact when set
    } cases[] = {
        {0x1FF, 387, "toolbar_mask_1ff"},
        {0x1F3, 323, "toolbar_mask_1f3"},  // screen with sound, no camera: no restart
        {0x1C3, 259, "toolbar_mask_1c3"},  // camera only, no sound
        {0x000, 26, nullptr},
    };
    // A desktop's panel: the work area ends 40 pixels above the screen's bottom.
    ASSERT_TRUE(DuiLib::test::RunTool(
        {"xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", "0, 0, 1920, 1040"}));
    struct WorkAreaReset {
        ~WorkAreaReset() { DuiLib::test::RunTool({"xprop", "-root", "-remove", "_NET_WORKAREA"}); }
    } workAreaReset;
    // The primary monitor is the left half of the screen (Xvfb's own has no primary).
    CPrimaryMonitor primaryMonitor(RECT{0, 0, 960, 1080});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(CUICaptureToolBar::WidthForMask(c.mask), c.width);
        CCommandCounter commands;
        auto bar = OpenBar(c.mask, &commands);
        ASSERT_TRUE(bar);
        const HWND hwnd = bar->GetHWND();
        for (size_t i = 0; i < std::size(names); ++i) {
            const bool shown = (c.mask >> i) & 1;
            ASSERT_TRUE(Find(*bar, names[i]));
            EXPECT_EQ(Find(*bar, names[i])->IsVisible(), shown) << zovi::platform::EncodeUtf8Lossless(names[i]);
        }
        // Opening selects the camera and microphone buttons with their notifications,
        // but the commands are not set yet then: none went out.
        EXPECT_EQ(commands.cameraOpens + commands.micOns + commands.boardCloses, 0);
        EXPECT_TRUE(Option(*bar, L"cam_open")->IsSelected());
        EXPECT_TRUE(Option(*bar, L"mic_open")->IsSelected());
        EXPECT_FALSE(Option(*bar, L"board_open")->IsSelected());
        EXPECT_EQ(Find(*bar, L"mic_open")->GetToolTip().str(), TolkaGetString(28));
        EXPECT_EQ(Find(*bar, L"pause")->GetToolTip().str(), TolkaGetString(22));

        Drive([&] {
            ASSERT_TRUE(WaitViewable(hwnd));
            RECT rc{};
            ASSERT_TRUE(DuiLib::test::XGeometry(hwnd, &rc));
            EXPECT_EQ(rc.right - rc.left, c.width);
            EXPECT_EQ(rc.bottom - rc.top, 40);
            // Bottom right of the primary monitor's work area.
            EXPECT_EQ(rc.right, 960 - 10);
            EXPECT_EQ(rc.bottom, 1040 - 10);
            // The time label ticks in from the start.
            EXPECT_TRUE(WaitUi([&] { return Find(*bar, L"time")->GetText().str() == L"00:00:00"; }));
            if (c.picture) {
                WaitUi([&] { return Find(*bar, L"size")->GetText().str() == L"0.00 KB"; });
                KeepPicture(hwnd, c.picture);
            }
        });
        ::DestroyWindow(hwnd);
    }
}

TEST_F(ToolBarXTest, EachButtonGivesItsCommand) {
    CCommandCounter commands;
    auto bar = OpenBar(0x1FF, &commands);
    ASSERT_TRUE(bar);
    const HWND hwnd = bar->GetHWND();
    auto tip = [&](const wchar_t* name) { return Ui([&] { return Find(*bar, name)->GetToolTip().str(); }); };
    Drive([&] {
        ASSERT_TRUE(WaitViewable(hwnd));
        Click(hwnd, L"pause");
        ASSERT_TRUE(WaitUi([&] { return commands.pauses == 1; }));
        EXPECT_EQ(tip(L"pause"), L"STart recording");
        KeepPicture(hwnd, "toolbar_paused");
        Click(hwnd, L"pause");
        ASSERT_TRUE(WaitUi([&] { return commands.resumes == 1; }));
        EXPECT_EQ(tip(L"pause"), TolkaGetString(22));

        Click(hwnd, L"mic_open");
        ASSERT_TRUE(WaitUi([&] { return commands.micOffs == 1; }));
        EXPECT_EQ(tip(L"mic_open"), TolkaGetString(27));
        Click(hwnd, L"cam_open");
        ASSERT_TRUE(WaitUi([&] { return commands.cameraCloses == 1; }));
        EXPECT_EQ(tip(L"cam_open"), TolkaGetString(25));
        KeepPicture(hwnd, "toolbar_mic_and_camera_off");
        Click(hwnd, L"mic_open");
        ASSERT_TRUE(WaitUi([&] { return commands.micOns == 1; }));
        Click(hwnd, L"cam_open");
        ASSERT_TRUE(WaitUi([&] { return commands.cameraOpens == 1; }));

        // The whiteboard button hands over the bar itself as the whiteboard's listener;
        // the whiteboard's close deselects it without a command, tooltip following.
        Click(hwnd, L"board_open");
        ASSERT_TRUE(WaitUi([&] { return commands.boardOpens == 1; }));
        EXPECT_EQ(commands.boardCallback.get(), static_cast<DuiLib::IWBStateCallback*>(bar.get()));
        EXPECT_EQ(tip(L"board_open"), TolkaGetString(30));
        KeepPicture(hwnd, "toolbar_whiteboard_open");
        Ui([&] {
            commands.boardCallback->OnWhiteBoardClosed();
            return true;
        });
        EXPECT_FALSE(Ui([&] { return Option(*bar, L"board_open")->IsSelected(); }));
        EXPECT_EQ(tip(L"board_open"), TolkaGetString(29));
        EXPECT_EQ(commands.boardCloses, 0);

        // The engine's own reports change the buttons without a command.
        Ui([&] {
            bar->OnAudioMuteChanged(true);
            bar->OnPauseChanged(true);
            bar->SelectCamera(false);
            return true;
        });
        EXPECT_EQ(tip(L"mic_open"), TolkaGetString(27));
        EXPECT_EQ(tip(L"pause"), L"STart recording");
        EXPECT_EQ(tip(L"cam_open"), TolkaGetString(25));
        EXPECT_EQ(commands.micOffs + commands.pauses + commands.cameraCloses, 3);

        Click(hwnd, L"restart");
        ASSERT_TRUE(WaitUi([&] { return commands.restarts == 1; }));
        Click(hwnd, L"photo");
        ASSERT_TRUE(WaitUi([&] { return commands.snapshots == 1; }));
        Click(hwnd, L"stop");
        ASSERT_TRUE(WaitUi([&] { return !::IsWindow(hwnd); }));
    });
    EXPECT_EQ(commands.stops, 1);
    EXPECT_EQ(commands.boardCloses, 1);  // closing the bar closes the whiteboard
}

TEST_F(ToolBarXTest, AnEngineErrorStopsOnceOnTheUiThread) {
    CCommandCounter commands;
    auto bar = OpenBar(0x1FF, &commands);
    ASSERT_TRUE(bar);
    const HWND hwnd = bar->GetHWND();
    std::thread engine([bar] {
        bar->OnCaptureError(L"the muxer ended");
        bar->OnCaptureError(L"the source ended");
    });
    engine.join();
    ASSERT_TRUE(LoopUntil([&] { return !::IsWindow(hwnd); }));
    LoopUntil([] { return false; }, 0.3);
    EXPECT_EQ(commands.stops, 1);
    EXPECT_EQ(commands.stopsOffTheUiThread, 0);

    // A stop from elsewhere closed the bar first: the error's deferred stop does nothing.
    std::thread late([bar] { bar->OnCaptureError(L"late"); });
    late.join();
    LoopUntil([] { return false; }, 0.3);
    EXPECT_EQ(commands.stops, 1);
}

TEST_F(ToolBarXTest, ASnapshotFlashesTheBarAndEntersTheHistory) {
    CCommandCounter commands;
    auto bar = OpenBar(0x1FF, &commands);
    ASSERT_TRUE(bar);
    const HWND hwnd = bar->GetHWND();
    std::filesystem::create_directories(folder);
    const std::string png = (folder / "snap.png").string();
    { std::ofstream(png) << "picture"; }
    auto colour = [&] { return Find(*bar, L"layout")->GetBkColor(); };
    const struct {
        bool ok;
        DWORD flash;
        const char* picture;
    } cases[] = {{true, CUICaptureToolBar::kColourOk, "toolbar_snapshot_ok"},
                 {false, CUICaptureToolBar::kColourFailed, "toolbar_snapshot_failed"}};
    Drive([&] {
        ASSERT_TRUE(WaitViewable(hwnd));
        for (const auto& c : cases) {
            SCOPED_TRACE(c.ok);
            std::thread snapshotThread([&] { bar->OnSnapshotTaken(png, c.ok); });
            snapshotThread.join();
            ASSERT_TRUE(WaitUi([&] { return colour() == c.flash; }));
            KeepPicture(hwnd, c.picture);
            EXPECT_TRUE(WaitUi([&] { return colour() == CUICaptureToolBar::kColourBar; }, 5));
        }
    });
    const auto history = HistoryHere();
    ASSERT_EQ(history.size(), 1u);  // the failed one enters nothing
    EXPECT_EQ(history[0]->path, png);
    EXPECT_EQ(history[0]->kind, zovi::engine::kHistorySnapshot);
    ::DestroyWindow(hwnd);
}

TEST_F(ToolBarXTest, CallsOnAClosedBarAreHarmless) {
    CCommandCounter commands;
    auto bar = OpenBar(0x1FF, &commands);
    ASSERT_TRUE(bar);
    const HWND hwnd = bar->GetHWND();
    bar->Close(CUICaptureToolBar::kCloseCode);
    ASSERT_TRUE(LoopUntil([&] { return !::IsWindow(hwnd); }));
    bar->OnPauseChanged(true);
    bar->OnAudioMuteChanged(true);
    bar->OnWhiteBoardClosed();
    bar->SelectCamera(false);
    bar->OnCaptureSize(123456);
    std::thread engine([bar] {
        bar->OnCaptureTime(4);
        bar->OnSnapshotTaken("/nonexistent.png", false);
    });
    engine.join();
    LoopUntil([] { return false; }, 0.3);
    EXPECT_TRUE(Option(*bar, L"pause")->IsSelected());
    EXPECT_EQ(bar->ElapsedSeconds(), 4);
    EXPECT_EQ(commands.stops, 0);
}

// The tray program's icon blinks with the recorded seconds; without a tray window
// nothing is posted and nothing fails.
TEST_F(ToolBarXTest, EachSecondReachesTheTray) {
    CCommandCounter commands;
    auto bar = OpenBar(0x1FF, &commands);
    ASSERT_TRUE(bar);
    bar->OnCaptureTime(1);  // no tray yet
    zovi::platform::ChildProcess::Options options;
    options.pipeStdout = true;
    auto tray = zovi::platform::ChildProcess::Start({ZOVI_TEST_BIN_DIR "/zovi_fake_tray"}, options);
    ASSERT_NE(tray, nullptr);
    auto readLine = [&] {
        std::string line;
        pollfd pfd{tray->StdoutFd(), POLLIN, 0};
        char c = 0;
        while (::poll(&pfd, 1, 20000) == 1 && ::read(tray->StdoutFd(), &c, 1) == 1 && c != '\n') line.push_back(c);
        return line;
    };
    ASSERT_EQ(readLine(), "ready");
    ASSERT_TRUE(DuiLib::test::WaitUntil([] { return FindWindowW(kTrayWindowClass, nullptr) != 0; }));
    std::thread encode([bar] {
        bar->OnCaptureTime(2);
        bar->OnCaptureTime(3601);
    });
    encode.join();
    EXPECT_EQ(readLine(), "ZVK_TRAYICONFLASH 2 0");
    EXPECT_EQ(readLine(), "ZVK_TRAYICONFLASH 3601 0");
    PostTrayTerminate();
    EXPECT_TRUE(tray->Wait(30000));
    ::DestroyWindow(bar->GetHWND());
}

}  // namespace
}  // namespace toolbar_test
