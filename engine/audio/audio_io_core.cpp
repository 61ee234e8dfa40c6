#include "engine/audio/audio_io_core.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/audio/audio_mix.h"
#include "engine/util/av_log.h"
#include "engine/util/clock_ns.h"
#include "engine/util/engine_misc.h"
#include "engine/util/trace_scope.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"
#include "platform/base/utf8.h"

namespace zovi::engine {

namespace {

constexpr int kPlaneBytes = CCapAudio::kBlockBytes;

// The time of `frames` frames in nanoseconds.
int64_t PeriodNs(int64_t frames, int rate) { return frames * 1'000'000'000 / rate; }

}  // namespace

CAudioIOCore::CAudioIOCore(int channels, int sampleFormat, int sampleRate,
                           std::weak_ptr<IAudioOutput> output)
    : channels_(std::clamp(channels, 1, CCapAudio::kMaxChannels)),
      format_(sampleFormat),
      rate_(sampleRate > 0 ? sampleRate : 44100),
      output_(std::move(output)) {
    AvLogInfo("CAudioIOCore::ctor: %08jx", static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(this)));
    for (int ch = 0; ch < channels_; ++ch) {
        mixPlanes_[ch] = static_cast<float*>(std::aligned_alloc(32, kPlaneBytes));
        tempPlanes_[ch] = static_cast<float*>(std::aligned_alloc(32, kPlaneBytes));
    }
}

CAudioIOCore::~CAudioIOCore() {
    Stop();
    for (int ch = 0; ch < CCapAudio::kMaxChannels; ++ch) {
        std::free(mixPlanes_[ch]);
        std::free(tempPlanes_[ch]);
        mixPlanes_[ch] = tempPlanes_[ch] = nullptr;
    }
    AvLogInfo("CAudioIOCore::dtor: %08jx", static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(this)));
    std::lock_guard lock(devicesLock_);
    devices_.clear();
}

bool CAudioIOCore::AddDevice(std::shared_ptr<CCapAudio> device) {
    device->SetCallBack(weak_from_this());
    if (!device->Open()) return false;
    std::lock_guard lock(devicesLock_);
    devices_.push_back(std::move(device));
    return true;
}

bool CAudioIOCore::AddInputDevice(const std::wstring& deviceId, bool noiseSuppression) {
    return AddDevice(std::make_shared<CCapAudio>(channels_, rate_, format_, true, noiseSuppression, deviceId));
}

bool CAudioIOCore::AddLoopbackDevice(const std::wstring& deviceId) {
    return AddDevice(std::make_shared<CCapAudio>(channels_, rate_, format_, false, false, deviceId));
}

bool CAudioIOCore::Start() {
    if (thread_.joinable()) return false;
    for (int ch = 0; ch < channels_; ++ch)
        if (!mixPlanes_[ch] || !tempPlanes_[ch]) return false;
    stop_ = false;
    thread_ = platform::StartThread([this] { AudioIOThread(); });
    return true;
}

void CAudioIOCore::Stop() {
    CTraceScope trace("CAudioIOCore::Stop()", this);
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::vector<std::shared_ptr<CCapAudio>> devices = Devices();
    for (auto& device : devices) device->Stop();
    AvLogInfo("CAudioIOCore::Stop()");
}

void CAudioIOCore::SetCallBack(std::weak_ptr<IAudioIOCoreCallBack> callBack) {
    std::lock_guard lock(callBackLock_);
    callBack_ = std::move(callBack);
}

std::vector<std::shared_ptr<CCapAudio>> CAudioIOCore::Devices() {
    std::lock_guard lock(devicesLock_);
    return devices_;
}

void CAudioIOCore::OnCapAudioEnded(const std::shared_ptr<CCapAudio>& device) {
    std::shared_ptr<IAudioIOCoreCallBack> callBack;
    {
        std::lock_guard lock(callBackLock_);
        callBack = callBack_.lock();
    }
    if (callBack) callBack->OnAudioDeviceEnded(device);
}

void CAudioIOCore::AudioIOThread() {
    CTraceScope trace("CAudioIOCore::AudioIOThread()", this);
    // (No OLE on this platform.)
    const int64_t start = static_cast<int64_t>(GetClockNs());
    const int64_t sleepMs = PeriodNs(kBlockFrames, rate_) / 1'000'000;
    const bool shortSleep = IsWindows6OrGreater(0, 2);
    int64_t emitted = 0;
    int64_t pausedTotal = 0;
    int64_t pauseStart = 0;
    while (!stop_.load()) {
        if (pause_.load()) {
            if (pauseStart == 0) pauseStart = static_cast<int64_t>(GetClockNs());
            // Paused sound is drained and dropped, so none of it reaches the output
            // and no lag is left behind after the resume.
            DrainDevices();
            RetireEndedDevices();
            Sleep(1);
            continue;
        }
        const int64_t now = static_cast<int64_t>(GetClockNs());
        if (pauseStart != 0) {
            pausedTotal += now - pauseStart;
            pauseStart = 0;
        }
        if (sleepMs != 0) Sleep(static_cast<DWORD>(shortSleep ? sleepMs - 1 : sleepMs));
        while (!stop_.load() && start + PeriodNs(emitted, rate_) + pausedTotal <= now) {
            emitted += kBlockFrames;
            MixBlock(emitted);
        }
        RetireEndedDevices();
    }
}

void CAudioIOCore::DrainDevices() {
    std::lock_guard lock(devicesLock_);
    for (auto& device : devices_) {
        while (device->ReadBlock(nullptr, channels_) > 0) {
        }
    }
}

void CAudioIOCore::RetireEndedDevices() {
    std::vector<std::shared_ptr<CCapAudio>> ended;
    size_t remaining = 0;
    {
        std::lock_guard lock(devicesLock_);
        std::erase_if(devices_, [&](const std::shared_ptr<CCapAudio>& device) {
            // Whatever the device captured before it ended is mixed first.
            if (device->IsRunning() || device->BufferedBytes() != 0) return false;
            ended.push_back(device);
            return true;
        });
        remaining = devices_.size();
    }
    for (auto& device : ended) {
        // Joins its ended capture thread (outside the lock: that thread may still be
        // in its callback).
        device->Stop();
        AvLogInfo("CAudioIOCore: sound device(%s) ended and left the mix; %zu device(s) go on",
                  platform::WideToUtf8(device->DeviceId()).c_str(), remaining);
    }
}

void CAudioIOCore::MixBlock(int64_t emitted) {
    for (int ch = 0; ch < channels_; ++ch) std::memset(mixPlanes_[ch], 0, kPlaneBytes);
    const bool mute = mute_.load();
    {
        std::lock_guard lock(devicesLock_);
        for (auto& device : devices_) {
            const int n = device->ReadBlock(tempPlanes_, channels_);
            if (n > 0 && !mute) AddToMix(mixPlanes_, tempPlanes_, channels_, n / 4);
        }
        if (devices_.size() > 1 && !mute) ClampMix(mixPlanes_, channels_, kBlockFrames);
    }
    if (auto output = output_.lock()) output->OnAudioFrame(mixPlanes_, kBlockFrames, emitted);
}

}  // namespace zovi::engine
