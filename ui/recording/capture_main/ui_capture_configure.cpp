// The capture main window: set-up, texts, notifications and clicks, the tray's messages
// and commands, the meter timer and the named events. The fills and the source picking
// are in ui_capture_configure_fill.cpp, the start flow in ui_capture_configure_start.cpp.
#include "ui/recording/capture_main/ui_capture_configure.h"

#include <string>

#include "core/deferred/on_idle.h"
#include "core/global/global.h"
#include "core/log/logger.h"
#include "core/traylink/tray_link.h"
#include "engine/controller/capture_controller.h"
#include "online/analytics/analytics_controller.h"
#include "platform/duilib/duilib.h"
#include "platform/process/process.h"
#include "tolka.h"
#include "ui/base/window_helpers.h"
#include "ui/recording/capture_main/capture_main_rules.h"
#include "ui/recording/level_meter/option_ui_ex.h"

namespace DuiLib {

bool CUICaptureConfigure::s_bSourceAreaHidden = false;

namespace {

using zovi::engine::CCaptureController;

constexpr UINT kProgramIcon = 107;
constexpr UINT kCloseCode = 2;
// The product's home page; the tray's menu opens it with "tray=1".
constexpr const char* kHomePageUrl = "https://zovi.app/";
constexpr const char* kHomePageTrayQuery = "tray=1";
constexpr const char* kUrlOpener = "/usr/bin/xdg-open";
// The layout tag of the level meter (the first 8 characters count).
constexpr const wchar_t kOptionExClass[] = L"OptionEx";
constexpr float kMeterStartLevel = 0.5f;
constexpr DWORD kMeterColor = 0xFF2B8CF4;

CCaptureController& Controller() { return *CCaptureController::GetInstance(); }

// The tray's registered messages (the same ids in both programs).
UINT CheckListenerMessage() {
    static const UINT id = ::RegisterWindowMessageW(kMsgCheckListener);
    return id;
}
UINT ShowCaptureMessage() {
    static const UINT id = ::RegisterWindowMessageW(kMsgShowCapture);
    return id;
}

// The analytics label of a tray command; null for ids that send none.
const char* TrayCommandLabel(UINT id) {
    switch (id) {
        case kCmdOpenMain: return "open";
        case kCmdSettings: return "setting";
        case kCmdHomePage: return "home_web";
        case kCmdStart: return "start_record";
        case kCmdPause: return "pause_record";
        case kCmdStop: return "stop_record";
        case kCmdMicrophone: return "toggle_voice";
        case kCmdCamera: return "toggle_camera";
        case kCmdToolbar: return "toggle_toolbar";
        default: return nullptr;
    }
}

COptionUI* AsOption(CControlUI* control) {
    return control ? static_cast<COptionUI*>(control->GetInterface(L"Option")) : nullptr;
}

CComboUI* AsCombo(CControlUI* control) {
    return control ? static_cast<CComboUI*>(control->GetInterface(L"Combo")) : nullptr;
}

// Raises a window without mapping it and without taking the focus.
void RaiseWithoutActivation(HWND hwnd) {
    constexpr UINT kFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
    ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
}

void OpenHomePage() {
    const std::string url = std::string(kHomePageUrl) + "?" + kHomePageTrayQuery;
    // Nothing is reported when no opener runs.
    zovi::platform::StartDetachedProcess({kUrlOpener, url});
}

}  // namespace

CUICaptureConfigure::CUICaptureConfigure() { COptionsController::GetInstance()->AddListener(this); }

// (The listener base leaves the options controller's list; the shared members and the
// shadow go with the object.)
CUICaptureConfigure::~CUICaptureConfigure() = default;

void CUICaptureConfigure::InitWindow() {
    GetGlobal().mainWindow = m_hWnd;
    SetIcon(kProgramIcon);
    BindControls();
    ApplyTexts();
    CreateShadow(m_hWnd);
    CenterWindow();
    // The texts now, the combos at the next idle pass.
    RegisterTolkaObject(this);
    // (The account state of a signed-in user is shown by the account part, which comes
    // with the account dialogs.)
    CTrayAppletController::GetInstance()->StartTrayProgramIfMissing();
}

void CUICaptureConfigure::BindControls() {
    auto find = [this](const wchar_t* name) { return m_pm.FindControl(name); };
    m_pBtnClose = find(L"btnClose");
    m_pBtnStart = find(L"btnStart");
    m_pBtnSet = find(L"btnSet");
    m_pBtnAccount = find(L"btnAccount");
    m_pBtnAccountOK = find(L"btnAccountOK");
    m_pBtnHistory = find(L"btnHistory");
    m_pTabScreenCam = AsOption(find(L"screencam"));
    m_pTabScreen = AsOption(find(L"screen"));
    m_pTabCam = AsOption(find(L"cam"));
    m_pOptCapDesktop = AsOption(find(L"optCapDesktp"));
    m_pLayoutSrc = find(L"layoutSrc");

    struct RowNames {
        const wchar_t *icon, *name, *detail, *arrow;
        UINT_PTR tag;
    };
    static constexpr RowNames kRows[kSourceRowCount] = {
        {L"icon_desktop", L"desktop_lb_1", L"desktop_lb_2", L"selDesktop", kTagDesktop},
        {L"icon_window", L"window_lb_1", L"window_lb_2", L"selWindow", kTagWindow},
        {L"icon_Rect", L"rect_lb_1", L"rect_lb_2", L"selRect", kTagRect}};
    for (int i = 0; i < kSourceRowCount; ++i) {
        m_rows[i] = {AsOption(find(kRows[i].icon)), find(kRows[i].name), find(kRows[i].detail),
                     find(kRows[i].arrow)};
        if (m_rows[i].arrow) m_rows[i].arrow->SetTag(kRows[i].tag);
    }
    m_devices[kRowCamera] = {find(L"icon_cam"), AsCombo(find(L"comCam"))};
    m_devices[kRowMic] = {find(L"icon_mic"), AsCombo(find(L"comMic"))};
    m_devices[kRowQuality] = {find(L"icon_hd"), AsCombo(find(L"comHD"))};

    if (m_pOptCapDesktop) m_pOptCapDesktop->Selected(GetGlobal().captureDesktopAudio != 0, false);
    ::SetTimer(m_hWnd, kMeterTimerId, kMeterTimerPeriodMs, nullptr);
}

void CUICaptureConfigure::ApplyTexts() {
    BindWindowText(m_hWnd, 1);
    static constexpr std::pair<const wchar_t*, std::uint32_t> kTexts[] = {
        {L"btnStart", 7},          {L"title", 1},           {L"tab_screencam_title", 2},
        {L"tab_screen_title", 3},  {L"tab_cam_title", 4},   {L"source_area_title", 9},
        {L"device_title", 10},     {L"desktop_lb_1", 12},   {L"window_lb_1", 11},
        {L"rect_lb_1", 13},        {L"optCapDesktp", 16}};
    for (const auto& [name, id] : kTexts)
        if (CControlUI* control = m_pm.FindControl(name)) BindControlText(control, id);
    // Tooltips are set once: they keep the language the window was made in.
    static constexpr std::pair<const wchar_t*, std::uint32_t> kTips[] = {
        {L"btnClose", 8}, {L"btnStart", 7}, {L"btnHistory", 17}, {L"btnSet", 18},
        {L"screencam", 2}, {L"screen", 3},  {L"cam", 4}};
    for (const auto& [name, id] : kTips) SetToolTipById(m_pm.FindControl(name), id);
}

void CUICaptureConfigure::OnLanguageChanged() {
    std::weak_ptr<CUICaptureConfigure> weak = weak_from_this();
    PostToUiThread([weak] {
        if (auto self = weak.lock()) self->RefillCombosLambda();
    });
    CTolkaBase::ApplyStrings();
}

void CUICaptureConfigure::RefillCombosLambda() {
    // The fills select a camera row, which switches the tab and rewrites the saved mode;
    // a saved camera-only mode is read first, so it survives where there is a camera.
    // (Without one the fill has closed the camera and the mode is screen only.)
    const DWORD savedEntrance = GetGlobal().captureEntrance;
    FillCameraCombo();
    FillMicCombo();
    FillQualityCombo(2);
    CComboUI* cameras = m_devices[kRowCamera].combo;
    const bool hasCamera = cameras && cameras->GetCount() > 1;
    const DWORD entrance = (savedEntrance == 2 && hasCamera) ? savedEntrance : GetGlobal().captureEntrance;
    COptionUI* tab = entrance == 0 ? m_pTabScreenCam : entrance == 1 ? m_pTabScreen : entrance == 2 ? m_pTabCam : nullptr;
    if (tab) tab->Activate();
}

LRESULT CUICaptureConfigure::ResponseDefaultKeyEvent(WPARAM) {
    return FALSE;  // Escape does not close this window; Enter raises "return"
}

CControlUI* CUICaptureConfigure::CreateControl(const wchar_t* pstrClass) {
    if (!pstrClass || std::wstring(pstrClass).compare(0, 8, kOptionExClass) != 0) return nullptr;
    auto* meter = new COptionUIEx;
    meter->SetLevel(kMeterStartLevel);
    meter->SetLevelColor(kMeterColor);
    m_pLevelMeter = meter;
    return meter;
}

void CUICaptureConfigure::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.sType == DUI_MSGTYPE_RETURN) {
        StartCapture();
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) {
        OnSelectChanged(msg);
    } else if (msg.sType == DUI_MSGTYPE_ITEMSELECT) {
        OnItemSelect(msg);
    }
}

