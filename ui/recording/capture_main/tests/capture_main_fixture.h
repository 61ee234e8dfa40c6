// The capture main window on the test X server and sound server, with the real capture
// controller writing into a folder of the test's own: the window runs on the test's main
// thread inside the program's loop (dispatch, then the idle pass of deferred calls and
// named events), while a driver thread clicks it with XTest and reads its state through
// the UI-thread hook.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/controller/capture_controller.h"
#include "platform/duilib/duilib.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/window/message_loop.h"
#include "ui/recording/capture_main/ui_capture_configure.h"

namespace capture_main_test {

// The recording windows the controller drives, as far as this window needs them: the
// main window is hidden and shown for real; the camera view is a plain receiver of the
// camera's pictures (the camera view window comes with the camera part).
class CWindowsStandIn : public zovi::engine::ICaptureWindows {
public:
    explicit CWindowsStandIn(std::weak_ptr<DuiLib::CUICaptureConfigure> window) : window_(std::move(window)) {}
    std::shared_ptr<zovi::engine::ICaptureNotify> CreateToolBar(uint32_t, zovi::engine::IToolBarCmd*) override {
        return nullptr;
    }
    void SelectToolBarCamera(bool) override {}
    void ShowMainWindow(bool show) override;
    void ShowHistoryWindow() override { ++historyWindows; }
    std::shared_ptr<zovi::engine::IDecVideoOutput> CreateCameraView() override;
    void ResetCameraView() override {}
    bool IsCameraViewVisible() override { return cameraViewOpen; }
    void CloseCameraView() override { cameraViewOpen = false; }
    void OpenWhiteBoard(const RECT&, std::shared_ptr<zovi::engine::IWBStateCallback>) override {}
    void CloseWhiteBoard() override {}

    std::atomic<int> historyWindows{0};
    bool cameraViewOpen = false;
    std::vector<bool> mainWindowShown;

private:
    std::weak_ptr<DuiLib::CUICaptureConfigure> window_;
};

class CaptureMainXTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A test camera (FFmpeg's test picture behind the camera interface) in the camera
    // list, or none.
    void SetCamera(bool present);
    // Makes and shows the window, then runs the loop until its combos are filled.
    void OpenWindow();
    // Destroys the window (leaving the camera-only layout first: it is remembered
    // process-wide) and lets go of the camera and the sound test.
    void CloseWindow();
    // Runs `driver` on a thread of its own while this thread runs the program's loop.
    void Drive(const std::function<void()>& driver);
    // Runs the loop (on the UI thread) until `condition` holds; false after `seconds`.
    bool LoopUntil(const std::function<bool()>& condition, double seconds = 20);

    // On the UI thread.
    HWND Hwnd() const { return window ? window->GetHWND() : 0; }
    DuiLib::CControlUI* Find(const wchar_t* name) const;
    DuiLib::COptionUI* Option(const wchar_t* name) const;
    DuiLib::CComboUI* Combo(const wchar_t* name) const;
    // The rows' texts of a combo (for "comHD" the texts of the rows' labels).
    std::vector<std::wstring> RowTexts(const wchar_t* combo) const;
    int CurSel(const wchar_t* combo) const;
    std::wstring SelectedTab() const;
    // What a user's pick in the drop-down does (the combo raises "itemselect").
    void PickRow(const wchar_t* combo, int index);

    // From the driver thread.
    template <class F>
    auto Ui(F f) {
        return hook->Call(f).value();
    }
    // Picks a row as a person does: opens the combo's drop-down with a click and takes
    // row `index` with the keys (Home, Down, Enter).
    void PickRowWithKeys(const wchar_t* combo, int index);
    // Waits until the X server shows the window (mapped and viewable), so clicks reach it.
    bool WaitViewable(HWND hwnd);
    // Clicks the centre of a control of the main window (XTest).
    void ClickControl(const wchar_t* name);
    void ClickControlOf(HWND hwnd, const wchar_t* name);
    // Waits (on the driver thread) until `condition`, run on the UI thread, holds.
    bool WaitUi(const std::function<bool()>& condition, double seconds = 20);
    // The message box that comes up, clicked OK; its text ("" when none came).
    std::wstring AnswerMessageBox();

    std::filesystem::path folder;
    zovi::engine::CaptureSettings settings;
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    std::shared_ptr<DuiLib::CUICaptureConfigure> window;
    std::shared_ptr<CWindowsStandIn> windows;

    CaptureMainXTest();
    ~CaptureMainXTest() override;

private:
    class CLoop;
    std::unique_ptr<CLoop> loop_;
};

// The artefact folder of the tests (made when missing).
std::string ArtefactPath(const std::string& name);

}  // namespace capture_main_test
