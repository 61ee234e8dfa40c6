// CaptureWindowHooks: the recording windows as the capture controller drives them. It
// makes and shows the capture main window once, hands itself to the controller (held
// weakly there) and carries out the controller's window steps on the main window. The
// program keeps it for as long as the main window is to be driven. UI thread only.
#pragma once
#include <memory>

#include "engine/controller/capture_windows.h"

namespace DuiLib {
class CUICamaraView;
class CUIWhiteBoardFrameEx;
class CUICaptureConfigure;
}

class CaptureWindowHooks : public zovi::engine::ICaptureWindows,
                           public std::enable_shared_from_this<CaptureWindowHooks> {
public:
    // Makes the main window (no parent, style 0x96C80000, extended style 0), shows it with
    // the focus and attaches to the capture controller; null when the window cannot be
    // created.
    static std::shared_ptr<CaptureWindowHooks> ShowCaptureMainWindow();

    const std::shared_ptr<DuiLib::CUICaptureConfigure>& MainWindow() const { return mainWindow_; }

    // ICaptureWindows
    std::shared_ptr<zovi::engine::ICaptureNotify> CreateToolBar(uint32_t mask,
                                                               zovi::engine::IToolBarCmd* commands) override;
    void SelectToolBarCamera(bool selected) override;
    void ShowMainWindow(bool show) override;
    void ShowHistoryWindow() override;
    std::shared_ptr<zovi::engine::IDecVideoOutput> CreateCameraView() override;
    void ResetCameraView() override;
    bool IsCameraViewVisible() override;
    void CloseCameraView() override;
    void OpenWhiteBoard(const RECT& area,
                        std::shared_ptr<zovi::engine::IWBStateCallback> stateCallback) override;
    void CloseWhiteBoard() override;

private:
    std::shared_ptr<DuiLib::CUICaptureConfigure> mainWindow_;
    std::weak_ptr<DuiLib::CUICamaraView> cameraView_;  // owned by the capture controller
    // The whiteboard over the recorded area, until the next open or its close.
    std::shared_ptr<DuiLib::CUIWhiteBoardFrameEx> whiteBoard_;
};