void CUICaptureConfigure::OnClick(TNotifyUI& msg) {
    CControlUI* sender = msg.pSender;
    if (!sender) return;
    if (sender == m_pBtnClose) {
        Close(kCloseCode);
    } else if (sender == m_pBtnStart) {
        StartCapture();
    } else if (sender == m_pBtnSet) {
        // The settings window comes with the settings part; the click is counted now.
        PostGAEvent("configure", "click", "setting");
    } else if (sender == m_pBtnAccount) {
        // The login dialog comes with the account dialogs.
        PostGAEvent("configure", "click", "login");
    } else if (sender == m_pBtnAccountOK) {
        // The account-information dialog comes with the account dialogs.
        PostGAEvent("configure", "click", "account_center");
    } else if (sender == m_pBtnHistory) {
        // The history window comes with the history part.
        PostGAEvent("configure", "click", "history");
    } else {
        for (const SourceRow& row : m_rows) {
            if (!row.arrow) continue;
            if (sender == row.arrow) {
                PickSource(row.arrow->GetTag());
                return;
            }
            if (sender == row.name || sender == row.detail) {
                row.arrow->Activate();
                return;
            }
        }
    }
}

void CUICaptureConfigure::OnSelectChanged(TNotifyUI& msg) {
    COptionUI* option = AsOption(msg.pSender);
    if (!option) return;
    if (option->GetGroup() == L"tab") {
        if (option->IsSelected()) OnModeTabSelect(option);
    } else if (option == m_pOptCapDesktop) {
        const bool on = option->IsSelected();
        GetGlobal().captureDesktopAudio = on ? 1 : 0;
        PostGAEvent("configure", "desktop_audio", on ? "true" : "false");
    }
}

