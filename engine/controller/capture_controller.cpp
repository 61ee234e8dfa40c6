#include "engine/controller/capture_controller.h"

#include "core/deferred/on_idle.h"
#include "core/files/directories.h"
#include "core/files/file.h"
#include "core/global/global.h"
#include "core/log/logger.h"
#include "engine/capture/capture_impl.h"
#include "engine/controller/capture_naming.h"
#include "engine/history/capture_history.h"
#include "platform/base/utf8.h"

namespace zovi::engine {

namespace {

// Creates the folder of `path` when it is missing, so files can be written into it.
void EnsureParentFolder(const std::wstring& path) { CreateParentDirectories(path); }

bool FileExists(const std::wstring& path) { return PathExists(path, true); }

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
    return settingsSource_ ? settingsSource_() : CaptureSettings(GetGlobal());
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
    if (VideoCodecReplaced(settings))
        GetGlobalLogger().Info(
            L"CCaptureController::StartCapture: %S holds no Xvid video, recording with x264",
            ContainerName(settings.muxFmt).c_str());
    std::shared_ptr<CodecParam> videoParams = MakeVideoParams(settings);
    if (!videoParams || !videoParams->GetEncoderName()) return false;
    videoParams->Describe(ContainerName(settings.muxFmt));
    std::shared_ptr<AudioCodecParam> audioParams = MakeAudioParams(settings);
    const std::wstring outputName = MakeOutputFileName(settings);
    if (!engine->Start(source, MakeSourceSettings(settings), reserved, encodeSize, soundDevices,
                       outputName, -1, 0, notify_, videoParams, audioParams)) {
        engine_.reset();
        return false;
    }

    const uint32_t mask = ToolbarMask(source.type, IsCameraShowing(), !soundDevices.empty(),
                                      settings.toolbarMask);
    if (const auto windows = windows_.lock()) {
        toolBar_ = windows->CreateToolBar(mask, this);
        if (toolBar_) notify_->AddListener(toolBar_);
        windows->ShowMainWindow(false);
    }
    state_ = kCaptureRecording;
    lastSource_ = source;
    return true;
}

bool CCaptureController::StartCameraCapture(int encodeSize,
                                            const std::vector<SoundDeviceRecord>& soundDevices) {
    if (!IsCameraShowing()) return false;
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

std::wstring CCaptureController::MakeOutputFileName() { return MakeOutputFileName(Settings()); }

std::wstring CCaptureController::MakeOutputFileName(const CaptureSettings& settings) {
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
    const auto windows = windows_.lock();
    if (windows) windows->ShowMainWindow(true);
    if (finished && FileExists(outputFileName_)) {
        CCaptureHistory::GetInstance()->AddRecord(outputFileName_, elapsed, kHistoryRecording);
    } else {
        GetGlobalLogger().Error(L"CCaptureController::Stop: the muxer did not finish %s",
                                outputFileName_.c_str());
    }
    if (windows) windows->ShowHistoryWindow();
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
    const bool mirror = Settings().cameraMirror != 0;
    std::weak_ptr<CVideoDecoder> weakReader = cameraReader_;
    PostToUiThread([weakReader, cameraName, mirror] {
        if (auto reader = weakReader.lock()) reader->OpenDShowCamera(platform::EncodeUtf8Lossless(cameraName), mirror);
    });
    if (const auto windows = windows_.lock()) {
        if (!cameraView_) {
            cameraView_ = windows->CreateCameraView();
            if (cameraView_) cameraReader_->AddOutput(cameraView_);
        }
        if (cameraView_) windows->ResetCameraView();
    }
    cameraName_ = cameraName;
}

void CCaptureController::CameraOpen() {
    OpenCamera(cameraName_);
    const auto windows = windows_.lock();
    if (toolBar_ && windows) windows->SelectToolBarCamera(true);
}

void CCaptureController::CameraClose() {
    if (cameraReader_) cameraReader_->Close();
    const auto windows = windows_.lock();
    if (cameraView_) {
        if (windows) windows->CloseCameraView();
        cameraView_.reset();
    }
    if (toolBar_ && windows) windows->SelectToolBarCamera(false);
    RaiseOptionsEvent(kEventCameraClose);
}

void CCaptureController::GetCameraSize(int& width, int& height) const {
    width = height = 0;
    if (cameraReader_) cameraReader_->GetFrameSize(width, height);
}

bool CCaptureController::IsCameraShowing() const {
    if (!cameraView_ || !cameraReader_) return false;
    const auto windows = windows_.lock();
    return windows && windows->IsCameraViewVisible() && !cameraReader_->IsStopped();
}

void CCaptureController::WhiteBoardOpen(std::shared_ptr<IWBStateCallback> stateCallback) {
    RECT area{};
    if (!lastSource_.GetTargetWindowRect(&area)) return;  // the window has gone
    if (area.right <= area.left || area.bottom <= area.top) return;
    const auto windows = windows_.lock();
    if (!windows) return;
    windows->OpenWhiteBoard(area, std::move(stateCallback));
    whiteBoardOpen_ = true;
}

void CCaptureController::WhiteBoardClose() {
    if (!whiteBoardOpen_) return;
    if (const auto windows = windows_.lock()) windows->CloseWhiteBoard();
    whiteBoardOpen_ = false;
}

void CCaptureController::Snapshot() {
    if (!engine_) return;
    engine_->TakeSnapshot(platform::EncodeUtf8Lossless(MakeSnapshotFileName()), nullptr);
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
