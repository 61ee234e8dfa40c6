// The sound mixer of one recording (or of the sound test): owns the devices, runs one
// mixing thread that makes a block of exactly 1024 frames per period of wall-clock
// time, sums the devices' blocks into it and hands it to an IAudioOutput. Paused time
// is excluded from the clock; mute keeps silent blocks flowing. A device whose capture
// ends on its own (unplugged, its server gone) leaves the mix once its last sound is
// mixed; the others go on, and with none left the blocks are silent.
// Threads: the owner calls Add*, Start, Stop, SetCallBack; the mixing thread mixes,
// drains and retires ended devices; a device's capture thread reports its end.
// SetPause, SetMute, the Is* queries and Devices may be called from any thread.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/audio_output.h"
#include "engine/audio/cap_audio.h"

namespace zovi::engine {

class CAudioIOCore : public CCapAudio::ICapAudioCallBack,
                     public std::enable_shared_from_this<CAudioIOCore> {
public:
    class IAudioIOCoreCallBack {
    public:
        virtual ~IAudioIOCoreCallBack() = default;
        // A device's capture has ended on its own (on that device's thread); it leaves
        // the mix. Not called for a Stop.
        virtual void OnAudioDeviceEnded(const std::shared_ptr<CCapAudio>& device) = 0;
    };

    static constexpr int kBlockFrames = 1024;

    // `sampleFormat` is an FFmpeg code; the engine and the sound test pass 8 (planar
    // float), which is what the mixer sums. At most 8 channels.
    CAudioIOCore(int channels, int sampleFormat, int sampleRate, std::weak_ptr<IAudioOutput> output);
    ~CAudioIOCore() override;
    CAudioIOCore(const CAudioIOCore&) = delete;
    CAudioIOCore& operator=(const CAudioIOCore&) = delete;

    // A microphone (empty id: the default one). A device that fails to open is not
    // added; the result says whether it was.
    bool AddInputDevice(const std::wstring& deviceId, bool noiseSuppression);
    // The playback sound of a sink (empty id: the default sink).
    bool AddLoopbackDevice(const std::wstring& deviceId);
    // Starts the mixing thread (paused until SetPause(false)).
    bool Start();
    // Joins the mixing thread, then stops every device in list order.
    void Stop();

    void SetPause(bool pause) { pause_ = pause; }
    bool IsPaused() const { return pause_.load(); }
    void SetMute(bool mute) { mute_ = mute; }
    bool IsMuted() const { return mute_.load(); }
    void SetCallBack(std::weak_ptr<IAudioIOCoreCallBack> callBack);

    // The devices in the mix (in the order added).
    std::vector<std::shared_ptr<CCapAudio>> Devices();

    // CCapAudio::ICapAudioCallBack: forwards to the callback.
    void OnCapAudioEnded(const std::shared_ptr<CCapAudio>& device) override;

private:
    bool AddDevice(std::shared_ptr<CCapAudio> device);
    void AudioIOThread();
    void MixBlock(int64_t emitted);
    void DrainDevices();
    void RetireEndedDevices();

    int channels_;
    int format_;
    int rate_;
    std::weak_ptr<IAudioOutput> output_;
    std::mutex callBackLock_;
    std::weak_ptr<IAudioIOCoreCallBack> callBack_;
    std::mutex devicesLock_;
    std::vector<std::shared_ptr<CCapAudio>> devices_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pause_{true};
    std::atomic<bool> mute_{false};
    float* mixPlanes_[CCapAudio::kMaxChannels] = {};
    float* tempPlanes_[CCapAudio::kMaxChannels] = {};
};

}  // namespace zovi::engine
