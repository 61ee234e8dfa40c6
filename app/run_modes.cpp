#include "app/run_modes.h"

#include <utility>

#include "app/account_startup.h"
#include "app/record_at_start.h"
#include "core/global/global.h"
#include "engine/controller/capture_controller.h"
#include "online/account/account_storage.h"
#include "platform/base/last_error.h"
#include "platform/window/named_mutex.h"
#include "platform/window/window.h"
#include "ui/recording/capture_main/capture_window_hooks.h"
#include "ui/recording/whiteboard/ui_white_board_frame_ex.h"

namespace {
// Shown without moving, sizing or activating it.
constexpr UINT kRaiseFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;
}  // namespace

CApplicationCapture::~CApplicationCapture() {
    if (mutex_) CloseHandle(mutex_);
}

bool CApplicationCapture::Run() {
    if (mutex_) {
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }
    mutex_ = CreateMutexW(nullptr, TRUE, kCaptureInstanceMutex);
    if (!mutex_) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another copy runs: bring its main window to the front without the focus.
        HWND other = FindWindowW(kCaptureMainWndClass, nullptr);
        if (IsWindow(other)) {
            ShowWindow(other, SW_SHOWNORMAL);
            SetWindowPos(other, HWND_TOPMOST, 0, 0, 0, 0, kRaiseFlags);
            SetWindowPos(other, HWND_NOTOPMOST, 0, 0, 0, 0, kRaiseFlags);
        }
        return false;
    }
    // The update controller and its start-up check: the online services, not built yet.
    MakeAccountContext();
    CAccountStorageController::GetInstance()->Load();
    zovi::engine::CCaptureController::GetInstance();
    // The capture main window, shown with the focus; the controller drives it through
    // the hooks. Without it the loop would run with nothing to end it.
    windows_ = CaptureWindowHooks::ShowCaptureMainWindow();
    if (!windows_) {
        GetGlobal().Error(L"The capture main window could not be made");
        return false;
    }
    RecordAtStartWhenAsked();
    return true;
}

void CApplicationCapture::EndRun() {
    // The main window and the windows it holds go here, on the UI thread; a recording
    // still running is finished afterwards without showing them again.
    windows_.reset();
}

bool CApplicationPlayer::Run() {
    // The cut view (style 0x10CF0000, ex-style 0x300), shown with focus and kept in
    // `window`, posting the quit message when it is destroyed: not built yet.
    return true;
}

namespace {
// The whiteboard of "/wb": the loop ends when its window is gone.
class CStandaloneWhiteBoard : public DuiLib::CUIWhiteBoardFrameEx {
protected:
    void OnFinalMessage(HWND hWnd) override {
        DuiLib::CUIWhiteBoardFrameEx::OnFinalMessage(hWnd);
        ::PostQuitMessage(0);
    }
};
}  // namespace

bool CApplicationWhiteBoard::Run() {
    // No state callback; visible, overlapped and layered at the default position, with
    // the default drawing area.
    auto board = std::make_shared<CStandaloneWhiteBoard>();
    if (!board->Create(0, L"", DuiLib::CUIWhiteBoardFrameEx::kOverlayStyle | WS_VISIBLE,
                       DuiLib::CUIWhiteBoardFrameEx::kRunModeExStyle)) {
        return false;
    }
    board->RaiseDirty();
    board->ShowWindow(true, true);
    window_ = std::move(board);
    return true;
}

void CApplicationWhiteBoard::EndRun() { window_.reset(); }
