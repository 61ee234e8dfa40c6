// The recorder with its capture main window, driven as a person would on the private X
// and sound servers: a region and a window recorded from the main window and stopped
// from the tray, the tray's commands and their analytics, the end of the session while
// recording, closing the window with and without the tray program.
#include <gtest/gtest.h>

#include <json/reader.h>
#include <json/value.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/tests/support/program_session.h"
#include "core/regvalues/reg_values.h"
#include "core/traylink/tray_link.h"
#include "engine/capture/tests/support/media_probe.h"
#include "online/tests/rest_test_service.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/window.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using DuiLib::test::WaitUntil;
using DuiLib::test::XGeometry;

namespace zovi::testing {
namespace {

constexpr unsigned long kMagenta = 0xFF00FF;

struct Event {
    std::string category, action, label;
};

std::vector<Event> EventsAt(CTestRestService& service) {
    std::vector<Event> events;
    for (const RestRequest& request : service.RequestsTo("/v1/app/event")) {
        Json::Value root;
        Json::Reader reader;
        if (!reader.parse(request.body, root) || !root.isObject()) continue;
        events.push_back({root["c"].asString(), root["a"].asString(), root["l"].asString()});
    }
    return events;
}

std::vector<std::string> TrayLabels(CTestRestService& service) {
    std::vector<std::string> labels;
    for (const Event& event : EventsAt(service)) {
        if (event.category == "tray" && event.action == "click") labels.push_back(event.label);
    }
    return labels;
}

std::uintmax_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : size;
}

class MainWindowProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
        ASSERT_TRUE(service_.Start());
        session_ = std::make_unique<ProgramSession>(service_.BaseUrl());
    }
    void TearDown() override { session_.reset(); }

    // Starts the program and waits for its main window.
    void StartProgram() {
        ASSERT_TRUE(session_->Start());
        main_ = session_->WaitForMainWindow();
        ASSERT_NE(main_, 0u) << "no main window";
        RECT frame{};
        ASSERT_TRUE(XGeometry(main_, &frame));
        EXPECT_EQ(frame.right - frame.left, mainLayout_.Size().cx);
        EXPECT_EQ(frame.bottom - frame.top, mainLayout_.Size().cy);
    }

    void Click(const wchar_t* name) { ASSERT_TRUE(ClickControl(main_, mainLayout_, name)) << name; }

    // "screen", then the region row's arrow; the selector's right edge dragged until its
    // hole is 640 x 360 (the 16:9 ratio it starts with keeps the height). The selector.
    HWND PickRegion() {
        Click(L"screen");
        Click(L"selRect");
        HWND selector = WaitForViewableWindow("UIScreenRectSelector");
        EXPECT_NE(selector, 0u) << "no region selector";
        if (!selector) return 0;
        RECT frame{};
        EXPECT_TRUE(WaitUntil([&] { return XGeometry(selector, &frame) && frame.right - frame.left == 600; }));
        const int y = (frame.top + frame.bottom) / 2;
        EXPECT_TRUE(DragScreen(POINT{frame.right - 2, y}, POINT{frame.right - 2 + 50, y}));
        EXPECT_TRUE(WaitUntil([&] {
            return XGeometry(selector, &frame) && frame.right - frame.left == 650 && frame.bottom - frame.top == 395;
        })) << "selector " << frame.right - frame.left << "x" << frame.bottom - frame.top;
        return selector;
    }

    // Waits until the recording's file exists and has grown past `bytes`.
    std::string WaitForRecording(std::uintmax_t bytes = 20000) {
        std::string file;
        EXPECT_TRUE(WaitUntil(
            [&] {
                const auto files = session_->Recordings();
                if (files.size() != 1) return false;
                file = files[0];
                return FileSize(file) > bytes;
            },
            60s))
            << "no recording grew in " << session_->VideoFolder();
        return file;
    }

    // The tray's stop: the main window comes back mapped and focused.
    void StopFromTray(FakeTray& tray) {
        tray.Command(main_, kCmdStop);
        EXPECT_TRUE(WaitUntil([&] { return IsShown(main_) && HasInputFocus(main_); }, 60s))
            << "the main window did not come back focused";
    }

    static void ExpectPlayable(const std::string& file, int width, int height) {
        const test::MediaInfo media = test::ProbeMedia(file);
        ASSERT_TRUE(media.opened) << file;
        EXPECT_EQ(media.videoStreams, 1);
        EXPECT_EQ(media.audioStreams, 1);
        EXPECT_EQ(media.width, width);
        EXPECT_EQ(media.height, height);
        EXPECT_GT(media.videoDuration, 0.5);
        EXPECT_GT(media.audioDuration, 0.5);
    }

    CTestRestService service_;
    std::unique_ptr<ProgramSession> session_;
    LayoutMap mainLayout_{L"CaptureConfigure.xml"};
    HWND main_ = 0;
};

