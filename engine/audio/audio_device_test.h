// The sound test: the chosen devices run through a private mixer (2 channels, planar
// float, 44100 Hz) and each block's level goes to the listeners.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/audio/audio_io_core.h"
#include "engine/audio/audio_output.h"

namespace zovi::engine {

class IAudioTestOutput {
public:
    virtual ~IAudioTestOutput() = default;
    // 3 x the largest absolute sample of the block's first two channels. Runs on the
    // mixing thread.
    virtual void OnAudioTestLevel(float level) = 0;
};

class CAudioDeviceTest : public IAudioOutput, public std::enable_shared_from_this<CAudioDeviceTest> {
public:
    CAudioDeviceTest() = default;
    ~CAudioDeviceTest() override;

    void AddListener(std::weak_ptr<IAudioTestOutput> listener);
    void ClearListeners();
    bool Start();
    bool AddTestDevice(const std::wstring& deviceId, bool isInput);
    // Stops the mixer and its devices (also done by destruction).
    void Stop();

    bool OnAudioFrame(float** planes, int frames, int64_t runningCount) override;

private:
    std::mutex listenersLock_;
    std::vector<std::weak_ptr<IAudioTestOutput>> listeners_;
    std::shared_ptr<CAudioIOCore> core_;
};

// A level kept for a UI timer: written by the mixing thread, read by any thread.
class CAudioLevel : public IAudioTestOutput {
public:
    void OnAudioTestLevel(float level) override { level_.store(level); }
    float Get() const { return level_.load(); }
    void Set(float level) { level_.store(level); }

private:
    std::atomic<float> level_{0.0f};
};

}  // namespace zovi::engine
