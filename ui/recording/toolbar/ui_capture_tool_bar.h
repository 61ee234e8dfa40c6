// DuiLib::CUICaptureToolBar: the floating bar of a running recording. It shows the
// recorded time and the amount of encoded data, and turns its buttons (pause, stop,
// restart, snapshot, camera, microphone, whiteboard) into the controller's commands and
// analytics events. The engine's notifications reach it through the multicaster: the
// time and size land in atomics that the bar's timers show, an engine error stops the
// recording on the UI thread, a snapshot flashes the bar green (or red when it failed).
//
// Threads: the window and every control are the UI thread's. OnCaptureTime and
// OnCaptureSize (encode thread), OnCaptureError (an engine thread) and OnSnapshotTaken
// (the snapshot's thread) use only atomics, PostMessageW, SetTimer, the history store and
// the deferred-call queue. Every call on a bar whose window is gone is harmless.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/tolka/tolka_base.h"
#include "engine/controller/capture_controller.h"
#include "engine/controller/wb_state_callback.h"
#include "engine/notify/capture_notify.h"
#include "platform/duilib/controls/option.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/base/window_placement.h"

namespace DuiLib {

class CUICaptureToolBar : public WindowImplBaseImpl,
                          public CTolkaBase,
                          public zovi::engine::CaptureNotifyImpl,
                          public CShadowHelper,
                          public IWBStateCallback,
                          public CWindowPositionSaver<CUICaptureToolBar>,
                          public std::enable_shared_from_this<CUICaptureToolBar> {
public:
    // Button mask bits: a set bit shows the control, a clear one hides it and takes its
    // width off the window.
    enum MaskBit : uint32_t {
        kPause = 0x001,
        kStop = 0x002,
        kRestart = 0x004,
        kCamera = 0x008,
        kMicrophone = 0x010,
        kWhiteBoard = 0x020,
        kTime = 0x040,
        kSize = 0x080,
        kPhoto = 0x100,
    };
    static constexpr int kFullWidth = 387;  // every control shown

    static constexpr UINT_PTR kTimerSize = 16, kTimerTime = 17, kTimerFlashOk = 18, kTimerFlashFailed = 19,
                              kTimerFlashEnd = 20;
    static constexpr UINT kSizePeriodMs = 1000, kTimePeriodMs = 100, kFlashMs = 300;
    static constexpr DWORD kColourBar = 0xFF212327, kColourOk = 0xFF09F175, kColourFailed = 0xFFFD563C;
    // Pop-up, visible, clipping, caption and system menu; a topmost tool window.
    static constexpr DWORD kStyle = 0x96C80000, kExStyle = 0x88;
    static constexpr UINT kCloseCode = 2;

    explicit CUICaptureToolBar(uint32_t mask);
    ~CUICaptureToolBar() override;

    // As a recording's start makes it: created (no parent, kStyle, kExStyle), shown,
    // then given the commands. Null when the window cannot be created.
    static std::shared_ptr<CUICaptureToolBar> Open(uint32_t mask, zovi::engine::IToolBarCmd* commands);

    // The commands the buttons give (not owned; null sends none).
    void SetCommands(zovi::engine::IToolBarCmd* commands) { m_pCommands = commands; }
    // The camera button follows the camera (no command goes out).
    void SelectCamera(bool selected);

    // The labels' texts.
    static std::wstring FormatSize(double bytes);
    static std::wstring FormatTime(int32_t seconds);
    // The window width a mask leaves.
    static int WidthForMask(uint32_t mask);

    int32_t ElapsedSeconds() const { return m_nSeconds.load(); }

    const wchar_t* GetWindowClassName() const override { return L"UICaptureToolBar"; }
    CDuiString GetSkinFile() override { return L"CaptureToolBar.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void OnFinalMessage(HWND hWnd) override;
    void ApplyStrings() override;

    // ICaptureNotify
    void OnCaptureTime(int32_t seconds) override;
    void OnCaptureSize(int64_t bytes) override;
    void OnCaptureError(const std::wstring& text) override;
    void OnAudioMuteChanged(bool muted) override;
    void OnPauseChanged(bool paused) override;
    void OnSnapshotTaken(const std::string& path, bool ok) override;

    // IWBStateCallback
    void OnWhiteBoardClosed() override;

private:
    void FindControls();
    void ApplyTooltips();
    void ApplyMask();
    void MoveToPrimaryWorkArea();
    void StopFlow();
    void SetBarColour(DWORD colour);

    const uint32_t m_uMask;
    const bool m_bMicOpen = true;
    const bool m_bCamOpen = true;
    const bool m_bBoardOpen = false;

    CControlUI* m_pLayout = nullptr;
    CControlUI* m_pSize = nullptr;
    CControlUI* m_pTime = nullptr;
    COptionUI* m_pPause = nullptr;
    CControlUI* m_pStop = nullptr;
    CControlUI* m_pRestart = nullptr;
    CControlUI* m_pPhoto = nullptr;
    COptionUI* m_pCamOpen = nullptr;
    COptionUI* m_pMicOpen = nullptr;
    COptionUI* m_pBoardOpen = nullptr;

    std::atomic<int32_t> m_nSeconds{0};
    std::atomic<double> m_dBytes{0};
    // The window as other threads may read it (0 once it is gone).
    std::atomic<HWND> m_hWndShared{0};

    zovi::engine::IToolBarCmd* m_pCommands = nullptr;
    bool m_bClosing = false;  // the stop flow has run
};

}  // namespace DuiLib
