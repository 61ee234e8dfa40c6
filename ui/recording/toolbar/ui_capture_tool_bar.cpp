#include "ui/recording/toolbar/ui_capture_tool_bar.h"

#include <iterator>
#include <string_view>
#include <vector>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "core/traylink/tray_link.h"
#include "engine/history/capture_history.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/utf8.h"
#include "platform/screen/monitor_from.h"
#include "platform/screen/monitors.h"
#include "tolka.h"
#include "ui/base/window_helpers.h"

namespace DuiLib {

namespace {

constexpr UINT kProgramIcon = 107;

constexpr size_t PlacementIndexOf(std::wstring_view name) {
    size_t i = 0;
    while (i < std::size(kPlacementNames) && name != kPlacementNames[i]) ++i;
    return i;
}
constexpr size_t kToolBarPlacement = PlacementIndexOf(L"CaptureToolBarWindow");
static_assert(kToolBarPlacement < std::size(kPlacementNames));

// The mask bits in the order they are applied, with their controls and widths.
struct MaskEntry {
    uint32_t bit;
    const wchar_t* name;
    int width;
};
constexpr MaskEntry kMaskTable[] = {
    {CUICaptureToolBar::kPause, L"pause", 32},      {CUICaptureToolBar::kStop, L"stop", 32},
    {CUICaptureToolBar::kRestart, L"restart", 32},  {CUICaptureToolBar::kCamera, L"cam_open", 32},
    {CUICaptureToolBar::kMicrophone, L"mic_open", 32}, {CUICaptureToolBar::kWhiteBoard, L"board_open", 32},
    {CUICaptureToolBar::kTime, L"time", 61},        {CUICaptureToolBar::kSize, L"size", 76},
    {CUICaptureToolBar::kPhoto, L"photo", 32},
};

// Tooltip string ids.
constexpr uint32_t kTipStop = 21, kTipPause = 22, kTipResume = 23, kTipRestart = 24, kTipCamOff = 25,
                   kTipCamOn = 26, kTipMicOff = 27, kTipMicOn = 28, kTipBoardOff = 29, kTipBoardOn = 30,
                   kTipSize = 31, kTipTime = 32, kTipPhoto = 33;

constexpr int kCornerGap = 10;  // from the work area's right and bottom edges

void PostToolbarEvent(const char* action, const std::string& label) { PostGAEvent("toolbar", action, label); }

COptionUI* AsOption(CControlUI* control) {
    return control ? static_cast<COptionUI*>(control->GetInterface(L"Option")) : nullptr;
}

}  // namespace

CUICaptureToolBar::CUICaptureToolBar(uint32_t mask)
    : CWindowPositionSaver<CUICaptureToolBar>(&GetGlobal().placements[kToolBarPlacement]), m_uMask(mask) {}

CUICaptureToolBar::~CUICaptureToolBar() { DetachAndDestroy(); }

std::shared_ptr<CUICaptureToolBar> CUICaptureToolBar::Open(uint32_t mask, zovi::engine::IToolBarCmd* commands) {
    auto bar = std::make_shared<CUICaptureToolBar>(mask);
    if (!bar->Create(0, L"", kStyle, kExStyle)) return nullptr;
    bar->ShowWindow(true, true);
    bar->SetCommands(commands);
    return bar;
}

std::wstring CUICaptureToolBar::FormatSize(double bytes) {
    CDuiString text;
    if (bytes > 1073741824.0) {
        text.Format(L"%0.2f GB", bytes / 1073741824.0);
    } else if (bytes > 1048576.0) {
        text.Format(L"%0.2f MB", bytes / 1048576.0);
    } else {
        text.Format(L"%0.2f KB", bytes / 1024.0);
    }
    return text.str();
}

std::wstring CUICaptureToolBar::FormatTime(int32_t seconds) {
    const int32_t s = seconds < 0 ? 0 : seconds;
    CDuiString text;
    text.Format(L"%0.2d:%0.2d:%0.2d", s / 3600, (s % 3600) / 60, s % 60);
    return text.str();
}

int CUICaptureToolBar::WidthForMask(uint32_t mask) {
    int width = kFullWidth;
    for (const MaskEntry& entry : kMaskTable)
        if (!(mask & entry.bit)) width -= entry.width;
    return width;
}

void CUICaptureToolBar::FindControls() {
    m_pLayout = m_pm.FindControl(L"layout");
    m_pSize = m_pm.FindControl(L"size");
    m_pTime = m_pm.FindControl(L"time");
    m_pPause = AsOption(m_pm.FindControl(L"pause"));
    m_pStop = m_pm.FindControl(L"stop");
    m_pRestart = m_pm.FindControl(L"restart");
    m_pPhoto = m_pm.FindControl(L"photo");
    m_pCamOpen = AsOption(m_pm.FindControl(L"cam_open"));
    m_pMicOpen = AsOption(m_pm.FindControl(L"mic_open"));
    m_pBoardOpen = AsOption(m_pm.FindControl(L"board_open"));
}

void CUICaptureToolBar::InitWindow() {
    m_hWndShared = m_hWnd;
    SetIcon(kProgramIcon);
    CreateShadow(m_hWnd);

    FindControls();
    // The handlers run, but the commands are not set yet: nothing goes out.
    if (m_pCamOpen) m_pCamOpen->Selected(m_bCamOpen, true);
    if (m_pMicOpen) m_pMicOpen->Selected(m_bMicOpen, true);
    if (m_pBoardOpen) m_pBoardOpen->Selected(m_bBoardOpen, true);
    if (m_pSize) m_pSize->SetText(L"0 KB");
    if (m_pTime) m_pTime->SetText(L"00:00:00");

    ApplyTooltips();
    ApplyMask();

    ApplyStrings();
    RegisterTolkaObject(this);

    ::SetTimer(m_hWnd, kTimerSize, kSizePeriodMs, nullptr);
    ::SetTimer(m_hWnd, kTimerTime, kTimePeriodMs, nullptr);

    MoveToPrimaryWorkArea();
}

void CUICaptureToolBar::ApplyStrings() {
    CTolkaBase::ApplyStrings();
    ApplyTooltips();
}

void CUICaptureToolBar::ApplyTooltips() {
    auto chosen = [](COptionUI* option, uint32_t off, uint32_t on) {
        if (option) SetToolTipById(option, option->IsSelected() ? on : off);
    };
    SetToolTipById(m_pStop, kTipStop);
    chosen(m_pPause, kTipPause, kTipResume);
    SetToolTipById(m_pRestart, kTipRestart);
    chosen(m_pCamOpen, kTipCamOff, kTipCamOn);
    chosen(m_pMicOpen, kTipMicOff, kTipMicOn);
    chosen(m_pBoardOpen, kTipBoardOff, kTipBoardOn);
    SetToolTipById(m_pSize, kTipSize);
    SetToolTipById(m_pTime, kTipTime);
    SetToolTipById(m_pPhoto, kTipPhoto);
}

void CUICaptureToolBar::ApplyMask() {
    for (const MaskEntry& entry : kMaskTable) {
        if (CControlUI* control = m_pm.FindControl(entry.name)) control->SetVisible((m_uMask & entry.bit) != 0);
    }
    RECT rc{};
    if (!::GetWindowRect(m_hWnd, &rc)) return;
    ::MoveWindow(m_hWnd, rc.left, rc.top, WidthForMask(m_uMask), rc.bottom - rc.top, FALSE);
    CenterWindow();
}

void CUICaptureToolBar::MoveToPrimaryWorkArea() {
    std::vector<zovi::platform::MonitorInfo> monitors;
    if (!zovi::platform::EnumMonitors(&monitors)) return;
    for (const auto& monitor : monitors) {
        if (!(monitor.dwFlags & MONITORINFOF_PRIMARY)) continue;
        RECT rc{};
        if (!::GetWindowRect(m_hWnd, &rc)) return;
        const int width = rc.right - rc.left, height = rc.bottom - rc.top;
        ::MoveWindow(m_hWnd, monitor.rcWork.right - width - kCornerGap, monitor.rcWork.bottom - height - kCornerGap,
                     width, height, TRUE);
        return;
    }
    // Without a primary monitor the bar stays centred.
}

void CUICaptureToolBar::SelectCamera(bool selected) {
    if (!m_pCamOpen) return;
    m_pCamOpen->Selected(selected, false);
    ApplyTooltips();
}

void CUICaptureToolBar::Notify(TNotifyUI& msg) {
    CControlUI* sender = msg.pSender;
    if (msg.sType == L"selectchanged") {
        if (sender && sender == m_pCamOpen) {
            if (m_pCommands) m_pCamOpen->IsSelected() ? m_pCommands->CameraOpen() : m_pCommands->CameraClose();
            PostToolbarEvent("click", "camera");
        } else if (sender && sender == m_pPause) {
            const bool paused = m_pPause->IsSelected();
            if (m_pCommands) paused ? m_pCommands->Pause() : m_pCommands->Resume();
            PostToolbarEvent("click", paused ? "pause" : "resume");
        } else if (sender && sender == m_pMicOpen) {
            if (m_pCommands) m_pMicOpen->IsSelected() ? m_pCommands->MicOn() : m_pCommands->MicOff();
            PostToolbarEvent("click", "mic");
        } else if (sender && sender == m_pBoardOpen) {
            if (m_pCommands) {
                if (m_pBoardOpen->IsSelected()) {
                    m_pCommands->WhiteBoardOpen(std::static_pointer_cast<IWBStateCallback>(shared_from_this()));
                } else {
                    m_pCommands->WhiteBoardClose();
                }
            }
            PostToolbarEvent("click", "whiteboard");
        }
        ApplyTooltips();
        return;
    }
    if (msg.sType == L"click" && sender) {
        if (sender == m_pStop) {
            StopFlow();
        } else if (sender == m_pRestart) {
            if (m_pCommands) m_pCommands->Reserved();
            PostToolbarEvent("click", "restart");
        } else if (sender == m_pPhoto) {
            PostToolbarEvent("click", "photo");
            if (m_pCommands) m_pCommands->Snapshot();
        }
    }
}

void CUICaptureToolBar::StopFlow() {
    // Once: several errors of one ending recording may each have posted a stop.
    if (m_bClosing || !m_hWnd || !::IsWindow(m_hWnd)) return;
    m_bClosing = true;
    if (m_pCommands) m_pCommands->Stop();
    PostToolbarEvent("capture_time", zovi::platform::EncodeUtf8Lossless(FormatTime(m_nSeconds.load())));
    PostToolbarEvent("capture_filesize", zovi::platform::EncodeUtf8Lossless(FormatSize(m_dBytes.load())));
    Close(kCloseCode);
}

LRESULT CUICaptureToolBar::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

void CUICaptureToolBar::SetBarColour(DWORD colour) {
    if (m_pLayout) m_pLayout->SetBkColor(colour);
}

LRESULT CUICaptureToolBar::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    bHandled = TRUE;
    switch (wParam) {
        case kTimerSize:
            if (m_pSize) m_pSize->SetText(FormatSize(m_dBytes.load()).c_str());
            break;
        case kTimerTime:
            if (m_pTime) m_pTime->SetText(FormatTime(m_nSeconds.load()).c_str());
            // A stop from elsewhere (a hotkey, the tray, the session's end) leaves the
            // controller idle with the bar still open, and the engine reports no error
            // for a stop: the bar ends as its own stop does (the controller's idle stop
            // does nothing).
            if (const auto* controller = dynamic_cast<const zovi::engine::CCaptureController*>(m_pCommands);
                controller && controller->GetState() == zovi::engine::kCaptureIdle) {
                StopFlow();
            }
            break;
        case kTimerFlashOk:
        case kTimerFlashFailed:
            SetBarColour(wParam == kTimerFlashOk ? kColourOk : kColourFailed);
            ::KillTimer(m_hWnd, wParam);
            ::SetTimer(m_hWnd, kTimerFlashEnd, kFlashMs, nullptr);
            break;
        case kTimerFlashEnd:
            SetBarColour(kColourBar);
            ::KillTimer(m_hWnd, kTimerFlashEnd);
            break;
        default:
            bHandled = FALSE;
            break;
    }
    return 0;
}