LRESULT CUICaptureConfigure::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    // WM_TIMER and WM_COMMAND reach OnTimer and OnCommand through the base's own routing.
    bHandled = FALSE;
    if (uMsg == 0) return 0;
    if (uMsg == CheckListenerMessage()) {
        bHandled = TRUE;
        return 1;
    }
    if (uMsg == ShowCaptureMessage()) {
        bHandled = TRUE;
        PostMessage(WM_COMMAND, ShowCaptureCommandWParam(wParam), lParam);
        return 0;
    }
    switch (uMsg) {
        case WM_CLOSE:
            OnCloseMessage();
            break;
        case WM_DESTROY:
            // The meter is gone with the window; the sound test's thread must not be the
            // one that ends up holding this window last.
            Controller().StopAudioDeviceTest();
            ::PostQuitMessage(0);
            break;
        case WM_QUERYENDSESSION:
            GetGlobal().Save();
            break;
        case WM_ENDSESSION:
            if (wParam == 0) break;
            GetGlobal().Save();
            GetGlobalLogger().Info(L"system end session stop capture!!!!");
            // Only a recording (running or paused) has anything to stop.
            if (Controller().GetState() != zovi::engine::kCaptureIdle) Controller().Stop();
            break;
        default:
            break;
    }
    return 0;
}

void CUICaptureConfigure::OnCloseMessage() {
    // The tray program ends with the main program unless it is to stay.
    if (GetGlobal().closeToTray == 0) PostTrayTerminate();
}

LRESULT CUICaptureConfigure::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != kMeterTimerId) {
        bHandled = FALSE;
        return 0;
    }
    bHandled = TRUE;
    // A level stored after the exchange keeps its count for the next tick.
    if (m_pLevelMeter && m_nLevelChanges.exchange(0) > 0) {
        m_pLevelMeter->SetLevel(m_fLevel.load());
        m_pLevelMeter->Invalidate();
    }
    return 0;
}

