#include "engine/controller/capture_controller.h"

#include <filesystem>

#include "core/deferred/on_idle.h"
#include "core/log/logger.h"
#include "engine/capture/capture_impl.h"
#include "engine/controller/capture_naming.h"
#include "engine/history/capture_history.h"
#include "engine/util/engine_misc.h"

namespace zovi::engine {

namespace {

// Creates the folder of `path` when it is missing, so files can be written into it.
void EnsureParentFolder(const std::wstring& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(WideToUtf8(path)).parent_path(),
                                        error);
}

bool FileExists(const std::wstring& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(WideToUtf8(path)), error);
}

}  // namespace

CCaptureController::CCaptureController()
    : notify_(std::make_shared<OvCaptureNotifyDelegate>()) {
    COptionsController::GetInstance()->AddListener(this);
}

CCaptureController::~CCaptureController() {
    StopAudioDeviceTest();
    engine_.reset();  // a running recording is stopped by the engine's destructor
    toolBar_.reset();
    if (cameraReader_) cameraReader_->Destroy();
    // (The listener base leaves the options controller's list.)
}

CaptureSettings CCaptureController::Settings() const {
    return settingsSource_ ? settingsSource_() : ReadCaptureSettings();
}

void CCaptureController::SetCameraInputForTesting(std::string inputFormat, std::string url) {
    cameraInputFormat_ = std::move(inputFormat);
    cameraUrl_ = std::move(url);
}

bool CCaptureController::StartCapture(const CaptureSourceInfo& source, int reserved,
                                      int encodeSize,
                                      const std::vector<SoundDeviceRecord>& soundDevices) {
    // A start while recording would end that recording unseen (no history entry).
    if (state_ != kCaptureIdle) return false;
    // The previous engine goes first (its threads are joined), then its toolbar: the
    // last reference of a window is dropped here on the UI thread, never by an engine
    // thread.
    engine_.reset();
    toolBar_.reset();
    auto engine = std::make_shared<CCaptureImpl>();
    engine_ = engine;

    if (!source.IsCaptureRectValid()) return false;
    const CaptureSettings settings = Settings();
    std::shared_ptr<CodecParam> videoParams = MakeVideoParams(settings);
    if (!videoParams || !videoParams->GetEncoderName()) return false;
    videoParams->Describe();
    std::shared_ptr<AudioCodecParam> audioParams = MakeAudioParams(settings);
    const std::wstring outputName = MakeOutputFileName();
    if (!engine->Start(source, reserved, encodeSize, soundDevices, outputName, -1, 0, notify_,
                       videoParams, audioParams)) {
        engine_.reset();
        return false;
    }

    const uint32_t mask = ToolbarMask(source.type, IsCameraShowing(), !soundDevices.empty(),
                                      settings.toolbar_mask);
    if (hooks_.createToolBar) {
        toolBar_ = hooks_.createToolBar(mask, this);
        if (toolBar_) notify_->AddListener(toolBar_);
    }
    if (hooks_.showMainWindow) hooks_.showMainWindow(false);
    state_ = kCaptureRecording;
    lastSource_ = source;
    return true;
}

bool CCaptureController::StartCameraCapture(int encodeSize,
                                            const std::vector<SoundDeviceRecord>& soundDevices) {
    if (!cameraView_ || !cameraReader_ || !hooks_.isCameraViewVisible ||
        !hooks_.isCameraViewVisible() || cameraReader_->IsStopped())
        return false;
    cameraCapture_ = std::make_shared<CCameraCapture>();
    cameraReader_->AddOutput(cameraCapture_);
    int width = 0, height = 0;
    cameraReader_->GetFrameSize(width, height);
    CaptureSourceInfo source;
    source.type = CAP_CUSTOME_READER;
    source.name.clear();
    source.window = 0;
    source.SetRect({0, 0, width, height});
    source.reader = cameraCapture_;
    return StartCapture(source, 0, encodeSize, soundDevices);
}

std::wstring CCaptureController::MakeOutputFileName() {
    const CaptureSettings settings = Settings();
    outputFileName_ = MakeUniqueFileName(
        FormatOutputFileName(settings.saveVideoPath, LocalTimeNow(), settings.muxFmt));
    EnsureParentFolder(outputFileName_);
    return outputFileName_;
}

std::string CCaptureController::GetContainerName() const {
    return ContainerName(Settings().muxFmt);
}

std::wstring CCaptureController::MakeSnapshotFileName() const {
    const std::wstring name = MakeUniqueFileName(
        FormatSnapshotFileName(Settings().saveSnapshotPath, LocalTimeNow()));
    EnsureParentFolder(name);
    return name;
}

