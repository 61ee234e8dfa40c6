// The capture main window as a person uses it, on the test X server: its combos list the
// machine's devices and the meter follows the microphone; the tabs and the camera combo
// follow each other; the tray's commands; closing; the language change.
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/global/global.h"
#include "core/tolka/tolka_base.h"
#include "core/traylink/tray_link.h"
#include "engine/controller/capture_controller.h"
#include "platform/base/utf8.h"
#include "platform/base/wformat.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/process/child_io.h"
#include "platform/process/process.h"
#include "tolka.h"
#include "ui/recording/capture_main/tests/capture_main_fixture.h"
#include "ui/recording/level_meter/option_ui_ex.h"

namespace capture_main_test {
namespace {

using zovi::engine::CCaptureController;

// A 1 kHz tone (or silence) played into the microphone stand-in's sink, from a child.
class CMicTone {
public:
    CMicTone() {
        const char* sink = std::getenv("ZOVI_MIC_SINK");
        zovi::platform::ChildProcess::Options options;
        options.pipeStdin = true;
        options.pipeStdout = true;
        child_ = zovi::platform::ChildProcess::Start({ZOVI_TONE_PROGRAM, sink ? sink : ""}, options);
        char ready[6] = {};
        running_ = child_ && zovi::platform::ReadFull(child_->StdoutFd(), ready, sizeof ready) == sizeof ready;
    }
    ~CMicTone() {
        if (!child_) return;
        child_->CloseStdin();
        if (!child_->Wait(5000)) {
            child_->Kill(9);
            child_->Wait(-1);
        }
    }
    bool Running() const { return running_; }
    void Set(bool on) { zovi::platform::WriteAll(child_->StdinFd(), on ? "1" : "0", 1); }

private:
    std::unique_ptr<zovi::platform::ChildProcess> child_;
    bool running_ = false;
};

int IndexOf(const std::vector<std::wstring>& rows, const std::wstring& text) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == text) return static_cast<int>(i);
    return -1;
}

TEST_F(CaptureMainXTest, TheCombosListTheDevicesAndTheMeterFollowsTheMicrophone) {
    OpenWindow();
    EXPECT_EQ(RowTexts(L"comCam"), std::vector<std::wstring>{L"No Camera"});
    EXPECT_EQ(CurSel(L"comCam"), 0);
    EXPECT_EQ(SelectedTab(), L"screen") << "no camera: start-up ends on screen only";
    const std::vector<std::wstring> mics = RowTexts(L"comMic");
    ASSERT_GE(mics.size(), 3u);
    EXPECT_EQ(mics.front(), L"System Default Mic");
    EXPECT_EQ(mics.back(), L"No Mic");
    const int standIn = IndexOf(mics, L"Microphone");
    ASSERT_GT(standIn, 0) << "the microphone stand-in of the test sound server";
    EXPECT_EQ(Combo(L"comMic")->GetItemAt(standIn)->GetUserData().str(), L"zovi_mic");
    EXPECT_EQ(CurSel(L"comMic"), 0);
    EXPECT_EQ(RowTexts(L"comHD"), (std::vector<std::wstring>{L"2K", L"1080P", L"720P (default)", L"480P", L"360P"}));
    EXPECT_EQ(CurSel(L"comHD"), 2);

    DuiLib::COptionUIEx* meter = window->GetLevelMeter();
    ASSERT_NE(meter, nullptr);
    PickRow(L"comMic", standIn);
    EXPECT_TRUE(Option(L"icon_mic")->IsSelected());
    // Silence from the stand-in: the meter empties.
    EXPECT_TRUE(LoopUntil([&] { return meter->GetLevel() == 0.0f; }));
    CMicTone tone;
    ASSERT_TRUE(tone.Running());
    tone.Set(true);
    EXPECT_TRUE(LoopUntil([&] { return meter->GetLevel() > 0.5f; })) << meter->GetLevel();
    // "No Mic": the test stops and the meter shows nothing, though the tone plays on.
    Drive([&] { PickRowWithKeys(L"comMic", static_cast<int>(mics.size()) - 1); });
    EXPECT_FALSE(Option(L"icon_mic")->IsSelected());
    EXPECT_TRUE(LoopUntil([&] { return meter->GetLevel() == 0.0f; }));
    bool moved = false;
    LoopUntil([&] {
        moved = moved || meter->GetLevel() != 0.0f;
        return false;
    }, 1.0);
    EXPECT_FALSE(moved);
}

