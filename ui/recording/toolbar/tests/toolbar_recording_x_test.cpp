// The recording toolbar with a real recording: started from code through the capture
// controller, the bar comes up, and clicks on it pause, mute, take a snapshot and stop,
// each visible in the output file; the tray's toolbar command hides and shows it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/global/global.h"
#include "core/traylink/tray_link.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/capture/tests/support/screen_painter.h"
#include "engine/capture/tests/support/tone_player.h"
#include "platform/base/utf8.h"
#include "platform/duilib/test/x_test_tools.h"
#include "ui/recording/capture_main/capture_window_hooks.h"
#include "ui/recording/capture_main/ui_capture_configure.h"
#include "tolka.h"
#include "ui/recording/toolbar/tests/toolbar_fixture.h"

namespace toolbar_test {
namespace {

namespace fs = std::filesystem;
using DuiLib::CUICaptureToolBar;
using zovi::engine::CCaptureController;

const std::vector<zovi::engine::SoundDeviceRecord> kSystemSound = {{L"Speakers", L"", false}};

std::string MapState(HWND hwnd) {
    std::string info;
    DuiLib::test::RunTool({"xwininfo", "-id", std::to_string(hwnd)}, &info);
    const size_t at = info.find("Map State: ");
    return at == std::string::npos ? "" : info.substr(at + 11, info.find('\n', at) - at - 11);
}

TEST_F(ToolBarXTest, ARecordingDrivenFromItsBar) {
    zovi::test::CScreenPainter painter;
    zovi::test::CTonePlayer tone;
    ASSERT_TRUE(painter.Ready());
    ASSERT_TRUE(tone.Running());
    tone.SetTone(true);
    CCaptureController* controller = CCaptureController::GetInstance();
    ASSERT_TRUE(controller->StartCapture(zovi::engine::CaptureSourceInfo(), 0, 0, kSystemSound));
    const auto started = std::chrono::steady_clock::now();
    const auto bar = ControllerBar();
    ASSERT_TRUE(bar);
    const HWND hwnd = bar->GetHWND();
    auto elapsed = [&] { return Ui([&] { return bar->ElapsedSeconds(); }); };
    auto muted = [&] { return controller->Engine()->IsAudioMute(); };
    int pausedAt = 0, muteAt = 0, unmuteAt = 0;
    Drive([&] {
        // Found by its class, as a person's tools find it.
        EXPECT_EQ(DuiLib::test::WaitForWindowOfClass("UICaptureToolBar"), hwnd);
        ASSERT_TRUE(WaitViewable(hwnd));
        // The label reads the recorded seconds.
        ASSERT_TRUE(WaitUi([&] { return Find(*bar, L"time")->GetText().str() == L"00:00:02"; }));
        KeepPicture(hwnd, "toolbar_recording");

        Click(hwnd, L"pause");
        ASSERT_TRUE(WaitUi([&] { return controller->GetState() == zovi::engine::kCapturePaused; }));
        pausedAt = elapsed();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        EXPECT_LE(elapsed(), pausedAt + 1);  // a paused recording counts no time
        Click(hwnd, L"pause");
        ASSERT_TRUE(WaitUi([&] { return controller->GetState() == zovi::engine::kCaptureRecording; }));

        ASSERT_TRUE(WaitUi([&] { return bar->ElapsedSeconds() >= pausedAt + 2; }));
        Click(hwnd, L"mic_open");
        ASSERT_TRUE(WaitUi(muted));
        muteAt = elapsed();
        KeepPicture(hwnd, "toolbar_recording_muted");
        ASSERT_TRUE(WaitUi([&] { return bar->ElapsedSeconds() >= muteAt + 2; }));
        Click(hwnd, L"mic_open");
        ASSERT_TRUE(WaitUi([&] { return !muted(); }));
        unmuteAt = elapsed();
        ASSERT_TRUE(WaitUi([&] { return bar->ElapsedSeconds() >= unmuteAt + 2; }));

        // The snapshot: a PNG, entered in the history, and a green flash.
        Click(hwnd, L"photo");
        EXPECT_TRUE(WaitUi([&] {
            for (const auto& item : HistoryHere())
                if (item->kind == zovi::engine::kHistorySnapshot) return true;
            return false;
        }));
        EXPECT_TRUE(WaitUi([&] { return Find(*bar, L"layout")->GetBkColor() == CUICaptureToolBar::kColourBar; }));

        Click(hwnd, L"stop");
        ASSERT_TRUE(WaitUi([&] { return !::IsWindow(hwnd); }));
        EXPECT_EQ(controller->GetState(), zovi::engine::kCaptureIdle);
    });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const auto history = HistoryHere();
    ASSERT_EQ(history.size(), 2u);  // the snapshot, then the recording
    EXPECT_EQ(history[0]->kind, zovi::engine::kHistorySnapshot);
    const auto snapshot = zovi::test::ProbeMedia(history[0]->path);
    ASSERT_TRUE(snapshot.opened) << history[0]->path;
    EXPECT_EQ(snapshot.videoCodec, "png");

    const std::string file = zovi::platform::EncodeUtf8Lossless(controller->CurrentOutputFileName());
    EXPECT_EQ(history[1]->path, file);
    const auto info = zovi::test::ProbeMedia(file);
    ASSERT_TRUE(info.opened) << file;
    // The two paused seconds are left out.
    EXPECT_NEAR(info.videoDuration, history[1]->duration, 1.2);
    EXPECT_LT(info.videoDuration, wall - 1.5);

    // The tone before the pause and after the unmute; silence while muted.
    const auto sound = zovi::test::DecodeSound(file);
    ASSERT_GT(sound.rate, 0);
    const auto at = [&](double seconds) { return static_cast<size_t>(seconds * sound.rate); };
    EXPECT_GT(zovi::test::ToneStrength(sound, 1000, at(0.5), at(pausedAt - 0.2)), 0.1);
    EXPECT_LT(zovi::test::Rms(sound, at(muteAt + 1.3), at(muteAt + 1.8)), 0.01) << "muted from " << muteAt;
    EXPECT_GT(zovi::test::ToneStrength(sound, 1000, at(unmuteAt + 1.3), at(unmuteAt + 1.9)), 0.1)
        << "unmuted from " << unmuteAt;
}

// With the program's own window hooks and main window: the tray's toolbar command hides
// the bar and shows it again, and the camera's close deselects the bar's camera button.
TEST_F(ToolBarXTest, TheTraysToolbarCommandAndTheCameraButton) {
    DuiLib::CUICaptureConfigure::SetCameraListForTesting([](std::vector<zovi::engine::DeviceEntry>*) {});
    GetGlobal().captureCountdown = 0;
    GetGlobal().captureEntrance = 0;
    auto hooks = CaptureWindowHooks::ShowCaptureMainWindow();
    ASSERT_TRUE(hooks);
    const HWND main = hooks->MainWindow()->GetHWND();
    CCaptureController* controller = CCaptureController::GetInstance();
    ASSERT_TRUE(controller->StartCapture(zovi::engine::CaptureSourceInfo(), 0, 0, {}));
    const auto bar = ControllerBar();
    ASSERT_TRUE(bar);
    const HWND hwnd = bar->GetHWND();
    const UINT showCapture = ::RegisterWindowMessageW(kMsgShowCapture);
    Drive([&] {
        ASSERT_TRUE(WaitViewable(hwnd));
        ::PostMessageW(main, showCapture, kCmdToolbar, 0);
        EXPECT_TRUE(DuiLib::test::WaitUntil([&] { return MapState(hwnd) == "IsUnMapped"; }));
        ::PostMessageW(main, showCapture, kCmdToolbar, 0);
        EXPECT_TRUE(DuiLib::test::WaitUntil([&] { return MapState(hwnd) == "IsViewable"; }));

        Ui([&] {
            Option(*bar, L"cam_open")->Selected(true, false);
            controller->CameraClose();
            return true;
        });
        EXPECT_FALSE(Ui([&] { return Option(*bar, L"cam_open")->IsSelected(); }));
        EXPECT_EQ(Ui([&] { return Find(*bar, L"cam_open")->GetToolTip().str(); }), TolkaGetString(25));
    });
    ::PostMessageW(main, showCapture, kCmdStop, 0);
    // A stop from elsewhere (here the hotkey's) closes the bar too, with no second stop:
    // one recording in the history.
    EXPECT_TRUE(LoopUntil([&] { return !::IsWindow(hwnd); }));
    EXPECT_EQ(HistoryHere().size(), 1u);
    ::DestroyWindow(main);
    LoopUntil([] { return false; }, 0.3);
    controller->SetWindows(windows);
    DuiLib::CUICaptureConfigure::SetCameraListForTesting(nullptr);
}

}  // namespace
}  // namespace toolbar_test
