// One recording: encoders sized from the source, the muxer, the video source and the
// sound mixer; every frame and block is encoded and written under one lock. The sound
// waits for the picture's first packet and begins no later than it. A capture
// error reaches the listeners, once per recording, only when the video ends before a
// stop (its source failed, or the muxer refused a frame) or the muxer ends before a
// stop (it failed, the disk filled, it was killed); a sound device that ends leaves
// the mix and the recording goes on. Threads: Start, Stop, Pause, mute and snapshots on
// the owner's thread; frames on the video encode thread, blocks on the mixing thread,
// device ends on that device's capture thread, the muxer's end on the output's thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/audio/audio_io_core.h"
#include "engine/audio/audio_output.h"
#include "engine/capture/capture.h"
#include "engine/capture/sound_start.h"
#include "engine/codec/encoder_open.h"
#include "engine/output/capture_output.h"
#include "engine/video/cap_video.h"
#include "engine/video/video_output.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace zovi::engine {

// The encode height of the resolution choices 0-4 (360, 480, 720, 1080, 1440); 0 for
// any other choice.
int EncodeHeightForChoice(int encodeSize);
// The encode size for a source of srcWidth x srcHeight at `encodeSize`: the height from
// the choice, the width in proportion (truncated, an odd width raised by one). False for
// an unknown choice or a zero source height.
bool ComputeEncodeSize(int srcWidth, int srcHeight, int encodeSize, int& width, int& height);

class CCaptureImpl : public ICapture,
                     public IAudioOutput,
                     public IVideoOutput,
                     public ICaptureFFMCallback,
                     public CAudioIOCore::IAudioIOCoreCallBack,
                     public CCapVideo::ICapVideoCallback,
                     public std::enable_shared_from_this<CCaptureImpl> {
public:
    CCaptureImpl();
    ~CCaptureImpl() override;
    CCaptureImpl(const CCaptureImpl&) = delete;
    CCaptureImpl& operator=(const CCaptureImpl&) = delete;

    // ICapture
    bool Start(const CaptureSourceInfo& source, const CaptureSourceSettings& sourceSettings,
               int reserved, int encodeSize,
               const std::vector<SoundDeviceRecord>& soundDevices, const std::wstring& outputPath,
               int unused1, int unused2, const std::shared_ptr<ICaptureNotify>& notify,
               const std::shared_ptr<CodecParam>& videoParams,
               const std::shared_ptr<AudioCodecParam>& audioParams) override;
    bool Stop() override;
    void Pause(bool paused) override;
    bool IsPaused() override;
    bool SetAudioMute(bool muted) override;
    bool IsAudioMute() override;
    bool TakeSnapshot(const std::string& path, void* reserved) override;
    int GetLastElapsedSeconds() const override { return lastElapsed_.load(); }

    // IAudioOutput: one mixed block from the mixing thread.
    bool OnAudioFrame(float** planes, int frames, int64_t runningCount) override;
    // IVideoOutput: one converted frame from the video encode thread; null drains.
    bool OnVideoFrame(AVFrame* frame) override;

    // ICaptureFFMCallback
    bool HasVideo() override;
    void GetVideoExtraData(std::vector<uint8_t>& bytes) override;
    void GetVideoStreamInfo(std::string& name, int& width, int& height, int64_t& bitRate,
                            int& timeBaseDen) override;
    bool HasAudio() override;
    void GetAudioExtraData(std::vector<uint8_t>& bytes) override;
    void GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate,
                            int64_t& bitRate, int& sampleFormat) override;
    // A capture error unless the engine is stopping.
    void OnOutputEnded(int exitCode) override;

    // CAudioIOCore::IAudioIOCoreCallBack: a sound device ended on its own (logged only).
    void OnAudioDeviceEnded(const std::shared_ptr<CCapAudio>& device) override;
    // CCapVideo::ICapVideoCallback: a capture error unless the engine is stopping.
    void OnError(std::shared_ptr<CCapVideo> source) override;
    void OnSnapshotTaken(std::string path, bool ok) override;

    int EncodeWidth() const { return encodeWidth_; }
    int EncodeHeight() const { return encodeHeight_; }
    int64_t BytesWritten() const { return bytes_.load(); }
    // Sound frames (samples per channel) handed to the sound encoder so far.
    int64_t SoundFramesEncoded() const { return soundFrames_.load(); }

private:
    bool InitEncSize();
    bool InitMuxer();
    bool InitCapture();
    bool InitSound();
    bool Encode(AVFrame* frame, AVCodecContext* context, bool isVideo);
    bool EncodeLocked(AVFrame* frame, AVCodecContext* context, bool isVideo);
    bool EncodeSoundBlockLocked(float* const* planes, int frames, int64_t pts);
    CSoundStart::Emit SoundEmitter();
    void NotePictureStartLocked(const AVPacket* packet);
    bool WritePacket(const AVPacket* packet, bool isVideo);
    bool StopAll();
    void RaiseCaptureError();
    std::shared_ptr<ICaptureNotify> Listener() const { return notify_.lock(); }

    CaptureSourceInfo source_;
    CaptureSourceSettings sourceSettings_;
    int32_t fps_ = 0;
    int32_t encodeSize_ = 0;
    int32_t encodeWidth_ = 0;
    int32_t encodeHeight_ = 0;
    std::vector<SoundDeviceRecord> soundDevices_;
    std::string outputPath_;  // UTF-8
    std::weak_ptr<ICaptureNotify> notify_;
    std::shared_ptr<CodecParam> videoParams_;
    std::shared_ptr<AudioCodecParam> audioParams_;
    std::shared_ptr<CAudioIOCore> audioCore_;
    std::shared_ptr<CCapVideo> video_;
    std::shared_ptr<ICaptureOutput> output_;
    CodecContextPtr audioContext_;
    CodecContextPtr videoContext_;
    std::mutex encodeLock_;
    std::atomic<int32_t> lastElapsed_{0};
    std::atomic<int64_t> bytes_{0};
    std::atomic<int64_t> soundFrames_{0};
    bool videoDrained_ = false;  // under encodeLock_
    std::unique_ptr<CSoundStart> soundStart_;  // under encodeLock_
    bool muxerFinished_ = false;
    std::atomic<bool> stopping_{false};  // set by the stop, before the sources end
    std::atomic<bool> errorRaised_{false};
};

}  // namespace zovi::engine