// One step of the tab and camera table: what the person does, and what follows.
struct TabStep {
    const wchar_t* click;  // a tab to click, or null to pick the camera row `pick`
    int pick;
    const wchar_t* tab;
    bool cameraRow;   // a camera (not "No Camera") is selected
    bool cameraOpen;  // the controller opened it
    int height;       // of the window
};

TEST_F(CaptureMainXTest, TheTabsAndTheCameraFollowEachOtherWithoutALoop) {
    const struct {
        bool camera;
        DWORD savedEntrance;
        const wchar_t* startTab;
        int startHeight;
        std::vector<TabStep> steps;
    } cases[] = {
        {false, 0, L"screen", 560,
         {{L"screencam", 0, L"screencam", false, false, 560},
          {L"cam", 0, L"cam", false, false, 390},
          {L"screen", 0, L"screen", false, false, 560}}},
        {true, 0, L"screencam", 560,
         {{L"screen", 0, L"screen", false, false, 560},
          {L"cam", 0, L"cam", true, true, 390},
          {L"screencam", 0, L"screencam", true, true, 560},
          {nullptr, 1, L"screen", false, false, 560},   // "No Camera"
          {nullptr, 0, L"screencam", true, true, 560}}},
        {true, 1, L"screen", 560, {}},
        // A saved camera-only mode survives start-up where there is a camera.
        {true, 2, L"cam", 390, {{L"screen", 0, L"screen", false, false, 560}}},
        {false, 2, L"screen", 560, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "camera " << c.camera << ", saved mode " << c.savedEntrance);
        GetGlobal().captureEntrance = c.savedEntrance;
        SetCamera(c.camera);
        OpenWindow();
        auto height = [this] {
            RECT rc{};
            ::GetWindowRect(Hwnd(), &rc);
            return static_cast<int>(rc.bottom - rc.top);
        };
        auto state = [&] {
            DuiLib::CComboUI* cameras = Combo(L"comCam");
            DuiLib::CControlUI* row = cameras->GetItemAt(cameras->GetCurSel());
            return std::make_tuple(SelectedTab(), row && row->GetTag() == 16, windows->cameraViewOpen, height(),
                                   Find(L"layoutSrc")->IsVisible());
        };
        EXPECT_EQ(SelectedTab(), c.startTab);
        EXPECT_EQ(height(), c.startHeight);
        // The mode now in force is the saved one.
        EXPECT_EQ(GetGlobal().captureEntrance, std::wstring(c.startTab) == L"screencam" ? 0u
                                               : std::wstring(c.startTab) == L"screen"  ? 1u
                                                                                        : 2u);
        for (const TabStep& step : c.steps) {
            SCOPED_TRACE(step.click ? zovi::platform::EncodeUtf8Lossless(step.click) : "pick " + std::to_string(step.pick));
            if (step.click) {
                Drive([&] {
                    ClickControl(step.click);
                    WaitUi([&] { return SelectedTab() == step.tab; });
                });
            } else {
                Drive([&] { PickRowWithKeys(L"comCam", step.pick); });
            }
            // The named events the controller raised are delivered too.
            LoopUntil([] { return false; }, 0.2);
            EXPECT_EQ(state(), std::make_tuple(std::wstring(step.tab), step.cameraRow, step.cameraOpen, step.height,
                                               step.height == 560));
            EXPECT_EQ(DuiLib::CUICaptureConfigure::IsSourceAreaHidden(), step.height != 560);
        }
        CloseWindow();
    }
}

