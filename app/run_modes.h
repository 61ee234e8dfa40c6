// The run modes that this program makes itself (the uploader mode lives with the
// uploader).
#pragma once
#include <memory>

#include "app/application.h"
#include "platform/fs/handle.h"

class CaptureWindowHooks;
namespace DuiLib {
class CUIWhiteBoardFrameEx;
}

// "/capture": one copy per user. A second copy raises the first one's main window and
// ends. The first shows the capture main window and keeps the recording windows' hooks
// (the capture controller holds them weakly) until the loop has ended.
class CApplicationCapture : public CApplication {
public:
    ~CApplicationCapture() override;
    bool Run() override;
    void EndRun() override;

private:
    HANDLE mutex_ = nullptr;
    std::shared_ptr<CaptureWindowHooks> windows_;
};

// "/player": the cut view.
class CApplicationPlayer : public CApplication {
public:
    bool Run() override;
};

// "/wb": the whiteboard on its own; the loop ends when its window is destroyed.
class CApplicationWhiteBoard : public CApplication {
public:
    bool Run() override;
    void EndRun() override;

private:
    std::shared_ptr<DuiLib::CUIWhiteBoardFrameEx> window_;
};

// "/debug": a message loop with no window.
class CApplicationDebug : public CApplication {
public:
    bool Run() override { return true; }
};

// The single-instance mutex and the main window's class.
inline constexpr const wchar_t* kCaptureInstanceMutex = L"CaptureInstanceMutex";
inline constexpr const wchar_t* kCaptureMainWndClass = L"CaptureMainWnd";