// Screen, region, a drag in the selector, the start button with the countdown on: the
// main window goes at once, the layered countdown shows (its face a shape, not a
// square), the recording runs, the tray's stop brings the main window back focused, and
// the file has the hole's size with picture and sound.
TEST_F(MainWindowProgramTest, RegionRecordingWithTheCountdownStopsFromTheTray) {
    FakeTray tray;
    ASSERT_TRUE(tray.Exists());
    WriteRegDword(1, L"capture_countdown", nullptr);
    StartProgram();
    EXPECT_EQ(tray.CheckListener(main_), 1);
    SaveArtefact(main_, "main_window");

    HWND selector = PickRegion();
    ASSERT_NE(selector, 0u);
    SaveArtefact(selector, "region_selector");
    Click(L"btnStart");
    EXPECT_TRUE(WaitUntil([&] { return !IsShown(main_); }, 5s)) << "the main window stayed";
    HWND countdown = WaitForViewableWindow("UICountdownDlg", 5s);
    ASSERT_NE(countdown, 0u) << "no countdown";
    RECT frame{};
    ASSERT_TRUE(XGeometry(countdown, &frame));
    EXPECT_EQ(frame.right - frame.left, 128);
    EXPECT_EQ(frame.bottom - frame.top, 128);
    // Without a compositor the digit's opaque pixels make the window's shape.
    const std::vector<RECT> shape = BoundingShape(countdown);
    EXPECT_GT(shape.size(), 1u) << "the countdown is a plain square";
    SaveArtefact(countdown, "countdown");
    EXPECT_EQ(tray.CheckListener(main_), 1);  // answered while hidden

    const std::string file = WaitForRecording();
    EXPECT_FALSE(IsShown(countdown));
    EXPECT_FALSE(IsShown(main_));
    StopFromTray(tray);
    SaveArtefact(main_, "main_window_after_recording");
    EXPECT_EQ(session_->Recordings().size(), 1u);
    ExpectPlayable(file, 640, 360);

    Click(L"btnClose");
    ASSERT_TRUE(session_->WaitForExit(60));
    EXPECT_EQ(session_->Program()->ExitCode(), 0);
}

