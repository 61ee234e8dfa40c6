#include "engine/audio/audio_device_test.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>

#include "engine/util/av_log.h"
#include "platform/base/utf8.h"

namespace zovi::engine {

CAudioDeviceTest::~CAudioDeviceTest() { Stop(); }

void CAudioDeviceTest::AddListener(std::weak_ptr<IAudioTestOutput> listener) {
    std::lock_guard lock(listenersLock_);
    listeners_.push_back(std::move(listener));
}

void CAudioDeviceTest::ClearListeners() {
    std::lock_guard lock(listenersLock_);
    listeners_.clear();
}

bool CAudioDeviceTest::Start() {
    if (core_) return false;
    core_ = std::make_shared<CAudioIOCore>(2, AV_SAMPLE_FMT_FLTP, 44100, weak_from_this());
    if (!core_->Start()) {
        core_.reset();
        return false;
    }
    core_->SetPause(false);
    return true;
}

bool CAudioDeviceTest::AddTestDevice(const std::wstring& deviceId, bool isInput) {
    AvLogInfo("add test device: %s, input:%d", platform::WideToUtf8(deviceId).c_str(), isInput ? 1 : 0);
    if (!core_) return false;
    return isInput ? core_->AddInputDevice(deviceId, false) : core_->AddLoopbackDevice(deviceId);
}

void CAudioDeviceTest::Stop() {
    if (core_) core_->Stop();
    core_.reset();
}

bool CAudioDeviceTest::OnAudioFrame(float** planes, int frames, int64_t) {
    float peak = 0.0f;
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < frames; ++i) peak = std::max(peak, std::fabs(planes[ch][i]));
    const float level = 3.0f * peak;
    std::vector<std::shared_ptr<IAudioTestOutput>> living;
    {
        std::lock_guard lock(listenersLock_);
        for (auto& listener : listeners_)
            if (auto alive = listener.lock()) living.push_back(std::move(alive));
    }
    for (auto& listener : living) listener->OnAudioTestLevel(level);
    return true;
}

}  // namespace zovi::engine
