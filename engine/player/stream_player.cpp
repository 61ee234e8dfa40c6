#include "engine/player/stream_player.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "engine/player/media_decoder.h"
#include "engine/player/sdl_drivers.h"
#include "platform/base/thread.h"

namespace zovi::engine {

CFFStreamPlayer::CFFStreamPlayer(int outChannels, int outSampleFormat, int outRate, int outPixelFormat,
                                 HWND window, std::weak_ptr<IFFStreamFileNotify> listener)
    : window_(window),
      listener_(std::move(listener)),
      outChannels_(outChannels),
      outSampleFormat_(outSampleFormat),
      outRate_(outRate),
      outPixelFormat_(outPixelFormat),
      resampler_(outChannels, outRate, outSampleFormat) {}

CFFStreamPlayer::~CFFStreamPlayer() { Close(); }

bool CFFStreamPlayer::Open(const std::wstring& path) {
    Close();
    stop_ = false;
    if (OpenSteps(path)) return true;
    Close();
    return false;
}

bool CFFStreamPlayer::OpenSteps(const std::wstring& path) {
    if (!input_.Open(path) || !EnsureSdlForPlayer()) return false;

    if (input_.audioIndex >= 0) {
        audioRenderer_ = std::make_shared<CAudioRenderer>(outRate_, outChannels_, outSampleFormat_,
                                                          input_.audioIndex, weak_from_this());
        if (!audioRenderer_->Open()) return false;
    }
    if (input_.videoIndex >= 0) {
        videoRenderer_ = std::make_shared<CVideoRenderer>(input_.videoIndex, weak_from_this(), audioRenderer_);
        if (!videoRenderer_->Start(window_)) return false;
    }

    readThread_ = platform::StartThread([this] { ReadLoop(); });
    if (auto listener = listener_.lock()) listener->OnDuration(DurationMs());
    Pause(true);
    return true;
}

AVStream* CFFStreamPlayer::ClockStream() const {
    const int index = ClockStreamIndex();
    return input_.format && index >= 0 ? input_.format->streams[index] : nullptr;
}

int64_t CFFStreamPlayer::DurationMs() const {
    const AVStream* stream = ClockStream();
    if (!stream) return 0;
    if (stream->duration != AV_NOPTS_VALUE)
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    // Some containers give only the whole file's length.
    const int64_t fileDuration = input_.format->duration;
    if (fileDuration != AV_NOPTS_VALUE) return av_rescale(fileDuration, 1000, AV_TIME_BASE);
    return 0;
}

void CFFStreamPlayer::NotifyState(int state) {
    if (auto listener = listener_.lock()) listener->OnState(state);
}

bool CFFStreamPlayer::Pause(bool paused) {
    if (audioRenderer_) audioRenderer_->Pause(paused);
    paused_ = paused;
    if (!paused) {
        clockBaseWanted_ = true;
        videoFrames_ = 0;
        audioFrames_ = 0;
    }
    NotifyState(paused ? kPlayerStatePaused : kPlayerStatePlaying);
    return true;
}

void CFFStreamPlayer::Seek(int32_t ms, bool exact) {
    if (ms == seekTarget_.load() || seekState_.load() != kSeekNone) return;
    {
        std::lock_guard guard(playerLock_);
        if (!stop_ && input_.format) {
            // By the pictures when there are any: decoding can start only at their key
            // frames, and the demuxer brings the sound to the same place.
            if (const int index = input_.videoIndex >= 0 ? input_.videoIndex : input_.audioIndex; index >= 0)
                input_.SeekBack(index, ms);
            if (input_.videoDecoder) avcodec_flush_buffers(input_.videoDecoder);
            if (input_.audioDecoder) avcodec_flush_buffers(input_.audioDecoder);
            if (audioRenderer_) audioRenderer_->Clear();
            if (videoRenderer_) videoRenderer_->ClearFrames();
        }
        const bool both = input_.videoIndex >= 0 && input_.audioIndex >= 0;
        seekState_ = exact ? kSeekExact : (both ? kSeekWaitBoth : kSeekFast);
        seekTarget_ = ms;
        if (paused_) step_ = true;
        clockBaseWanted_ = true;
        videoFrames_ = 0;
        audioFrames_ = 0;
    }
}

void CFFStreamPlayer::Close() {
    stop_ = true;
    if (readThread_.joinable()) readThread_.join();
    // The render thread ends first and takes its SDL objects with it; the native
    // window is the owner's and outlives this.
    if (videoRenderer_) videoRenderer_->Stop();
    if (audioRenderer_) audioRenderer_->Close();
    videoRenderer_.reset();
    audioRenderer_.reset();
    input_.Close();
    converter_.Free();
    resampler_.Free();
    seekState_ = kSeekNone;
    seekTarget_ = -1;
    step_ = false;
}

void CFFStreamPlayer::OnRendererPosition(int streamIndex, int64_t ms) {
    if (seekState_.load() != kSeekNone) return;
    if (!paused_ && streamIndex != ClockStreamIndex()) return;
    if (auto listener = listener_.lock()) listener->OnPosition(ms);
}

}  // namespace zovi::engine