// A window picked in the picker is recorded while it moves: the pictures follow it.
TEST_F(MainWindowProgramTest, WindowRecordingFollowsTheWindowAsItMoves) {
    FakeTray tray;
    ColourWindow target("Zovi test target", 100, 120, 320, 240, kMagenta);
    ASSERT_NE(target.Handle(), 0u);
    StartProgram();

    Click(L"screen");
    Click(L"selWindow");
    HWND picker = WaitForViewableWindow("CaptureSource");
    ASSERT_NE(picker, 0u) << "no picker";
    EXPECT_EQ(tray.CheckListener(main_), 1);  // answered inside the picker's modal loop
    POINT tile{-1, -1};
    ASSERT_TRUE(WaitUntil([&] { return (tile = FindColourOnScreen(picker, kMagenta)).x >= 0; }))
        << "the target's thumbnail is not in the picker";
    ASSERT_TRUE(ClickScreen(tile));
    SaveArtefact(picker, "source_picker");
    RECT pickerFrame{};
    ASSERT_TRUE(XGeometry(picker, &pickerFrame));
    const LayoutMap pickerLayout(L"CaptureSource.xml", pickerFrame.right - pickerFrame.left,
                                 pickerFrame.bottom - pickerFrame.top);
    ASSERT_TRUE(ClickControl(picker, pickerLayout, L"btnOK"));
    ASSERT_TRUE(WaitUntil([&] { return !IsShown(picker); })) << "the picker stayed";

    Click(L"btnStart");
    EXPECT_TRUE(WaitUntil([&] { return !IsShown(main_); }, 10s));
    const std::string file = WaitForRecording();
    const std::uintmax_t before = FileSize(file);
    target.Move(900, 600);
    ASSERT_TRUE(WaitUntil([&] { return FileSize(file) > before + 4000; }, 60s));
    StopFromTray(tray);

    // 240 lines recommend the 360-line level: 320 x 240 scaled to 480 x 360.
    ExpectPlayable(file, 480, 360);
    const std::vector<test::Picture> pictures = test::DecodePictures(file);
    ASSERT_FALSE(pictures.empty());
    const test::Picture& last = pictures.back();
    const uint8_t* centre = last.At(last.width / 2, last.height / 2);
    EXPECT_GT(centre[0], 200);  // blue
    EXPECT_LT(centre[1], 60);   // green
    EXPECT_GT(centre[2], 200);  // red: still the magenta window after its move
}

// Every command of the tray menu and hotkeys through "ZVK_SHOWCAPTURE": its effect and
// its analytics event; pause and stop do nothing while idle; 32003 ends the program.
TEST_F(MainWindowProgramTest, TrayCommandsActAndReportTheirEvents) {
    FakeTray tray;
    StartProgram();
    ASSERT_NE(PickRegion(), 0u);

    struct Step {
        UINT id;
        const char* label;  // nullptr: no event
    };
    std::vector<std::string> expected;
    auto send = [&](const Step& step) {
        tray.Command(main_, step.id);
        if (step.label) {
            expected.push_back(step.label);
            EXPECT_TRUE(WaitUntil([&] { return TrayLabels(service_).size() >= expected.size(); }, 20s))
                << "no event for " << step.id;
        }
    };

    // Idle: open, pause and stop change nothing (no stop reaches the controller); the
    // camera toggle goes from "screen" to "screencam", which without a camera falls back.
    for (const Step& step : {Step{kCmdOpenMain, "open"}, Step{kCmdPause, "pause_record"}, Step{kCmdStop, "stop_record"},
                             Step{32001, nullptr}, Step{kCmdCamera, "toggle_camera"}})
        send(step);
    EXPECT_TRUE(IsShown(main_));
    EXPECT_FALSE(session_->LogHas("CCaptureController::Stop"));
    EXPECT_TRUE(session_->Recordings().empty());

    // Start, then the commands of a running recording; 32000 leaves the hidden window hidden.
    send({kCmdStart, "start_record"});
    const std::string file = WaitForRecording();
    for (const Step& step : {Step{kCmdOpenMain, "open"}, Step{kCmdStart, "start_record"}, Step{kCmdMicrophone, "toggle_voice"},
                             Step{kCmdToolbar, "toggle_toolbar"}, Step{kCmdPause, "pause_record"}})
        send(step);
    EXPECT_FALSE(IsShown(main_));
    EXPECT_EQ(session_->Recordings().size(), 1u);  // a second start did not start anything
    send({kCmdStop, "stop_record"});
    EXPECT_TRUE(WaitUntil([&] { return IsShown(main_); }, 60s));
    ExpectPlayable(file, 640, 360);

    for (const Step& step : {Step{kCmdSettings, "setting"}, Step{kCmdHomePage, "home_web"}}) send(step);
    send({kCmdExit, nullptr});
    ASSERT_TRUE(session_->WaitForExit(60)) << "32003 did not end the program";
    EXPECT_EQ(session_->Program()->ExitCode(), 0);
    EXPECT_EQ(TrayLabels(service_), expected);
}

