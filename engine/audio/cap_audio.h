// Captures one sound device (a microphone, or the playback sound through the default
// sink's monitor) on its own thread, converts every packet to the mixer's planar
// format and appends it to one sample FIFO per channel; the mixer takes blocks of at
// most 1024 samples with ReadBlock. Microphones may carry a noise filter that runs
// when a block is taken. Threads: Open and SetCallBack on the owner's thread; ReadBlock
// and BufferedBytes on the mixing thread; Stop on either (never on the capture thread,
// where the callback runs).
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/audio/audio_fifo.h"
#include "engine/audio/audio_filter.h"
#include "engine/audio/resampler.h"
#include "platform/sound/capture_stream.h"
#include "platform/sound/sound_event.h"

namespace zovi::engine {

class CCapAudio : public std::enable_shared_from_this<CCapAudio> {
public:
    class ICapAudioCallBack {
    public:
        virtual ~ICapAudioCallBack() = default;
        // The capture thread has ended on its own: the device is gone or stopped
        // delivering sound (on that thread). Not called for a Stop.
        virtual void OnCapAudioEnded(const std::shared_ptr<CCapAudio>& device) = 0;
    };

    static constexpr int kMaxChannels = 8;
    static constexpr int kBlockBytes = 4096;  // 1024 float samples
    static constexpr int kFifoCapSamples = 10240;

    // `outFormat` is an FFmpeg sample-format code (the mixer passes 8, planar float).
    // `deviceId` empty: the default microphone or the default playback device.
    CCapAudio(int outChannels, int outRate, int outFormat, bool isInput, bool noiseSuppression,
              const std::wstring& deviceId);
    virtual ~CCapAudio();
    CCapAudio(const CCapAudio&) = delete;
    CCapAudio& operator=(const CCapAudio&) = delete;

    // Opens the device and starts capture; true when the capture thread runs.
    bool Open();
    // Takes the next block (at most 4096 bytes per channel) into `planes` (a null
    // plane array or plane only consumes). Returns the bytes per channel.
    int ReadBlock(float** planes, int channels);
    // Stops capture and joins the thread (also one that ended on its own); safe twice
    // and before Open. Not from the callback.
    void Stop();

    void SetCallBack(std::weak_ptr<ICapAudioCallBack> callBack);
    // False once capture has ended (asked to or on its own).
    bool IsRunning() const { return running_.load(); }
    bool IsInput() const { return isInput_; }
    bool HasNoiseFilter() const { return filter_ != nullptr; }
    const std::wstring& DeviceId() const { return deviceId_; }
    // Bytes held in the first channel's FIFO.
    uint32_t BufferedBytes();

private:
    void CaptureThread();
    bool DrainPackets();
    bool StorePacket(const float* data, UINT frames);

    std::wstring deviceId_;
    int outChannels_;
    int outRate_;
    int outFormat_;
    std::shared_ptr<CResampler> resampler_;
    int resamplerChannels_ = 0;  // the input the resampler was made for
    int resamplerRate_ = 0;
    std::mutex callBackLock_;
    std::weak_ptr<ICapAudioCallBack> callBack_;
    bool isInput_;
    bool noiseSuppression_;
    platform::CSoundCaptureStream stream_;
    int mixChannels_ = 0;
    int mixRate_ = 0;
    std::atomic<bool> running_{false};
    platform::CSoundEvent stopEvent_{true};
    std::thread thread_;
    CAudioFifo fifos_[kMaxChannels];
    std::mutex fifoLock_;
    std::shared_ptr<IAudioFiler> filter_;
};

}  // namespace zovi::engine