LRESULT CUICaptureToolBar::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    SavePosition();
    if (m_pCommands) m_pCommands->WhiteBoardClose();
    bHandled = FALSE;
    return 0;
}

void CUICaptureToolBar::OnFinalMessage(HWND hWnd) {
    m_hWndShared = 0;
    WindowImplBaseImpl::OnFinalMessage(hWnd);
}

void CUICaptureToolBar::OnCaptureTime(int32_t seconds) {
    m_nSeconds = seconds;
    PostTrayIconFlash(static_cast<UINT>(seconds));
}

void CUICaptureToolBar::OnCaptureSize(int64_t bytes) {
    m_dBytes = static_cast<double>(static_cast<uint64_t>(bytes));
}

void CUICaptureToolBar::OnCaptureError(const std::wstring&) {
    std::shared_ptr<CUICaptureToolBar> self = shared_from_this();
    PostToUiThread([self] { self->StopFlow(); });
}

void CUICaptureToolBar::OnAudioMuteChanged(bool muted) {
    if (!m_pMicOpen) return;
    m_pMicOpen->Selected(!muted, false);
    ApplyTooltips();
}

void CUICaptureToolBar::OnPauseChanged(bool paused) {
    if (!m_pPause) return;
    m_pPause->Selected(paused, false);
    ApplyTooltips();
}

void CUICaptureToolBar::OnSnapshotTaken(const std::string& path, bool ok) {
    if (ok) {
        zovi::engine::CCaptureHistory::GetInstance()->AddRecord(zovi::platform::DecodeUtf8Lossless(path), 0,
                                                                zovi::engine::kHistorySnapshot);
    }
    if (const HWND hwnd = m_hWndShared.load()) ::SetTimer(hwnd, ok ? kTimerFlashOk : kTimerFlashFailed, 0, nullptr);
}

void CUICaptureToolBar::OnWhiteBoardClosed() {
    if (!m_pBoardOpen) return;
    m_pBoardOpen->Selected(false, false);
    ApplyTooltips();
}

}  // namespace DuiLib
