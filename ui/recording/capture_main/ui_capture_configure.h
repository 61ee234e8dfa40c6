// DuiLib::CUICaptureConfigure: the capture main window ("CaptureMainWnd"). The user
// picks the mode (screen and camera, screen only, camera only), the screen source (a
// monitor or a window from the picker, or a region from the region selector), the
// camera, the microphone (with a live level meter), the system sound and the resolution,
// then starts a recording with the start button, Enter or the tray's start command. It
// carries out every command the tray menu and the global hotkeys send, answers the tray's
// listener check (also inside modal loops), and ends the program when it closes.
//
// Threads: UI thread only, except OnAudioTestLevel (the sound test's mixing thread),
// which touches only the two atomics.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/options/options_controller.h"
#include "core/tolka/tolka_base.h"
#include "engine/audio/audio_device_test.h"
#include "engine/audio/device_list.h"
#include "engine/video/capture_sources.h"
#include "ui/base/shadow_helper.h"
#include "ui/base/window_impl_base_impl.h"
#include "ui/recording/rect_selector/ui_screen_rect_selector.h"

namespace DuiLib {

class CComboUI;
class COptionUI;
class COptionUIEx;
class CUICaptureSource;
class CUICountdownDlg;

class CUICaptureConfigure : public WindowImplBaseImpl,
                            public CTolkaBase,
                            public IOptionsNotificationListener,
                            public zovi::engine::IAudioTestOutput,
                            public CUIScreenRectSelector::IUIScreenRectSelectorCallback,
                            public CShadowHelper,
                            public std::enable_shared_from_this<CUICaptureConfigure> {
public:
    // Tags of the arrow buttons and of the combo rows.
    static constexpr UINT_PTR kTagDesktop = 18, kTagWindow = 19, kTagRect = 20;
    static constexpr UINT_PTR kTagCamera = 16, kTagNoDevice = 17;
    static constexpr UINT_PTR kMeterTimerId = 16;
    static constexpr UINT kMeterTimerPeriodMs = 50;
    // Message box types.
    static constexpr UINT kBoxOk = 1, kBoxOkCancel = 3;

    CUICaptureConfigure();
    ~CUICaptureConfigure() override;

    const wchar_t* GetWindowClassName() const override { return L"CaptureMainWnd"; }
    CDuiString GetSkinFile() override { return L"CaptureConfigure.xml"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    CControlUI* CreateControl(const wchar_t* pstrClass) override;

    // CTolkaBase: the language refresh.
    void ApplyStrings() override { OnLanguageChanged(); }
    void OnLanguageChanged();
    // IOptionsNotification: the named events.
    void OnOptionsEvents(const std::set<std::wstring>& names) override;
    // IAudioTestOutput (mixing thread).
    void OnAudioTestLevel(float level) override;
    // The region selector's hole changed.
    void OnRectHeightChanged(const RECT& hole) override;

    // Fills (each raises the combos' selection notifications as the Part says).
    void FillCameraCombo();
    void FillMicCombo();
    void FillQualityCombo(int recommendedLevel);
    void ResetSourceLabels();
    void ShowRectSelector();
    void ReleaseRectSelector();

    // The start flow.
    void StartCapture();
    void StartScreenCapture();
    void StartCameraCapture();
    // The encode size (resolution level) of the "comHD" row; 2 when none.
    int GetCaptureSize();
    // Appends the sound devices of a start; true when a microphone was added.
    bool FillStartParams(std::vector<zovi::engine::SoundDeviceRecord>& devices);
    // A modal box over `owner` with string 0 as title and string `id` as text.
    static UINT ShowMessageBoxById(std::uint32_t id, HWND owner, UINT type);

    // What the window holds, for its peers and tests.
    std::shared_ptr<zovi::engine::WindowInfo> GetChosenSource() const { return m_pChosenSource; }
    std::shared_ptr<CUIScreenRectSelector> GetRectSelector() const { return m_pRectSelector; }
    std::shared_ptr<CUICountdownDlg> GetCountdown() const { return m_pCountdown; }
    COptionUIEx* GetLevelMeter() const { return m_pLevelMeter; }
    static bool IsSourceAreaHidden() { return s_bSourceAreaHidden; }

    // The camera list the camera combo is filled from (EnumCameras by default); a test
    // gives its own list, restored by an empty function.
    static void SetCameraListForTesting(std::function<void(std::vector<zovi::engine::DeviceEntry>*)> list);

private:
    struct SourceRow {
        COptionUI* icon = nullptr;
        CControlUI* name = nullptr;
        CControlUI* detail = nullptr;
        CControlUI* arrow = nullptr;
    };
    struct DeviceRow {
        CControlUI* icon = nullptr;
        CComboUI* combo = nullptr;
    };
    enum SourceRowIndex { kRowDesktop = 0, kRowWindow = 1, kRowRect = 2, kSourceRowCount = 3 };
    enum DeviceRowIndex { kRowCamera = 0, kRowMic = 1, kRowQuality = 2, kDeviceRowCount = 3 };

    void BindControls();
    void ApplyTexts();
    void RefillCombosLambda();
    void OnSelectChanged(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);
    void OnModeTabSelect(CControlUI* tab);
    void UpdateSourceAreaLayout();
    void PickSource(UINT_PTR tag);
    void OnCloseMessage();
    LRESULT OnTrayCommand(UINT id, BOOL& bHandled);
    void ToggleToolBar();

    // The start flow's steps; each runs at once or from the countdown's completion,
    // which holds this window, the picked source and the region selector weakly and
    // hands over what is left of them (a null source or selector fails with message 39).
    void RunScreenStart(UINT_PTR tag);
    void RunRowStart(UINT_PTR tag, const std::shared_ptr<zovi::engine::WindowInfo>& source,
                     const std::shared_ptr<CUIScreenRectSelector>& selector);
    // Hides this window and runs `start` when the countdown ends.
    void StartAfterCountdown(std::function<void(CUICaptureConfigure&)> start);
    void ShowCountdown(std::function<void()> completion);
    void StartDesktopCapture(const std::shared_ptr<zovi::engine::WindowInfo>& monitor);
    void StartWindowCapture(const std::shared_ptr<zovi::engine::WindowInfo>& window);
    void StartRectCapture(const std::shared_ptr<CUIScreenRectSelector>& selector);
    void DoStartCameraCapture();
    // A failed start: after a countdown the hidden window comes back first (the box
    // needs a visible owner and the tray's "open" must still work).
    void ShowStartFailure(std::uint32_t id);

    SourceRow m_rows[kSourceRowCount];
    DeviceRow m_devices[kDeviceRowCount];
    std::shared_ptr<CUIScreenRectSelector> m_pRectSelector;
    std::shared_ptr<CUICountdownDlg> m_pCountdown;
    std::shared_ptr<CUICaptureSource> m_pPicker;  // only while it is shown

    CControlUI* m_pBtnClose = nullptr;
    CControlUI* m_pBtnStart = nullptr;
    CControlUI* m_pBtnSet = nullptr;
    CControlUI* m_pBtnAccount = nullptr;
    CControlUI* m_pBtnAccountOK = nullptr;
    CControlUI* m_pBtnHistory = nullptr;
    COptionUI* m_pTabScreenCam = nullptr;
    COptionUI* m_pTabScreen = nullptr;
    COptionUI* m_pTabCam = nullptr;
    COptionUI* m_pOptCapDesktop = nullptr;
    COptionUIEx* m_pLevelMeter = nullptr;
    CControlUI* m_pLayoutSrc = nullptr;

    std::shared_ptr<zovi::engine::WindowInfo> m_pChosenSource;
    bool m_bStartFromCountdown = false;

    // The sound test's level (0..1) and how often it changed since the last tick.
    std::atomic<float> m_fLevel{0.0f};
    std::atomic<uint32_t> m_nLevelChanges{0};

    static bool s_bSourceAreaHidden;
};

}  // namespace DuiLib
