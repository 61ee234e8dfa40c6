// The capture main window's combos (camera, microphone, resolution), the selection
// chain between the mode tabs and the camera combo, and the choice of the screen source
// (the picker for monitors and windows, the region selector).
#include <utility>

#include "core/global/global.h"
#include "engine/controller/capture_controller.h"
#include "online/analytics/analytics_controller.h"
#include "platform/base/wformat.h"
#include "platform/duilib/duilib.h"
#include "tolka.h"
#include "ui/recording/capture_main/capture_main_rules.h"
#include "ui/recording/capture_main/ui_capture_configure.h"
#include "ui/recording/capture_source/ui_capture_source.h"

namespace DuiLib {

namespace {

using zovi::engine::CCaptureController;
using zovi::engine::DeviceEntry;

constexpr int kQualityRowHeight = 30;
constexpr int kSourceAreaHeight = 170;

std::function<void(std::vector<DeviceEntry>*)>& CameraListSource() {
    static std::function<void(std::vector<DeviceEntry>*)> source;
    return source;
}

std::vector<DeviceEntry> CameraList() {
    std::vector<DeviceEntry> cameras;
    if (CameraListSource()) {
        CameraListSource()(&cameras);
    } else {
        zovi::engine::EnumCameras(&cameras);
    }
    return cameras;
}

CListLabelElementUI* MakeDeviceRow(const std::wstring& text, const std::wstring& userData, UINT_PTR tag) {
    auto* row = new CListLabelElementUI;
    row->SetText(text.c_str());
    row->SetUserData(userData.c_str());
    row->SetTag(tag);
    return row;
}

CControlUI* SelectedRow(CComboUI* combo) {
    return combo ? combo->GetItemAt(combo->GetCurSel()) : nullptr;
}

// The index of the first row whose tag is (or, with `equal` false, is not) `tag`; -1 when none.
int FindRowByTag(CComboUI* combo, UINT_PTR tag, bool equal) {
    for (int i = 0; i < combo->GetCount(); ++i) {
        CControlUI* row = combo->GetItemAt(i);
        if (row && (row->GetTag() == tag) == equal) return i;
    }
    return -1;
}

void SelectIcon(CControlUI* icon, bool selected) {
    if (!icon) return;
    if (auto* option = static_cast<COptionUI*>(icon->GetInterface(L"Option"))) option->Selected(selected, true);
}

}  // namespace

void CUICaptureConfigure::SetCameraListForTesting(std::function<void(std::vector<DeviceEntry>*)> list) {
    CameraListSource() = std::move(list);
}

void CUICaptureConfigure::FillCameraCombo() {
    CComboUI* combo = m_devices[kRowCamera].combo;
    if (!combo) return;
    combo->RemoveAll();
    for (const DeviceEntry& camera : CameraList()) {
        if (IsHiddenCameraName(camera.name)) continue;
        combo->Add(MakeDeviceRow(camera.name, camera.identifier, kTagCamera));
    }
    combo->Add(MakeDeviceRow(TolkaGetString(6), L"", kTagNoDevice));
    const int row = GetGlobal().captureEntrance == 1 ? combo->GetCount() - 1 : 0;
    combo->SelectItem(row, false, true);
}

void CUICaptureConfigure::FillMicCombo() {
    CComboUI* combo = m_devices[kRowMic].combo;
    if (!combo) return;
    combo->RemoveAll();
    // The system's default microphone first; every listed source is a microphone.
    combo->Add(MakeDeviceRow(TolkaGetString(20), L"", 1));
    std::vector<DeviceEntry> microphones;
    zovi::engine::EnumMicrophones(&microphones);
    for (const DeviceEntry& microphone : microphones)
        combo->Add(MakeDeviceRow(microphone.name, microphone.identifier, 1));
    combo->Add(MakeDeviceRow(TolkaGetString(5), L"", kTagNoDevice));
    combo->SelectItem(0, false, true);
}

void CUICaptureConfigure::FillQualityCombo(int recommendedLevel) {
    CComboUI* combo = m_devices[kRowQuality].combo;
    if (!combo) return;
    combo->RemoveAll();
    for (int level = kQualityLevelCount - 1; level >= 0; --level) {
        const wchar_t* name = QualityLevelName(level);
        auto* row = new CListContainerElementUI;
        row->SetFixedHeight(kQualityRowHeight);
        row->SetText(name);
        row->SetTag(static_cast<UINT_PTR>(level));
        auto* label = new CLabelUI;
        label->SetTextColor(0xFF000000);
        label->SetFont(2);
        label->SetTextPadding(RECT{4, 0, 0, 0});
        label->SetText(level == recommendedLevel ? zovi::platform::FormatWide(TolkaGetString(15), name).c_str() : name);
        row->Add(label);
        combo->Add(row);
        if (level == recommendedLevel) combo->SelectItem(combo->GetCount() - 1, false, false);
    }
}

void CUICaptureConfigure::ResetSourceLabels() {
    for (const SourceRow& row : m_rows)
        if (row.detail) row.detail->SetText(L"");
}

void CUICaptureConfigure::OnItemSelect(TNotifyUI& msg) {
    const DeviceRow* device = nullptr;
    for (const DeviceRow& candidate : m_devices)
        if (candidate.combo && msg.pSender == candidate.combo) device = &candidate;
    if (!device) return;
    CControlUI* row = SelectedRow(device->combo);
    if (!row) return;
    const UINT_PTR tag = row->GetTag();
    CCaptureController& controller = *CCaptureController::GetInstance();
    if (device == &m_devices[kRowCamera]) {
        SelectIcon(device->icon, tag != kTagNoDevice);
        if (tag == kTagNoDevice) {
            controller.CameraClose();
            if (m_pTabScreen) m_pTabScreen->Selected(true, true);
        } else {
            controller.OpenCamera(row->GetUserData().str());
            if (m_pTabScreenCam && !(m_pTabCam && m_pTabCam->IsSelected())) m_pTabScreenCam->Selected(true, true);
        }
    } else if (device == &m_devices[kRowMic]) {
        SelectIcon(device->icon, tag != kTagNoDevice);
        if (tag == kTagNoDevice) {
            controller.StopAudioDeviceTest();
            m_fLevel.store(0.0f);
            m_nLevelChanges.fetch_add(1);
        } else {
            zovi::engine::SoundDeviceRecord microphone{L"", row->GetUserData().str(), tag != 0};
            std::weak_ptr<zovi::engine::IAudioTestOutput> listener;
            if (auto self = weak_from_this().lock()) listener = std::shared_ptr<zovi::engine::IAudioTestOutput>(self);
            controller.StartAudioDeviceTest({microphone}, listener);
        }
    }
    // "comHD": the level is read when a recording starts.
}

void CUICaptureConfigure::OnModeTabSelect(CControlUI* tab) {
    CComboUI* cameras = m_devices[kRowCamera].combo;
    if (!cameras) return;
    CCaptureController& controller = *CCaptureController::GetInstance();
    bool cameraWanted = false;
    if (tab == m_pTabScreenCam || tab == m_pTabScreen) {
        cameraWanted = tab == m_pTabScreenCam;
        PostGAEvent("configure", "tab", cameraWanted ? "screen_cam" : "screen");
        GetGlobal().captureEntrance = cameraWanted ? 0 : 1;
        if (m_pChosenSource) FillQualityCombo(QualityClassFromHeight(m_pChosenSource->height));
    } else if (tab == m_pTabCam) {
        cameraWanted = true;
        PostGAEvent("configure", "tab", "cam");
        GetGlobal().captureEntrance = 2;
        ReleaseRectSelector();
        if (m_rows[kRowRect].icon) m_rows[kRowRect].icon->Selected(false, false);
        int width = 0, height = 0;
        controller.GetCameraSize(width, height);
        FillQualityCombo(QualityClassFromHeight(height));
    } else {
        return;
    }

    // The camera follows the mode (each selection raises its own notification).
    CControlUI* current = SelectedRow(cameras);
    if (cameraWanted) {
        if (!current || current->GetTag() == kTagNoDevice) {
            const int first = FindRowByTag(cameras, kTagNoDevice, false);
            if (first >= 0) cameras->SelectItem(first, false, true);
        }
    } else {
        const int none = FindRowByTag(cameras, kTagNoDevice, true);
        if (none >= 0) cameras->SelectItem(none, false, true);
    }
    UpdateSourceAreaLayout();
}

void CUICaptureConfigure::UpdateSourceAreaLayout() {
    const bool cameraOnly = m_pTabCam && m_pTabCam->IsSelected();
    if (cameraOnly == s_bSourceAreaHidden) return;
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    const int change = cameraOnly ? -kSourceAreaHeight : kSourceAreaHeight;
    if (cameraOnly) {
        ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top + change, TRUE);
        if (m_pLayoutSrc) m_pLayoutSrc->SetVisible(false);
    } else {
        if (m_pLayoutSrc) m_pLayoutSrc->SetVisible(true);
        ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top + change, TRUE);
    }
    s_bSourceAreaHidden = cameraOnly;
}

