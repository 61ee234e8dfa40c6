// The recording toolbar on the test X server: the UI loop runs on the test's main thread
// (dispatch, then the idle pass of deferred calls), a driver thread clicks with XTest and
// reads the bar's state through the UI-thread hook. The capture controller is the real
// one, writing into a folder of the test's own; its windows are this stand-in, which
// makes the toolbar exactly as the program's window hooks do.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/controller/capture_controller.h"
#include "engine/history/capture_history.h"
#include "platform/duilib/duilib.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "ui/recording/toolbar/ui_capture_tool_bar.h"

namespace toolbar_test {

// The controller's windows: the real toolbar, nothing else.
class CWindowsStandIn : public zovi::engine::ICaptureWindows {
public:
    std::shared_ptr<zovi::engine::ICaptureNotify> CreateToolBar(uint32_t mask,
                                                               zovi::engine::IToolBarCmd* commands) override;
    void SelectToolBarCamera(bool selected) override;
    void ShowMainWindow(bool) override {}
    void ShowHistoryWindow() override {}
    std::shared_ptr<zovi::engine::IDecVideoOutput> CreateCameraView() override { return nullptr; }
    void ResetCameraView() override {}
    bool IsCameraViewVisible() override { return false; }
    void CloseCameraView() override {}
    void OpenWhiteBoard(const RECT&, std::shared_ptr<zovi::engine::IWBStateCallback>) override {}
    void CloseWhiteBoard() override {}

    std::weak_ptr<DuiLib::CUICaptureToolBar> toolBar;
};

// Counts the commands a bar gives, noting the thread of each stop.
class CCommandCounter : public zovi::engine::IToolBarCmd {
public:
    void Stop() override;
    void Pause() override { ++pauses; }
    void Resume() override { ++resumes; }
    void Reserved() override { ++restarts; }
    void CameraOpen() override { ++cameraOpens; }
    void CameraClose() override { ++cameraCloses; }
    void MicOn() override { ++micOns; }
    void MicOff() override { ++micOffs; }
    void WhiteBoardOpen(std::shared_ptr<zovi::engine::IWBStateCallback> callback) override {
        ++boardOpens;
        boardCallback = std::move(callback);
    }
    void WhiteBoardClose() override { ++boardCloses; }
    void Snapshot() override { ++snapshots; }

    std::atomic<int> stops{0}, stopsOffTheUiThread{0}, pauses{0}, resumes{0}, restarts{0}, cameraOpens{0},
        cameraCloses{0}, micOns{0}, micOffs{0}, boardOpens{0}, boardCloses{0}, snapshots{0};
    std::shared_ptr<zovi::engine::IWBStateCallback> boardCallback;
    std::thread::id uiThread = std::this_thread::get_id();
};

class ToolBarXTest : public ::testing::Test {
protected:
    ToolBarXTest();
    ~ToolBarXTest() override;
    void SetUp() override;
    void TearDown() override;

    // Runs `driver` on a thread of its own while this thread runs the program's loop.
    void Drive(const std::function<void()>& driver);
    // Runs the loop (on the UI thread) until `condition` holds; false after `seconds`.
    bool LoopUntil(const std::function<bool()>& condition, double seconds = 20);

    // On the UI thread: the bar the controller holds (null when none), a control of a bar.
    std::shared_ptr<DuiLib::CUICaptureToolBar> ControllerBar() const;
    static DuiLib::CControlUI* Find(DuiLib::CUICaptureToolBar& bar, const wchar_t* name);
    static DuiLib::COptionUI* Option(DuiLib::CUICaptureToolBar& bar, const wchar_t* name);

    // From the driver thread.
    template <class F>
    auto Ui(F f) {
        return hook->Call(f).value();
    }
    bool WaitUi(const std::function<bool()>& condition, double seconds = 20);
    // Waits until the X server shows the window (mapped and viewable).
    static bool WaitViewable(HWND hwnd);
    // Clicks the centre of a control of the bar (XTest), then moves the pointer away.
    void Click(HWND bar, const wchar_t* name);
    // Keeps what the bar shows as artefacts/<name>.png.
    static void KeepPicture(HWND bar, const std::string& name);
    // The history's entries for files in this test's folder.
    std::vector<std::shared_ptr<zovi::engine::CaptureHistoryItem>> HistoryHere() const;

    std::filesystem::path folder;
    zovi::engine::CaptureSettings settings;
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    std::shared_ptr<CWindowsStandIn> windows;

private:
    class CLoop;
    std::unique_ptr<CLoop> loop_;
};

// The artefact folder of the tests (made when missing).
std::string ArtefactPath(const std::string& name);

}  // namespace toolbar_test