TEST_F(CaptureMainXTest, TrayCommandsDoWhatTheStateAllows) {
    SetCamera(true);
    OpenWindow();
    CCaptureController* controller = CCaptureController::GetInstance();
    const UINT showCapture = ::RegisterWindowMessageW(kMsgShowCapture);
    auto command = [&](UINT id) {
        ::PostMessageW(Hwnd(), showCapture, id, 0);
        LoopUntil([] { return false; }, 0.3);
    };
    // Idle: pause and stop do nothing (no history window, no record); a camera toggle
    // switches the mode; the microphone toggle has no recording to mute.
    command(kCmdPause);
    EXPECT_EQ(controller->GetState(), zovi::engine::kCaptureIdle);
    command(kCmdStop);
    EXPECT_EQ(windows->historyWindows.load(), 0);
    EXPECT_TRUE(windows->mainWindowShown.empty());
    command(kCmdMicrophone);
    EXPECT_EQ(SelectedTab(), L"screencam");
    command(kCmdCamera);
    EXPECT_EQ(SelectedTab(), L"screen");
    EXPECT_FALSE(windows->cameraViewOpen);
    command(kCmdCamera);
    EXPECT_EQ(SelectedTab(), L"screencam");
    EXPECT_TRUE(windows->cameraViewOpen);
    command(32001);  // not a command of this window
    command(kCmdToolbar);  // no toolbar while idle
    // "Open" raises the window but never maps a hidden one.
    command(kCmdOpenMain);
    EXPECT_TRUE(::IsWindowVisible(Hwnd()));
    window->ShowWindow(false, false);
    command(kCmdOpenMain);
    command(kCmdSettings);
    EXPECT_FALSE(::IsWindowVisible(Hwnd()));
    std::string mapState;
    DuiLib::test::RunTool({"xwininfo", "-id", std::to_string(Hwnd())}, &mapState);
    EXPECT_NE(mapState.find("IsUnMapped"), std::string::npos) << mapState;
    window->ShowWindow(true, true);
    // Exit closes the window, which ends the program's loop.
    command(kCmdExit);
    EXPECT_FALSE(::IsWindow(Hwnd()));
}

// A window standing in for the tray program's: it counts the terminate messages.
class CTrayStandIn : public DuiLib::WindowImplBaseImpl {
public:
    const wchar_t* GetWindowClassName() const override { return kTrayWindowClass; }
    DuiLib::CDuiString GetSkinFile() override { return L"<Window size=\"10,10\"><Control/></Window>"; }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL&) override {
        if (uMsg == terminate && terminate != 0) ++terminates;
        return 0;
    }
    UINT terminate = ::RegisterWindowMessageW(kMsgTrayTerminate);
    int terminates = 0;
};

TEST_F(CaptureMainXTest, ClosingEndsTheTrayProgramUnlessItIsToStay) {
    CTrayStandIn tray;
    ASSERT_NE(tray.Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0), 0u);
    for (const DWORD closeToTray : {1u, 0u}) {
        SCOPED_TRACE(closeToTray);
        GetGlobal().closeToTray = closeToTray;
        tray.terminates = 0;
        OpenWindow();
        // Escape does not close it; the close button does.
        Drive([&] {
            ASSERT_TRUE(WaitUi([&] { return ::GetFocus() == Hwnd(); }));
            DuiLib::test::Xdotool({"key", "Escape"});
        });
        LoopUntil([] { return false; }, 0.3);
        ASSERT_TRUE(::IsWindowVisible(Hwnd()));
        Drive([&] {
            ClickControl(L"btnClose");
            WaitUi([&] { return !::IsWindow(Hwnd()); });
        });
        EXPECT_FALSE(::IsWindow(Hwnd()));
        LoopUntil([&] { return tray.terminates > 0; }, closeToTray ? 0.5 : 10);
        EXPECT_EQ(tray.terminates, closeToTray ? 0 : 1);
        window.reset();
    }
    ::DestroyWindow(tray);
}

TEST_F(CaptureMainXTest, AnotherProcessHearsTheListenerAnswerOne) {
    OpenWindow();
    std::string output;
    Drive([&] {
        DuiLib::test::RunTool({ZOVI_SEND_PEER, "CaptureMainWnd", "ZVK_CHECKLISTENER"}, &output);
    });
    EXPECT_EQ(output, "result 1\n");
}

