// Plays one media file into a window of ours: FFmpeg demuxes and decodes on the read
// thread, CVideoRenderer draws the pictures through SDL paced by its clock, and
// CAudioRenderer plays the sound through SDL's audio callback. The owner hears about the
// state, the duration and the position through IFFStreamFileNotify (held weakly).
//
// Threads: Open, Pause, Seek, Close and the destructor belong to the owner's (UI)
// thread. The read thread runs from Open to Close; the player lock serialises its
// reading and decoding with Seek. OnRendererPosition arrives on the render thread and
// on SDL's audio thread. Flags, counters, the seek state and target are atomic.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/player/audio_renderer.h"
#include "engine/player/frame_resampler.h"
#include "engine/player/media_decoder.h"
#include "engine/player/player_interfaces.h"
#include "engine/player/video_renderer.h"
#include "engine/video/sws_context.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace zovi::engine {

class CFFStreamPlayer : public IPlayerRendererCallback,
                        public std::enable_shared_from_this<CFFStreamPlayer> {
public:
    // Seek states.
    static constexpr int kSeekNone = 0;
    static constexpr int kSeekFast = 1;
    static constexpr int kSeekExact = 2;
    static constexpr int kSeekWaitBoth = 3;

    // `outSampleFormat` is an FFmpeg sample format (1: packed signed 16-bit) and
    // `outPixelFormat` an FFmpeg pixel format (0: planar YUV 4:2:0).
    CFFStreamPlayer(int outChannels, int outSampleFormat, int outRate, int outPixelFormat, HWND window,
                    std::weak_ptr<IFFStreamFileNotify> listener);
    ~CFFStreamPlayer() override;
    CFFStreamPlayer(const CFFStreamPlayer&) = delete;
    CFFStreamPlayer& operator=(const CFFStreamPlayer&) = delete;

    // Opens `path` and leaves the player paused with nothing decoded (OnDuration, then
    // OnState(3)). False, without a message, at the first step that fails.
    bool Open(const std::wstring& path);
    bool Pause(bool paused);
    // Jumps to `ms`: exactly (pictures before it are skipped) or to the key frame before
    // it. While paused, one picture is shown. Ignored while a seek is pending, and for
    // the target of the seek that is pending.
    void Seek(int32_t ms, bool exact);
    void Close();

    void OnRendererPosition(int streamIndex, int64_t ms) override;

    bool IsPaused() const { return paused_.load(); }
    int SeekState() const { return seekState_.load(); }
    // The renderers, for the owner's redraw on a size change (null when the file has no
    // such stream).
    std::shared_ptr<CVideoRenderer> VideoRenderer() const { return videoRenderer_; }
    std::shared_ptr<CAudioRenderer> AudioRenderer() const { return audioRenderer_; }

private:
    bool OpenSteps(const std::wstring& path);
    int ClockStreamIndex() const { return input_.audioIndex >= 0 ? input_.audioIndex : input_.videoIndex; }
    AVStream* ClockStream() const;
    int64_t DurationMs() const;

    void ReadLoop();
    bool ShouldWait();
    // Reads and decodes one packet (player lock held); false when reading failed.
    bool ReadOnePacket(AVPacket* packet, AVFrame* frame);
    void DecodePacket(AVCodecContext* decoder, AVStream* stream, const AVPacket* packet, AVFrame* frame);
    bool AcceptVideoFrame(AVFrame* frame, int64_t ms);
    bool AcceptAudioFrame(AVFrame* frame, int64_t ms);
    void StartClockIfAsked(int64_t ms);
    void NotifyState(int state);

    std::thread readThread_;
    const HWND window_;
    const std::weak_ptr<IFFStreamFileNotify> listener_;
    const int outChannels_;
    const int outSampleFormat_;
    const int outRate_;
    const int outPixelFormat_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{true};
    std::atomic<int> seekState_{kSeekNone};
    std::atomic<bool> step_{false};
    std::atomic<int64_t> seekTarget_{-1};
    std::mutex playerLock_;
    MediaInput input_;
    CSWSContext converter_;
    CFrameResampler resampler_;
    std::shared_ptr<CAudioRenderer> audioRenderer_;
    std::shared_ptr<CVideoRenderer> videoRenderer_;
    std::atomic<int> videoFrames_{0};
    std::atomic<int> audioFrames_{0};
    std::atomic<bool> clockBaseWanted_{true};
};

}  // namespace zovi::engine