// The program ended while recording, by the session's end (SIGTERM: the windows hear of
// it and say so) or by the tray's exit command: the recording is finished and playable,
// the settings saved, and the program ends with 0.
TEST_F(MainWindowProgramTest, EndWhileRecordingFinishesTheFile) {
    struct Case {
        const char* name;
        bool sessionEnd;  // else the tray's 32003
    } cases[] = {{"SIGTERM", true}, {"tray exit", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session_.reset();
        session_ = std::make_unique<ProgramSession>(service_.BaseUrl());
        FakeTray tray;
        ASSERT_TRUE(WriteRegString(L"EN-us", L"lang", nullptr));  // validation makes it "en-US"
        StartProgram();
        ASSERT_NE(PickRegion(), 0u);
        Click(L"btnStart");
        const std::string file = WaitForRecording();

        if (c.sessionEnd) {
            session_->Program()->Kill(SIGTERM);
        } else {
            tray.Command(main_, kCmdExit);
        }
        ASSERT_TRUE(session_->WaitForExit(60));
        EXPECT_EQ(session_->Program()->ExitCode(), 0);
        EXPECT_EQ(session_->LogHas("system end session stop capture!!!!"), c.sessionEnd);
        std::wstring lang;
        ASSERT_TRUE(ReadRegString(lang, L"lang", nullptr));
        EXPECT_EQ(lang, L"en-US");
        ExpectPlayable(file, 640, 360);
    }
}

// Closing the main window ends the program with 0 and saves the settings; the tray
// program is told to end only when "closeToTray" is 0.
TEST_F(MainWindowProgramTest, ClosingEndsTheProgramAndTheTrayUnlessItStays) {
    for (DWORD closeToTray : {0u, 1u}) {
        SCOPED_TRACE("closeToTray " + std::to_string(closeToTray));
        session_.reset();  // its environment restored before the next one sets its own
        session_ = std::make_unique<ProgramSession>(service_.BaseUrl());
        FakeTray tray;
        WriteRegDword(closeToTray, L"closeToTray", nullptr);
        WriteRegDword(0, L"CaptureEntrance", nullptr);
        StartProgram();
        Click(L"screen");
        Click(L"btnClose");
        ASSERT_TRUE(session_->WaitForExit(60));
        EXPECT_EQ(session_->Program()->ExitCode(), 0);
        tray.Pump();
        EXPECT_EQ(tray.Terminations(), closeToTray ? 0 : 1);
        DWORD entrance = 99;
        EXPECT_TRUE(ReadRegDword(entrance, L"CaptureEntrance", nullptr, false));
        EXPECT_EQ(entrance, 1u) << "the tab chosen was not saved";
    }
}

// With no tray program running the recorder starts the real one; closing the main window
// (closeToTray 0) ends it again.
TEST_F(MainWindowProgramTest, StartsTheTrayProgramWhenNoneRunsAndEndsItOnClose) {
    // A tray program another test's recorder left running on this display is told to end
    // first (one still retrying its icon takes a while to hear it).
    for (int attempt = 0; attempt < 3; ++attempt) {
        HWND left = FindWindowW(kTrayWindowClass, nullptr);
        if (!left) break;
        PostMessageW(left, RegisterWindowMessageW(kMsgTrayTerminate), 0, 0);
        WaitUntil([left] { return !IsWindow(left); }, 30s);
    }
    ASSERT_EQ(FindWindowW(kTrayWindowClass, nullptr), 0u) << "a tray program runs already and does not end";
    StartProgram();
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(kTrayWindowClass, nullptr) != 0; }, 30s)) << "no tray program";
    Click(L"btnClose");
    ASSERT_TRUE(session_->WaitForExit(60));
    EXPECT_EQ(session_->Program()->ExitCode(), 0);
    const bool ended = WaitUntil([] { return FindWindowW(kTrayWindowClass, nullptr) == 0; }, 30s);
    EXPECT_TRUE(ended) << "the tray program stayed";
    // Its hotkeys must not outlive the test.
    if (HWND stayed = FindWindowW(kTrayWindowClass, nullptr))
        PostMessageW(stayed, RegisterWindowMessageW(kMsgTrayTerminate), 0, 0);
}

}  // namespace
}  // namespace zovi::testing