void CCaptureController::Stop() {
    GetGlobalLogger().Info(L"CCaptureController::Stop");
    // A stop while idle (the toolbar's own stop after a hotkey stop, or after a failed
    // start) has nothing to finish.
    if (state_ == kCaptureIdle) return;
    int elapsed = 0;
    bool finished = false;
    if (engine_) {
        elapsed = engine_->GetLastElapsedSeconds();
        finished = engine_->Stop();
    }
    if (hooks_.showMainWindow) hooks_.showMainWindow(true);
    if (finished && FileExists(outputFileName_)) {
        CCaptureHistory::GetInstance()->AddRecord(outputFileName_, elapsed, kHistoryRecording);
    } else {
        GetGlobalLogger().Error(L"CCaptureController::Stop: the muxer did not finish %s",
                                outputFileName_.c_str());
    }
    if (hooks_.showHistoryWindow) hooks_.showHistoryWindow();
    state_ = kCaptureIdle;
}

void CCaptureController::Pause() {
    if (!engine_ || state_ != kCaptureRecording) return;
    engine_->Pause(true);
    state_ = kCapturePaused;
}

void CCaptureController::Resume() {
    if (!engine_ || state_ != kCapturePaused) return;
    engine_->Pause(false);
    state_ = kCaptureRecording;
}

void CCaptureController::MicOn() {
    if (engine_) engine_->SetAudioMute(false);
}

void CCaptureController::MicOff() {
    if (engine_) engine_->SetAudioMute(true);
}

void CCaptureController::OpenCamera(const std::wstring& cameraName) {
    if (!cameraReader_)
        cameraReader_ = std::make_shared<CVideoDecoder>(0, cameraInputFormat_, cameraUrl_);
    const bool mirror = Settings().camera_mirror != 0;
    std::weak_ptr<CVideoDecoder> weakReader = cameraReader_;
    PostToUiThread([weakReader, cameraName, mirror] {
        if (auto reader = weakReader.lock()) reader->OpenDShowCamera(WideToUtf8(cameraName), mirror);
    });
    if (!cameraView_ && hooks_.createCameraView) {
        cameraView_ = hooks_.createCameraView();
        if (cameraView_) cameraReader_->AddOutput(cameraView_);
    }
    if (cameraView_ && hooks_.resetCameraView) hooks_.resetCameraView();
    cameraName_ = cameraName;
}

void CCaptureController::CameraOpen() {
    OpenCamera(cameraName_);
    if (toolBar_ && hooks_.selectToolBarCamera) hooks_.selectToolBarCamera(true);
}

void CCaptureController::CameraClose() {
    if (cameraReader_) cameraReader_->Close();
    if (cameraView_) {
        if (hooks_.closeCameraView) hooks_.closeCameraView();
        cameraView_.reset();
    }
    if (toolBar_ && hooks_.selectToolBarCamera) hooks_.selectToolBarCamera(false);
    RaiseOptionsEvent(kEventCameraClose);
}

void CCaptureController::GetCameraSize(int& width, int& height) const {
    width = height = 0;
    if (cameraReader_) cameraReader_->GetFrameSize(width, height);
}

bool CCaptureController::IsCameraShowing() const {
    return cameraView_ && cameraReader_ && hooks_.isCameraViewVisible &&
           hooks_.isCameraViewVisible() && !cameraReader_->IsStopped();
}

void CCaptureController::WhiteBoardOpen(std::shared_ptr<IWBStateCallback> stateCallback) {
    RECT area{};
    if (!lastSource_.GetTargetWindowRect(&area)) return;  // the window has gone
    if (area.right <= area.left || area.bottom <= area.top) return;
    if (!hooks_.openWhiteBoard) return;
    hooks_.openWhiteBoard(area, std::move(stateCallback));
    whiteBoardOpen_ = true;
}

void CCaptureController::WhiteBoardClose() {
    if (!whiteBoardOpen_) return;
    if (hooks_.closeWhiteBoard) hooks_.closeWhiteBoard();
    whiteBoardOpen_ = false;
}

void CCaptureController::Snapshot() {
    if (!engine_) return;
    engine_->TakeSnapshot(WideToUtf8(MakeSnapshotFileName()), nullptr);
}

void CCaptureController::StartAudioDeviceTest(const std::vector<SoundDeviceRecord>& devices,
                                              std::weak_ptr<IAudioTestOutput> listener) {
    StopAudioDeviceTest();
    audioDeviceTest_ = std::make_shared<CAudioDeviceTest>();
    audioDeviceTest_->AddListener(std::move(listener));
    audioDeviceTest_->Start();
    for (const auto& device : devices)
        audioDeviceTest_->AddTestDevice(device.identifier, device.isMicrophone);
}

void CCaptureController::StopAudioDeviceTest() {
    if (!audioDeviceTest_) return;
    audioDeviceTest_->ClearListeners();
    audioDeviceTest_->Stop();
    audioDeviceTest_.reset();
}

}  // namespace zovi::engine
