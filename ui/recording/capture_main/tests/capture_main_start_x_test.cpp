// The start flow of the capture main window, driven as a person does: the resolution and
// the sound devices a start passes, a real region recording, the countdown, the messages
// of the failed starts, and the tray's commands while a recording runs.
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/global/global.h"
#include "core/traylink/tray_link.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/controller/capture_controller.h"
#include "platform/base/utf8.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/process/process.h"
#include "tolka.h"
#include "ui/recording/capture_main/tests/capture_main_fixture.h"

namespace capture_main_test {
namespace {

namespace fs = std::filesystem;
using zovi::engine::CCaptureController;
using zovi::engine::SoundDeviceRecord;

std::string Describe(const std::vector<SoundDeviceRecord>& devices) {
    std::string text;
    for (const auto& d : devices)
        text += "{" + zovi::platform::EncodeUtf8Lossless(d.identifier) + "," + std::to_string(d.isMicrophone) + "}";
    return text;
}

// The screen centre of the first tile of the open picker whose title is `title` (any
// tile for ""), read on the UI thread; {-1, -1} when there is none.
POINT TileCentre(HWND picker, const std::wstring& title) {
    auto* base = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(picker));
    if (!base) return {-1, -1};
    std::vector<DuiLib::CControlUI*> pending{base->GetPaintManager().GetRoot()};
    while (!pending.empty()) {
        DuiLib::CControlUI* control = pending.back();
        pending.pop_back();
        if (!control) continue;
        auto* option = static_cast<DuiLib::COptionUI*>(control->GetInterface(L"Option"));
        if (option && option->GetGroup() == L"source" && (title.empty() || option->GetText().str() == title) &&
            option->GetPos().right > option->GetPos().left) {
            const RECT rc = option->GetPos();
            POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
            ::ClientToScreen(picker, &pt);
            return pt;
        }
        if (auto* container = static_cast<DuiLib::CContainerUI*>(control->GetInterface(L"Container")))
            for (int i = 0; i < container->GetCount(); ++i) pending.push_back(container->GetItemAt(i));
    }
    return {-1, -1};
}

class CaptureMainStartTest : public CaptureMainXTest {
protected:
    // On the driver thread: opens the picker with `arrow`, clicks the tile titled `title`
    // (the first for "") and OK.
    void PickSource(const wchar_t* arrow, const std::wstring& title) {
        ClickControl(arrow);
        const HWND picker = DuiLib::test::WaitForWindowOfClass("CaptureSource");
        ASSERT_NE(picker, 0u);
        ChooseTile(picker, title);
    }
    // On the driver thread: clicks the tile and then OK in the open picker.
    void ChooseTile(HWND picker, const std::wstring& title) {
        ASSERT_TRUE(WaitViewable(picker));
        // OK is enabled once a tile is chosen. The tiles are laid out with the picker's
        // first paint, which a slow machine may not have done yet: the click is repeated
        // at the tile's place once it has one.
        auto chosen = [picker] {
            auto* base = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(picker));
            DuiLib::CControlUI* ok = base ? base->GetPaintManager().FindControl(L"btnOK") : nullptr;
            return ok && ok->IsEnabled();
        };
        bool done = false;
        for (int attempt = 0; attempt < 5 && !done; ++attempt) {
            POINT tile{-1, -1};
            ASSERT_TRUE(WaitUi([&] {
                tile = TileCentre(picker, title);
                return tile.x >= 0;
            }));
            DuiLib::test::Xdotool({"mousemove", std::to_string(tile.x), std::to_string(tile.y), "click", "1"});
            done = WaitUi(chosen, 3);
        }
        ASSERT_TRUE(done);
        ClickControlOf(picker, L"btnOK");
        ASSERT_TRUE(WaitUi([picker] { return !::IsWindow(picker); }));
    }
    // On the driver thread: the region selector's hole on screen once it is shown.
    RECT ShowRegion() {
        ClickControl(L"selRect");
        RECT hole{};
        EXPECT_TRUE(WaitUi([&] {
            auto selector = window->GetRectSelector();
            RECT rc{};
            if (!selector || !::IsWindowVisible(selector->GetHWND()) || !::GetWindowRect(selector->GetHWND(), &rc))
                return false;
            hole = {rc.left + 5, rc.top + 30, rc.right - 5, rc.bottom - 5};
            return true;
        }));
        return hole;
    }
    int32_t State() { return CCaptureController::GetInstance()->GetState(); }
    // The recordings written into the test's folder.
    std::vector<fs::path> Recordings() {
        std::vector<fs::path> files;
        if (fs::exists(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                if (entry.is_regular_file()) files.push_back(entry.path());
        return files;
    }
};

TEST_F(CaptureMainStartTest, TheResolutionAndTheSoundDevicesOfAStart) {
    OpenWindow();
    const struct {
        int row;  // of "comHD", -1 for none
        int size;
    } sizes[] = {{0, 4}, {4, 0}, {2, 2}, {-1, 2}};
    for (const auto& c : sizes) {
        SCOPED_TRACE(c.row);
        if (c.row >= 0) {
            PickRow(L"comHD", c.row);
        } else {
            Combo(L"comHD")->RemoveAll();
        }
        EXPECT_EQ(window->GetCaptureSize(), c.size);
    }

    const std::vector<std::wstring> mics = RowTexts(L"comMic");
    int standIn = -1;
    for (size_t i = 0; i < mics.size(); ++i)
        if (mics[i] == L"Microphone") standIn = static_cast<int>(i);
    ASSERT_GT(standIn, 0);
    const int noMic = static_cast<int>(mics.size()) - 1;
    const struct {
        DWORD systemSound;
        int micRow;
        std::string devices;
    } params[] = {{1, noMic, "{,0}"},
                  {0, 0, "{,1}"},
                  {0, noMic, ""},
                  {1, standIn, "{,0}{zovi_mic,1}"}};
    for (const auto& c : params) {
        SCOPED_TRACE(c.micRow);
        GetGlobal().captureDesktopAudio = c.systemSound;
        PickRow(L"comMic", c.micRow);
        std::vector<SoundDeviceRecord> devices;
        EXPECT_EQ(window->FillStartParams(devices), c.micRow != noMic);
        EXPECT_EQ(Describe(devices), c.devices);
    }
}

TEST_F(CaptureMainStartTest, ARegionRecordingStartsInsideTheClickAndMakesAFileOfTheRegionsSize) {
    OpenWindow();
    RECT hole{};
    Drive([&] {
        ShowRegion();
        EXPECT_TRUE(Ui([&] { return Option(L"icon_Rect")->IsSelected() && !window->GetChosenSource(); }));
        // A hole of 640 x 360, which recommends (and records at) 360P: the file has the
        // region's own size.
        const HWND selector = Ui([&] { return window->GetRectSelector()->GetHWND(); });
        DuiLib::test::Xdotool({"windowsize", std::to_string(selector), "650", "395"});
        ASSERT_TRUE(WaitUi([&] {
            RECT rc{};
            return ::GetWindowRect(selector, &rc) && rc.right - rc.left == 650 && rc.bottom - rc.top == 395 &&
                   RowTexts(L"comHD")[4] == L"360P (default)" && CurSel(L"comHD") == 4;
        }));
        Ui([&] { return ::GetWindowRect(selector, &hole); });
        hole = {hole.left + 5, hole.top + 30, hole.right - 5, hole.bottom - 5};
        ClickControl(L"btnStart");
        // The click has been handled once the window has been hidden by the start.
        ASSERT_TRUE(WaitUi([&] { return !windows->mainWindowShown.empty(); }));
        EXPECT_EQ(Ui([&] { return State(); }), zovi::engine::kCaptureRecording);
        EXPECT_FALSE(Ui([&] { return ::IsWindowVisible(Hwnd()) != FALSE; }));
        EXPECT_FALSE(Ui([&] { return window->GetRectSelector()->AreSizeControlsShown(); }));
    });
    LoopUntil([] { return false; }, 1.2);  // about a second of recording
    CCaptureController::GetInstance()->Stop();
    EXPECT_EQ(State(), zovi::engine::kCaptureIdle);
    EXPECT_TRUE(::IsWindowVisible(Hwnd()));
    EXPECT_TRUE(window->GetRectSelector()->AreSizeControlsShown());
    const std::vector<fs::path> files = Recordings();
    ASSERT_EQ(files.size(), 1u);
    const zovi::test::MediaInfo media = zovi::test::ProbeMedia(files[0].string());
    ASSERT_TRUE(media.opened);
    EXPECT_EQ(media.videoStreams, 1);
    EXPECT_EQ(media.audioStreams, 1);  // the system sound and the default microphone, mixed
    EXPECT_GT(media.videoFrames, 5);
    EXPECT_EQ(media.width, hole.right - hole.left);
    EXPECT_EQ(media.height, hole.bottom - hole.top);
    EXPECT_EQ(media.width, 640);
    EXPECT_EQ(media.height, 360);
}

TEST_F(CaptureMainStartTest, WithoutAUsableSourceTheStartAsksForOne) {
    OpenWindow();
    Drive([&] {
        // Nothing chosen yet; Enter starts as the button does.
        ASSERT_TRUE(WaitUi([&] { return ::GetFocus() == Hwnd(); }));
        DuiLib::test::Xdotool({"key", "Return"});
        EXPECT_EQ(AnswerMessageBox(), TolkaGetString(38));
        // A monitor, then the region, then the camera-only mode and back: no row and no
        // source are left. Meanwhile the tray's listener check is answered, also while
        // the picker runs modally.
        ClickControl(L"selDesktop");
        ASSERT_NE(DuiLib::test::WaitForWindowOfClass("CaptureSource"), 0u);
        std::string answer;
        DuiLib::test::RunTool({ZOVI_SEND_PEER, "CaptureMainWnd", "ZVK_CHECKLISTENER"}, &answer);
        EXPECT_EQ(answer, "result 1\n");
        ChooseTile(DuiLib::test::WaitForWindowOfClass("CaptureSource"), L"");
        if (HasFatalFailure()) return;
        EXPECT_TRUE(Ui([&] {
            return Option(L"icon_desktop")->IsSelected() && window->GetChosenSource() &&
                   Find(L"desktop_lb_2")->GetText().str() == window->GetChosenSource()->title;
        }));
        WaitUi([] { return true; });
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(Hwnd(), ArtefactPath("capture_main_monitor_picked.png")));
        ShowRegion();
        EXPECT_TRUE(Ui([&] { return Find(L"desktop_lb_2")->GetText().IsEmpty() && !window->GetChosenSource(); }));
        ClickControl(L"cam");
        ASSERT_TRUE(WaitUi([&] { return SelectedTab() == L"cam" && !window->GetRectSelector(); }));
        ClickControl(L"screen");
        ASSERT_TRUE(WaitUi([&] { return SelectedTab() == L"screen"; }));
        ClickControl(L"btnStart");
        EXPECT_EQ(AnswerMessageBox(), TolkaGetString(38));
        // Camera only, with no camera.
        ClickControl(L"cam");
        ASSERT_TRUE(WaitUi([&] { return SelectedTab() == L"cam"; }));
        ClickControl(L"btnStart");
        EXPECT_EQ(AnswerMessageBox(), TolkaGetString(40));
    });
    EXPECT_EQ(State(), zovi::engine::kCaptureIdle);
}

TEST_F(CaptureMainStartTest, AnEmptyRegionFailsAfterTheCountdownWithTheWindowBack) {
    GetGlobal().captureCountdown = 1;
    OpenWindow();
    Drive([&] {
        ShowRegion();
        // Dragged down to nothing: the hole is no pixels high.
        const HWND selector = Ui([&] { return window->GetRectSelector()->GetHWND(); });
        DuiLib::test::Xdotool({"windowsize", std::to_string(selector), "600", "35"});
        ASSERT_TRUE(WaitUi([&] {
            RECT rc{};
            return ::GetWindowRect(selector, &rc) && rc.bottom - rc.top == 35;
        }));
        ClickControl(L"btnStart");
        // The window goes at once and the countdown shows.
        EXPECT_TRUE(WaitUi([&] { return !::IsWindowVisible(Hwnd()); }));
        const HWND countdown = DuiLib::test::WaitForWindowOfClass("UICountdownDlg");
        EXPECT_NE(countdown, 0u);
        // After it, the window is back (shown, focused) under the message.
        const HWND box = DuiLib::test::WaitForWindowOfClass("UIMsgBox");
        ASSERT_NE(box, 0u);
        EXPECT_TRUE(Ui([&] { return ::IsWindowVisible(Hwnd()) != FALSE; }));
        EXPECT_FALSE(Ui([&] { return ::IsWindowVisible(countdown) != FALSE; }));
        EXPECT_EQ(AnswerMessageBox(), TolkaGetString(39));
    });
    EXPECT_EQ(State(), zovi::engine::kCaptureIdle);
    EXPECT_TRUE(::IsWindowVisible(Hwnd()));
    EXPECT_TRUE(Recordings().empty());
}

TEST_F(CaptureMainStartTest, AWindowThatClosedAfterItWasPickedFails) {
    OpenWindow();
    auto helper = zovi::platform::ChildProcess::Start(
        {"/usr/bin/xmessage", "-title", "Zovi Helper", "a window to record"}, {});
    ASSERT_TRUE(helper);
    Drive([&] {
        std::string found;
        ASSERT_TRUE(DuiLib::test::WaitUntil([&] {
            return DuiLib::test::Xdotool({"search", "--onlyvisible", "--name", "Zovi Helper"}, &found) && !found.empty();
        }));
        PickSource(L"selWindow", L"Zovi Helper");
        if (HasFatalFailure()) return;
        EXPECT_TRUE(Ui([&] {
            return Option(L"icon_window")->IsSelected() && Find(L"window_lb_2")->GetText().str() == L"Zovi Helper";
        }));
        const HWND picked = Ui([&] { return window->GetChosenSource()->window; });
        helper->Kill(15);
        helper->Wait(10'000);
        ASSERT_TRUE(DuiLib::test::WaitUntil([&] { return !::IsWindow(picked); }));
        ClickControl(L"btnStart");
        EXPECT_EQ(AnswerMessageBox(), TolkaGetString(39));
    });
    EXPECT_EQ(State(), zovi::engine::kCaptureIdle);
    EXPECT_TRUE(windows->mainWindowShown.empty());
}

TEST_F(CaptureMainStartTest, TheTraysCommandsDuringARecording) {
    OpenWindow();
    const UINT showCapture = ::RegisterWindowMessageW(kMsgShowCapture);
    auto command = [&](UINT id) { ::PostMessageW(Hwnd(), showCapture, id, 0); };
    Drive([&] {
        PickSource(L"selDesktop", L"");
        if (HasFatalFailure()) return;
        command(kCmdStart);
        ASSERT_TRUE(WaitUi([&] { return State() == zovi::engine::kCaptureRecording; }));
        EXPECT_FALSE(Ui([&] { return ::IsWindowVisible(Hwnd()) != FALSE; }));
        command(kCmdOpenMain);  // raises, never maps the hidden window
        command(kCmdStart);     // recording already
        command(kCmdPause);
        ASSERT_TRUE(WaitUi([&] { return State() == zovi::engine::kCapturePaused; }));
        EXPECT_FALSE(Ui([&] { return ::IsWindowVisible(Hwnd()) != FALSE; }));
        command(kCmdStart);  // resumes
        ASSERT_TRUE(WaitUi([&] { return State() == zovi::engine::kCaptureRecording; }));
        const bool muted = Ui([] { return CCaptureController::GetInstance()->Engine()->IsAudioMute(); });
        command(kCmdMicrophone);
        EXPECT_TRUE(WaitUi([&] { return CCaptureController::GetInstance()->Engine()->IsAudioMute() != muted; }));
        command(kCmdStop);
        ASSERT_TRUE(WaitUi([&] { return State() == zovi::engine::kCaptureIdle; }));
        EXPECT_TRUE(WaitUi([&] { return ::IsWindowVisible(Hwnd()) != FALSE; }));
        // A second stop has nothing left to stop: no second record, no second history window.
        command(kCmdStop);
        command(kCmdPause);
        WaitUi([] { return true; });
        WaitUi([] { return true; });
    });
    LoopUntil([] { return false; }, 0.3);
    EXPECT_EQ(State(), zovi::engine::kCaptureIdle);
    EXPECT_EQ(windows->historyWindows.load(), 1);
    EXPECT_EQ(windows->mainWindowShown, (std::vector<bool>{false, true}));
    EXPECT_EQ(Recordings().size(), 1u);
}

}  // namespace
}  // namespace capture_main_test
