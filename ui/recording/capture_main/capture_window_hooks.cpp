#include "ui/recording/capture_main/capture_window_hooks.h"

#include "engine/controller/capture_controller.h"
#include "ui/recording/capture_main/ui_capture_configure.h"

namespace {
// Pop-up, visible, clipping siblings and children, caption and system menu.
constexpr DWORD kMainWindowStyle = 0x96C80000;
}  // namespace

std::shared_ptr<CaptureWindowHooks> CaptureWindowHooks::ShowCaptureMainWindow() {
    auto hooks = std::make_shared<CaptureWindowHooks>();
    hooks->mainWindow_ = std::make_shared<DuiLib::CUICaptureConfigure>();
    // Attached first: what the window asks of the controller while it starts (the camera
    // it selects) already reaches the windows. Should the window fail, the hooks go and
    // the controller's weak hold with them.
    zovi::engine::CCaptureController::GetInstance()->SetWindows(hooks);
    if (!hooks->mainWindow_->Create(0, L"", kMainWindowStyle, 0)) return nullptr;
    hooks->mainWindow_->ShowWindow(true, true);
    return hooks;
}

std::shared_ptr<zovi::engine::ICaptureNotify> CaptureWindowHooks::CreateToolBar(uint32_t,
                                                                               zovi::engine::IToolBarCmd*) {
    return nullptr;  // the recording toolbar comes with its own window, not built yet
}

void CaptureWindowHooks::SelectToolBarCamera(bool) {}  // no recording toolbar yet

void CaptureWindowHooks::ShowMainWindow(bool show) {
    if (!mainWindow_) return;
    if (!show) {
        mainWindow_->ShowWindow(false, false);
        return;
    }
    if (const auto selector = mainWindow_->GetRectSelector()) selector->ShowSizeControls(true);
    mainWindow_->ShowWindow(true, true);
}

void CaptureWindowHooks::ShowHistoryWindow() {}  // the history window is not built yet

std::shared_ptr<zovi::engine::IDecVideoOutput> CaptureWindowHooks::CreateCameraView() {
    return nullptr;  // the camera view is not built yet: the camera opens without a view
}

void CaptureWindowHooks::ResetCameraView() {}  // no camera view yet

bool CaptureWindowHooks::IsCameraViewVisible() { return false; }  // no camera view yet

void CaptureWindowHooks::CloseCameraView() {}  // no camera view yet

void CaptureWindowHooks::OpenWhiteBoard(const RECT&, std::shared_ptr<zovi::engine::IWBStateCallback>) {
    // the whiteboard is not built yet
}

void CaptureWindowHooks::CloseWhiteBoard() {}  // no whiteboard yet
