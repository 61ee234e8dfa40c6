// The recording windows as the capture controller drives them: the recording toolbar, the
// capture main window, the history window, the camera view and the whiteboard. The
// window side of the program implements it; the controller works on without it.
//
// Threads: every call below arrives on the UI thread (the controller runs there). The
// parts a window hands back are also called from engine threads: the toolbar's
// ICaptureNotify from the capture threads (through the notification multicaster), the
// camera view's IDecVideoOutput from the camera's decode thread. Those listeners use
// only the thread-safe calls there (PostMessageW, SetTimer, IsWindow and the
// deferred-call queue) and do every other window step on the UI thread.
#pragma once
#include <cstdint>
#include <memory>

#include "engine/camera/dec_video_output.h"
#include "engine/notify/capture_notify.h"
#include "platform/base/wintypes.h"

namespace zovi::engine {

class IToolBarCmd;       // the controller's recording commands
class IWBStateCallback;  // the recording toolbar's whiteboard-state part

class ICaptureWindows {
public:
    virtual ~ICaptureWindows() = default;

    // Start: make, create and show the recording toolbar with the button mask and the
    // controller's commands; returns its notification part. The controller keeps it
    // until the next start and adds it to the multicaster as a weak listener.
    virtual std::shared_ptr<ICaptureNotify> CreateToolBar(uint32_t mask,
                                                          IToolBarCmd* commands) = 0;
    // The toolbar's camera button: selected on camera open, deselected on close.
    virtual void SelectToolBarCamera(bool selected) = 0;
    // Start hides the main window (false); stop shows and focuses it again (true),
    // showing the region selector's size controls.
    virtual void ShowMainWindow(bool show) = 0;
    // Stop: a new history window, replacing the previous one, filled from the history.
    virtual void ShowHistoryWindow() = 0;

    // Camera open: make and create the camera view; returned as the reader's output.
    virtual std::shared_ptr<IDecVideoOutput> CreateCameraView() = 0;
    // Camera open: reset the view's cached frame.
    virtual void ResetCameraView() = 0;
    // True while the camera view's window lives and is visible.
    virtual bool IsCameraViewVisible() = 0;
    // Camera close: close the camera view's window.
    virtual void CloseCameraView() = 0;

    // Whiteboard: open over `area` (screen coordinates) with the toolbar's state part,
    // or close it.
    virtual void OpenWhiteBoard(const RECT& area,
                                std::shared_ptr<IWBStateCallback> stateCallback) = 0;
    virtual void CloseWhiteBoard() = 0;
};

}  // namespace zovi::engine