void CUICaptureConfigure::PickSource(UINT_PTR tag) {
    if (tag == kTagRect) {
        PostGAEvent("configure", "click", "desktop_rect_select");
        if (m_rows[kRowRect].icon) m_rows[kRowRect].icon->Selected(true, true);
        m_pChosenSource.reset();
        ResetSourceLabels();
        ShowRectSelector();
        return;
    }
    if (tag != kTagDesktop && tag != kTagWindow) return;
    const bool monitors = tag == kTagDesktop;
    PostGAEvent("configure", "click", monitors ? "desktop_select" : "window_select");
    auto picker = std::make_shared<CUICaptureSource>(monitors ? CUICaptureSource::kListMonitors
                                                              : CUICaptureSource::kListWindows);
    m_pPicker = picker;
    UINT result = IDCANCEL;
    if (picker->Create(m_hWnd, L"", UI_WNDSTYLE_DIALOG, 0)) result = picker->ShowModal();
    std::shared_ptr<zovi::engine::WindowInfo> chosen = result == IDOK ? picker->GetChosenEntry() : nullptr;
    m_pPicker.reset();
    if (!chosen) return;
    m_pChosenSource = chosen;
    const SourceRow& row = m_rows[monitors ? kRowDesktop : kRowWindow];
    if (row.icon) row.icon->Selected(true, false);
    ReleaseRectSelector();
    ResetSourceLabels();
    if (row.detail) row.detail->SetText(chosen->title.c_str());
    FillQualityCombo(QualityClassFromHeight(chosen->height));
}

void CUICaptureConfigure::ShowRectSelector() {
    std::weak_ptr<CUIScreenRectSelector::IUIScreenRectSelectorCallback> callback;
    if (auto self = weak_from_this().lock())
        callback = std::shared_ptr<CUIScreenRectSelector::IUIScreenRectSelectorCallback>(self);
    ReleaseRectSelector();
    auto selector = std::make_shared<CUIScreenRectSelector>(callback);
    m_pRectSelector = selector;
    if (!selector->Create(0, L"", UI_WNDSTYLE_FRAME, WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) return;
    selector->ShowWindow(true, true);
}

void CUICaptureConfigure::ReleaseRectSelector() { m_pRectSelector.reset(); }

}  // namespace DuiLib
