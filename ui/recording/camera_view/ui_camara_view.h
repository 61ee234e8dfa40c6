// DuiLib::CUICamaraView: the top-most window with the live camera picture. The camera
// reader hands every picture (BGR24) to it on its decode thread; the view copies it into
// its frame bitmap under a lock, and a 33 ms timer on the UI thread repaints when a new
// picture came. It shows at normal (320 x 240), double or full-screen size, remembers its
// placement, and holds its camera toolbar as a child window shown while the pointer is
// over the picture. Closing it closes the camera (the controller's CameraClose).
//
// Threads: OnDecodedFrame runs on the reader's thread and touches only the frame bitmap
// (under the lock), the counter and IsWindow; everything else runs on the UI thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/camera/dec_video_output.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/base/window_placement.h"
#include "ui/recording/camera_view/control_ff_ui.h"
#include "ui/recording/camera_view/ui_camera_toolbar.h"

namespace DuiLib {

class CUICamaraView : public WindowImplBaseImpl,
                      public zovi::engine::IDecVideoOutput,
                      public IUICustomControlEventCB,
                      public std::enable_shared_from_this<CUICamaraView>,
                      public CWindowPositionSaver<CUICamaraView>,
                      public CUICameraToolBar::CUICameraToolBarCallBack,
                      public CShadowHelper {
public:
    // Size modes (option "CameraSize").
    enum SizeMode : int { kNormal = 0, kDouble = 1, kFull = 2 };
    static constexpr UINT_PTR kRepaintTimerId = 16;
    static constexpr UINT kRepaintPeriodMs = 33;
    static constexpr int kBaseWidth = 320, kBaseHeight = 240, kToolbarMargin = 20;
    // How the capture controller creates it: no parent, this style and extended style.
    static constexpr DWORD kStyle = 0x00CF0000, kExStyle = 0x88;

    explicit CUICamaraView(std::wstring cameraName = {});
    ~CUICamaraView() override;

    const wchar_t* GetWindowClassName() const override { return L"UICamaraView"; }
    CDuiString GetSkinFile() override;
    CControlUI* CreateControl(const wchar_t* pstrClass) override;
    void InitWindow() override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void OnFinalMessage(HWND hWnd) override;

    // IDecVideoOutput (the reader's thread).
    void OnDecodedFrame(const uint8_t* data, int width, int stride, int height, int format,
                        uint32_t tag) override;
    void OnVideoOpened(int width, int height) override;

    // Forgets the picture (the camera is being opened again).
    void ResetFrame();
    // 0 normal, 1 double (both restore a maximised view first), 2 full screen; the value,
    // whatever it is, is stored in "CameraSize". The toolbar then shows the mode applied.
    void SetSizeMode(int mode);

    // IUICustomControlEventCB
    void OnControlEvent(TEventUI& event) override;
    void OnControlPaint(HDC hDC, const RECT& rcPaint) override;

    // CUICameraToolBarCallBack
    void OnSizeMode(int mode) override { SetSizeMode(mode); }
    void OnToolbarClose(bool& handled) override;

    const std::shared_ptr<CUICameraToolBar>& ToolBar() const { return m_pToolBar; }
    bool IsMaximised() const { return m_bMaximised.load(); }
    // The frame size; -1, -1 without a picture.
    void GetFrameSize(int& width, int& height);

private:
    // The toolbar centred across the client area, its margin above the bottom.
    void PlaceToolBar();

    // The frame bitmap: 24-bit top-down rows, each (width * 3 + 3) & ~3 bytes.
    std::vector<uint8_t> m_frame;
    bool m_hasFrame = false;
    std::atomic<int32_t> m_newFrames{0};
    std::atomic<bool> m_bMaximised{false};
    int32_t m_frameWidth = -1, m_frameHeight = -1;
    std::mutex m_frameLock;
    std::wstring m_cameraName;
    std::shared_ptr<CUICameraToolBar> m_pToolBar;
    // The window's handle for the reader thread's IsWindow check (m_hWnd is the UI
    // thread's).
    std::atomic<HWND> m_hWndForFrames{0};
};

}  // namespace DuiLib
