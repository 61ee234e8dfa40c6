#include "ui/recording/capture_main/capture_window_hooks.h"

#include <utility>

#include "engine/controller/capture_controller.h"
#include "ui/recording/capture_main/ui_capture_configure.h"
#include "ui/recording/toolbar/ui_capture_tool_bar.h"
#include "ui/recording/camera_view/ui_camara_view.h"
#include "ui/recording/whiteboard/ui_white_board_frame_ex.h"

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

std::shared_ptr<zovi::engine::ICaptureNotify> CaptureWindowHooks::CreateToolBar(uint32_t mask,
                                                                               zovi::engine::IToolBarCmd* commands) {
    return DuiLib::CUICaptureToolBar::Open(mask, commands);
}

void CaptureWindowHooks::SelectToolBarCamera(bool selected) {
    // The controller owns the toolbar it asked for.
    const auto bar = std::dynamic_pointer_cast<DuiLib::CUICaptureToolBar>(
        zovi::engine::CCaptureController::GetInstance()->ToolBar());
    if (bar) bar->SelectCamera(selected);
}

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
    // The controller owns the view; it shows itself once its placement is restored.
    auto view = std::make_shared<DuiLib::CUICamaraView>();
    if (!view->Create(0, L"", DuiLib::CUICamaraView::kStyle, DuiLib::CUICamaraView::kExStyle)) return nullptr;
    cameraView_ = view;
    return view;
}

void CaptureWindowHooks::ResetCameraView() {
    if (const auto view = cameraView_.lock()) view->ResetFrame();
}

bool CaptureWindowHooks::IsCameraViewVisible() {
    const auto view = cameraView_.lock();
    return view && ::IsWindow(view->GetHWND()) && ::IsWindowVisible(view->GetHWND());
}

void CaptureWindowHooks::CloseCameraView() {
    if (const auto view = cameraView_.lock()) view->Close(1);
}

void CaptureWindowHooks::OpenWhiteBoard(const RECT& area,
                                        std::shared_ptr<zovi::engine::IWBStateCallback> stateCallback) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    CloseWhiteBoard();
    // The area is given before Create, so the layers are made at its size.
    auto board = std::make_shared<DuiLib::CUIWhiteBoardFrameEx>(std::move(stateCallback));
    board->SetDrawArea(area);
    if (!board->Create(0, L"", DuiLib::CUIWhiteBoardFrameEx::kOverlayStyle,
                       DuiLib::CUIWhiteBoardFrameEx::kOverlayExStyle, area)) {
        return;
    }
    board->RaiseDirty();
    board->ShowWindow(true, true);
    whiteBoard_ = std::move(board);
}

void CaptureWindowHooks::CloseWhiteBoard() {
    // Destroyed here, so its state callback hears of it before the object goes.
    if (const auto board = std::exchange(whiteBoard_, nullptr); board && ::IsWindow(board->GetHWND())) {
        ::DestroyWindow(board->GetHWND());
    }
}