void CUICaptureConfigure::OnAudioTestLevel(float level) {
    m_fLevel.store(MeterLevelFromTest(level));
    m_nLevelChanges.fetch_add(1);
}

LRESULT CUICaptureConfigure::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    return OnTrayCommand(LOWORD(wParam), bHandled);
}

LRESULT CUICaptureConfigure::OnTrayCommand(UINT id, BOOL& bHandled) {
    using zovi::engine::kCaptureIdle;
    using zovi::engine::kCapturePaused;
    using zovi::engine::kCaptureRecording;
    bHandled = TRUE;
    CCaptureController& controller = Controller();
    const int32_t state = controller.GetState();
    switch (id) {
        case kCmdOpenMain:
            RaiseWithoutActivation(m_hWnd);  // a hidden window stays hidden
            break;
        case kCmdSettings:
            RaiseWithoutActivation(m_hWnd);
            if (m_pBtnSet) m_pBtnSet->Activate();
            break;
        case kCmdExit:
            Close(kCloseCode);
            return 0;  // no event
        case kCmdHomePage:
            OpenHomePage();
            break;
        case kCmdStart:
            if (state == kCaptureIdle) {
                if (m_pBtnStart) m_pBtnStart->Activate();
            } else if (state == kCapturePaused) {
                controller.Resume();
            }
            break;
        case kCmdPause:
            if (state == kCaptureRecording) controller.Pause();
            break;
        case kCmdStop:
            // After a recording the engine stays: a stop now would enter it in the history again.
            if (state == kCaptureRecording || state == kCapturePaused) controller.Stop();
            break;
        case kCmdMicrophone:
            if (const auto engine = controller.Engine()) engine->SetAudioMute(!engine->IsAudioMute());
            break;
        case kCmdCamera:
            if (state == kCaptureIdle) {
                COptionUI* tab = (m_pTabScreen && m_pTabScreen->IsSelected()) ? m_pTabScreenCam : m_pTabScreen;
                if (tab) tab->Selected(true, true);
            } else if (controller.IsCameraShowing()) {
                controller.CameraClose();
            } else {
                controller.CameraOpen();
            }
            break;
        case kCmdToolbar:
            ToggleToolBar();
            break;
        default:
            bHandled = FALSE;
            return 0;
    }
    if (const char* label = TrayCommandLabel(id)) PostGAEvent("tray", "click", label);
    return 0;
}

void CUICaptureConfigure::ToggleToolBar() {
    const auto toolbar = std::dynamic_pointer_cast<CWindowWnd>(Controller().ToolBar());
    if (!toolbar || !::IsWindow(toolbar->GetHWND())) return;
    const bool visible = ::IsWindowVisible(toolbar->GetHWND()) != FALSE;
    ::ShowWindow(toolbar->GetHWND(), visible ? SW_HIDE : SW_SHOWNOACTIVATE);
}

void CUICaptureConfigure::OnOptionsEvents(const std::set<std::wstring>& names) {
    // Only the first of these names in this order takes effect.
    if (names.count(kEventCameraClose)) {
        if (m_pTabScreen) m_pTabScreen->Selected(true, true);
    } else if (names.count(kEventCameraOpened)) {
        if (GetGlobal().captureEntrance == 2) {
            int width = 0, height = 0;
            Controller().GetCameraSize(width, height);
            FillQualityCombo(QualityClassFromHeight(height));
        }
    } else if (names.count(kEventAccountLogout)) {
        // The account buttons follow the account state with the account dialogs.
    } else if (names.count(kEventAccountLogin) || names.count(kEventAccountNeedFlush)) {
        // The user information is requested by the account part, which comes later.
    } else if (names.count(kEventMustNeedLogin)) {
        if (m_pBtnAccount) m_pBtnAccount->Activate();
    }
}

void CUICaptureConfigure::OnRectHeightChanged(const RECT& hole) {
    const int32_t height = hole.bottom - hole.top;
    std::weak_ptr<CUICaptureConfigure> weak = weak_from_this();
    PostToUiThread([weak, height] {
        if (auto self = weak.lock()) self->FillQualityCombo(QualityClassFromHeight(height));
    });
}

}  // namespace DuiLib
