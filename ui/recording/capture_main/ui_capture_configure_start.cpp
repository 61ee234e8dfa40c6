// The capture main window's start flow: which mode and source are in force, the checks
// and their messages, the countdown, and the source, resolution and sound devices given
// to the capture controller. UI thread only.
#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "engine/controller/capture_controller.h"
#include "online/analytics/analytics_controller.h"
#include "platform/duilib/duilib.h"
#include "ui/base/window_helpers.h"
#include "ui/recording/capture_main/capture_main_rules.h"
#include "ui/recording/capture_main/ui_capture_configure.h"
#include "ui/recording/countdown/ui_countdown_dlg.h"
#include "ui/recording/msgbox/ui_msg_box.h"

namespace DuiLib {

namespace {

using zovi::engine::CaptureSourceInfo;
using zovi::engine::CCaptureController;
using zovi::engine::SoundDeviceRecord;
using zovi::engine::WindowInfo;

// Messages of the start flow.
constexpr std::uint32_t kMsgNoSource = 38;
constexpr std::uint32_t kMsgStartFailed = 39;
constexpr std::uint32_t kMsgNoCamera = 40;
constexpr int kFallbackEncodeSize = 2;  // 720P

CCaptureController& Controller() { return *CCaptureController::GetInstance(); }

}  // namespace

void CUICaptureConfigure::StartCapture() {
    if (m_pTabCam && m_pTabCam->IsSelected()) {
        PostGAEvent("configure", "capture", "cam");
        StartCameraCapture();
    } else if (m_pTabScreenCam && m_pTabScreenCam->IsSelected()) {
        PostGAEvent("configure", "capture", "screen_cam");
        StartScreenCapture();
    } else if (m_pTabScreen && m_pTabScreen->IsSelected()) {
        PostGAEvent("configure", "capture", "screen");
        StartScreenCapture();
    }
}

void CUICaptureConfigure::StartScreenCapture() {
    const SourceRow* selected = nullptr;
    for (const SourceRow& row : m_rows) {
        if (row.icon && row.icon->IsSelected()) {
            selected = &row;
            break;
        }
    }
    if (!selected) {
        if (!m_pChosenSource) ShowMessageBoxById(kMsgNoSource, m_hWnd, kBoxOk);
        return;
    }
    const UINT_PTR tag = selected->arrow ? selected->arrow->GetTag() : 0;
    bool usable = false;
    switch (tag) {
        case kTagDesktop: usable = m_pChosenSource && m_pChosenSource->kind == WindowInfo::kKindMonitor; break;
        case kTagWindow: usable = m_pChosenSource && m_pChosenSource->kind == WindowInfo::kKindWindow; break;
        case kTagRect: usable = m_pRectSelector != nullptr; break;
        default: return;
    }
    if (!usable) {
        ShowMessageBoxById(kMsgNoSource, m_hWnd, kBoxOk);
        return;
    }
    RunScreenStart(tag);
}

void CUICaptureConfigure::RunScreenStart(UINT_PTR tag) {
    if (GetGlobal().captureCountdown == 0) {
        RunRowStart(tag, m_pChosenSource, m_pRectSelector);
        return;
    }
    // The source may go while the countdown runs: it is held weakly and checked again.
    std::weak_ptr<WindowInfo> source = m_pChosenSource;
    std::weak_ptr<CUIScreenRectSelector> selector = m_pRectSelector;
    StartAfterCountdown([tag, source, selector](CUICaptureConfigure& self) {
        self.RunRowStart(tag, source.lock(), selector.lock());
    });
}

void CUICaptureConfigure::RunRowStart(UINT_PTR tag, const std::shared_ptr<WindowInfo>& source,
                                      const std::shared_ptr<CUIScreenRectSelector>& selector) {
    switch (tag) {
        case kTagDesktop: StartDesktopCapture(source); break;
        case kTagWindow: StartWindowCapture(source); break;
        case kTagRect: StartRectCapture(selector); break;
        default: break;
    }
}

void CUICaptureConfigure::StartCameraCapture() {
    if (!Controller().IsCameraShowing()) {
        ShowMessageBoxById(kMsgNoCamera, m_hWnd, kBoxOk);
        return;
    }
    if (GetGlobal().captureCountdown == 0) {
        DoStartCameraCapture();
        return;
    }
    StartAfterCountdown([](CUICaptureConfigure& self) { self.DoStartCameraCapture(); });
}

void CUICaptureConfigure::StartAfterCountdown(std::function<void(CUICaptureConfigure&)> start) {
    ShowWindow(false, false);
    std::weak_ptr<CUICaptureConfigure> weak = weak_from_this();
    ShowCountdown([weak, start] {
        const auto self = weak.lock();
        if (!self) return;
        self->m_bStartFromCountdown = true;
        start(*self);
        self->m_bStartFromCountdown = false;
    });
}

void CUICaptureConfigure::ShowCountdown(std::function<void()> completion) {
    // The countdown being replaced may be running its own completion further up the
    // stack (a start from the tray inside a message box it showed): it is let go at the
    // next idle pass, after that has returned.
    if (auto previous = std::move(m_pCountdown)) PostToUiThread([previous] {});
    m_pCountdown = std::make_shared<CUICountdownDlg>(std::move(completion));
    if (!m_pCountdown->Create(0, L"", UI_WNDSTYLE_DIALOG, WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) return;
    m_pCountdown->ShowWindow(true, true);
}

void CUICaptureConfigure::StartDesktopCapture(const std::shared_ptr<WindowInfo>& monitor) {
    std::vector<SoundDeviceRecord> devices;
    FillStartParams(devices);
    if (!monitor) {
        ShowStartFailure(kMsgStartFailed);
        return;
    }
    const CaptureSourceInfo source(monitor->name);
    const int encodeSize = GetCaptureSize();
    if (!Controller().StartCapture(source, 0, encodeSize, devices)) ShowStartFailure(kMsgStartFailed);
}

void CUICaptureConfigure::StartWindowCapture(const std::shared_ptr<WindowInfo>& window) {
    std::vector<SoundDeviceRecord> devices;
    FillStartParams(devices);
    if (!window) {
        ShowStartFailure(kMsgStartFailed);
        return;
    }
    // A window that closed meanwhile gives an unmarked record, which the controller refuses.
    const CaptureSourceInfo source = MakeWindowSourceInfo(window->window);
    const int encodeSize = GetCaptureSize();
    if (Controller().StartCapture(source, 0, encodeSize, devices)) {
        ::BringWindowToTop(window->window);
    } else {
        ShowStartFailure(kMsgStartFailed);
    }
}

void CUICaptureConfigure::StartRectCapture(const std::shared_ptr<CUIScreenRectSelector>& selector) {
    std::vector<SoundDeviceRecord> devices;
    FillStartParams(devices);
    // A selector that is gone, or whose window is, gives an all-zero rectangle.
    RECT rc{0, 0, 0, 0};
    if (selector && ::GetWindowRect(selector->GetHWND(), &rc)) {
        rc.left += CUIScreenRectSelector::kInsetLeft;
        rc.right -= CUIScreenRectSelector::kInsetRight;
        rc.bottom -= CUIScreenRectSelector::kInsetBottom;
        rc.top += CUIScreenRectSelector::kInsetTop;
    } else {
        rc = RECT{0, 0, 0, 0};
    }
    CaptureSourceInfo source;
    source.type = zovi::engine::CAP_MULT_MONITOR;
    source.name.clear();
    source.window = 0;
    source.reader.reset();
    source.SetRect(rc);
    source.full = 0;
    source.rotated = 0;
    // An empty area stays unmarked; the controller refuses it.
    source.init = source.IsCaptureRectValid() ? 1 : 0;
    const int encodeSize = GetCaptureSize();
    if (!Controller().StartCapture(source, 0, encodeSize, devices)) {
        ShowStartFailure(kMsgStartFailed);
        return;
    }
    selector->ShowSizeControls(false);  // the controller shows them again at stop
}

void CUICaptureConfigure::DoStartCameraCapture() {
    std::vector<SoundDeviceRecord> devices;
    FillStartParams(devices);
    const int encodeSize = GetCaptureSize();
    if (!Controller().StartCameraCapture(encodeSize, devices)) ShowStartFailure(kMsgStartFailed);
}

void CUICaptureConfigure::ShowStartFailure(std::uint32_t id) {
    // The countdown hid this window: it comes back first, so the box has a visible owner
    // and the tray's "open" (which never maps a hidden window) still reaches it.
    if (m_bStartFromCountdown) ShowWindow(true, true);
    ShowMessageBoxById(id, m_hWnd, kBoxOk);
}

int CUICaptureConfigure::GetCaptureSize() {
    CComboUI* combo = m_devices[kRowQuality].combo;
    CControlUI* row = combo ? combo->GetItemAt(combo->GetCurSel()) : nullptr;
    if (!row || row->GetTag() >= static_cast<UINT_PTR>(kQualityLevelCount)) return kFallbackEncodeSize;
    const int level = static_cast<int>(row->GetTag());
    PostGAEvent("configure", "hd_size", QualityLevelNameA(level));
    return level;
}

bool CUICaptureConfigure::FillStartParams(std::vector<SoundDeviceRecord>& devices) {
    if (GetGlobal().captureDesktopAudio != 0) devices.push_back(SoundDeviceRecord{L"", L"", false});
    CComboUI* combo = m_devices[kRowMic].combo;
    CControlUI* row = combo ? combo->GetItemAt(combo->GetCurSel()) : nullptr;
    if (!row || row->GetTag() == kTagNoDevice) return false;
    devices.push_back(SoundDeviceRecord{L"", row->GetUserData().str(), row->GetTag() != 0});
    return true;
}

UINT CUICaptureConfigure::ShowMessageBoxById(std::uint32_t id, HWND owner, UINT type) {
    return CUIMsgBox::ShowMessageBoxById(id, owner, type);
}

}  // namespace DuiLib