// The bound texts of the window (control name, string id).
const std::pair<const wchar_t*, std::uint32_t> kBoundTexts[] = {
    {L"btnStart", 7},         {L"title", 1},         {L"tab_screencam_title", 2}, {L"tab_screen_title", 3},
    {L"tab_cam_title", 4},    {L"source_area_title", 9}, {L"device_title", 10},   {L"desktop_lb_1", 12},
    {L"window_lb_1", 11},     {L"rect_lb_1", 13},    {L"optCapDesktp", 16}};

TEST_F(CaptureMainXTest, ALanguageChangeRetextsTheWindowAndRefillsTheCombos) {
    OpenWindow();
    auto checkTexts = [&](const char* language) {
        SCOPED_TRACE(language);
        for (const auto& [name, id] : kBoundTexts) {
            ASSERT_NE(Find(name), nullptr) << zovi::platform::EncodeUtf8Lossless(name);
            EXPECT_EQ(Find(name)->GetText().str(), std::wstring(TolkaGetString(id)))
                << zovi::platform::EncodeUtf8Lossless(name);
        }
        const std::wstring preferred = zovi::platform::FormatWide(TolkaGetString(15), L"720P");
        EXPECT_EQ(RowTexts(L"comHD")[2], preferred);
        EXPECT_EQ(CurSel(L"comHD"), 2);
        EXPECT_EQ(RowTexts(L"comCam").back(), std::wstring(TolkaGetString(6)));
        EXPECT_EQ(RowTexts(L"comMic").front(), std::wstring(TolkaGetString(20)));
        EXPECT_EQ(RowTexts(L"comMic").back(), std::wstring(TolkaGetString(5)));
        // Tooltips keep the language the window was made in.
        EXPECT_EQ(Find(L"btnClose")->GetToolTip().str(), L"Close");
        EXPECT_EQ(Find(L"cam")->GetToolTip().str(), L"Camera Only");
    };
    checkTexts("English");
    // A resolution picked by the person is replaced by the recommendation again.
    PickRow(L"comHD", 0);
    LoopUntil([] { return false; }, 0.3);  // painted before the picture is taken
    Drive([&] {
        WaitUi([] { return true; });
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(Hwnd(), ArtefactPath("capture_main_english.png")));
    });
    ChangeTolkaLanguage(GetGlobal().lang, L"zh-CN");
    ASSERT_TRUE(LoopUntil([&] { return Find(L"btnStart")->GetText().str() == TolkaGetString(7); }));
    LoopUntil([] { return false; }, 0.3);
    checkTexts("Chinese");
    EXPECT_EQ(GetGlobal().lang, L"zh-CN");
    Drive([&] {
        WaitUi([] { return true; });
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(Hwnd(), ArtefactPath("capture_main_chinese.png")));
    });
    ChangeTolkaLanguage(GetGlobal().lang, L"en-US");
    LoopUntil([&] { return Find(L"btnStart")->GetText().str() == L"Start Recording"; });
}

TEST_F(CaptureMainXTest, EachTabOnScreen) {
    SetCamera(true);
    OpenWindow();
    for (const wchar_t* tab : {L"screencam", L"screen", L"cam"}) {
        const std::string name = zovi::platform::EncodeUtf8Lossless(tab);
        Drive([&] {
            ClickControl(tab);
            ASSERT_TRUE(WaitUi([&] { return SelectedTab() == tab; }));
            // Drawn as laid out: a picture of the new size.
            RECT rc{};
            ASSERT_TRUE(WaitUi([&] {
                return DuiLib::test::XGeometry(Hwnd(), &rc) && rc.bottom - rc.top == (name == "cam" ? 390 : 560);
            }));
            WaitUi([] { return true; });
            EXPECT_TRUE(DuiLib::test::SaveWindowPng(Hwnd(), ArtefactPath("capture_main_tab_" + name + ".png")));
        });
    }
}

}  // namespace
}  // namespace capture_main_test
