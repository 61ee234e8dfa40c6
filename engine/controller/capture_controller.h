// The owner of the current recording: turns a source, a resolution and sound devices
// plus the settings into one capture engine, and carries out the recording commands.
// Everything here runs on the UI thread.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/deferred/singleton.h"
#include "core/options/options_controller.h"
#include "engine/audio/audio_device_test.h"
#include "engine/audio/device_list.h"
#include "engine/camera/video_decoder.h"
#include "engine/capture/capture.h"
#include "engine/controller/capture_settings.h"
#include "engine/controller/capture_windows.h"
#include "engine/notify/capture_notify.h"
#include "engine/camera/camera_capture.h"
#include "engine/video/capture_source_info.h"

namespace zovi::engine {

// The commands of the recording toolbar, the camera toolbar, the hotkeys and the main
// window, in this order.
class IToolBarCmd {
public:
    virtual ~IToolBarCmd() = default;
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Reserved() = 0;
    virtual void CameraOpen() = 0;
    virtual void CameraClose() = 0;
    virtual void MicOn() = 0;
    virtual void MicOff() = 0;
    virtual void WhiteBoardOpen(std::shared_ptr<IWBStateCallback> stateCallback) = 0;
    virtual void WhiteBoardClose() = 0;
    virtual void Snapshot() = 0;
};

// Capture state: 0 recording, 1 paused, 2 idle.
enum CaptureState : int32_t { kCaptureRecording = 0, kCapturePaused = 1, kCaptureIdle = 2 };

// Registered as an options listener for its life; it ignores every named event.
class CCaptureController : public CSingletonT<CCaptureController>,
                           public IToolBarCmd,
                           public IOptionsNotificationListener {
public:
    ~CCaptureController() override;

    // Starts recording; false (state unchanged) when the controller is not idle, the area
    // is empty, the settings name no usable codec, or the engine fails to start.
    bool StartCapture(const CaptureSourceInfo& source, int reserved, int encodeSize,
                      const std::vector<SoundDeviceRecord>& soundDevices);
    // Records the open camera alone.
    bool StartCameraCapture(int encodeSize, const std::vector<SoundDeviceRecord>& soundDevices);
    // Opens the camera named `cameraName` on the UI thread's next idle pass.
    void OpenCamera(const std::wstring& cameraName);
    void GetCameraSize(int& width, int& height) const;
    bool IsCameraShowing() const;

    void StartAudioDeviceTest(const std::vector<SoundDeviceRecord>& devices,
                              std::weak_ptr<IAudioTestOutput> listener);
    void StopAudioDeviceTest();

    // A new output file name from the settings now, unique in its folder, stored as the
    // current one (each start makes its own from its settings).
    std::wstring MakeOutputFileName();
    std::string GetContainerName() const;
    std::wstring MakeSnapshotFileName() const;

    // IToolBarCmd
    void Stop() override;
    void Pause() override;
    void Resume() override;
    void Reserved() override {}
    void CameraOpen() override;
    void CameraClose() override;
    void MicOn() override;
    void MicOff() override;
    void WhiteBoardOpen(std::shared_ptr<IWBStateCallback> stateCallback) override;
    void WhiteBoardClose() override;
    void Snapshot() override;

    int32_t GetState() const { return state_; }
    const std::wstring& CurrentOutputFileName() const { return outputFileName_; }
    std::shared_ptr<ICapture> Engine() const { return engine_; }
    // The recording toolbar's notification part, as the window hooks made it; null
    // before the first start or without a toolbar.
    const std::shared_ptr<ICaptureNotify>& ToolBar() const { return toolBar_; }
    const std::shared_ptr<OvCaptureNotifyDelegate>& Notifier() const { return notify_; }

    // The recording windows, held weakly: the application keeps them for as long as
    // they are to be driven. Without them (none set, or gone) every window step is
    // skipped and the controller works on.
    void SetWindows(std::weak_ptr<ICaptureWindows> windows) { windows_ = std::move(windows); }
    // Where each start's settings come from: by default made from the process-wide
    // options record (GetGlobal()) at that moment; null restores the default.
    void SetSettingsSource(std::function<CaptureSettings()> source) {
        settingsSource_ = std::move(source);
    }
    // The FFmpeg input and URL cameras are opened with instead of V4L2 by name.
    void SetCameraInputForTesting(std::string inputFormat, std::string url);

private:
    friend class CSingletonT<CCaptureController>;
    CCaptureController();
    CaptureSettings Settings() const;
    std::wstring MakeOutputFileName(const CaptureSettings& settings);

    std::weak_ptr<ICaptureWindows> windows_;
    std::shared_ptr<ICaptureNotify> toolBar_;
    std::shared_ptr<ICapture> engine_;
    std::shared_ptr<OvCaptureNotifyDelegate> notify_;
    std::shared_ptr<IDecVideoOutput> cameraView_;
    std::shared_ptr<CVideoDecoder> cameraReader_;
    std::shared_ptr<CCameraCapture> cameraCapture_;
    std::shared_ptr<CAudioDeviceTest> audioDeviceTest_;
    bool whiteBoardOpen_ = false;
    std::wstring cameraName_;
    std::wstring outputFileName_;
    int32_t state_ = kCaptureIdle;
    CaptureSourceInfo lastSource_;

    std::function<CaptureSettings()> settingsSource_;
    std::string cameraInputFormat_ = "v4l2";
    std::string cameraUrl_;
};

}  // namespace zovi::engine
