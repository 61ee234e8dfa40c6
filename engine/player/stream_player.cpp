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
      outPixelFormat_(outPixelFormat) {}

CFFStreamPlayer::~CFFStreamPlayer() { Close(); }

bool CFFStreamPlayer::Open(const std::wstring& path) {
    Close();
    stop_ = false;
    if (OpenSteps(path)) return true;
    Close();
    return false;
}

bool CFFStreamPlayer::OpenSteps(const std::wstring& path) {
    if (!OpenMediaFile(path, &format_)) return false;
    OpenBestDecoder(format_, AVMEDIA_TYPE_VIDEO, &videoIndex_, &videoDecoder_);
    OpenBestDecoder(format_, AVMEDIA_TYPE_AUDIO, &audioIndex_, &audioDecoder_);
    if (videoIndex_ < 0 && audioIndex_ < 0) return false;
    if (!EnsureSdlForPlayer()) return false;

    if (audioIndex_ >= 0) {
        audioRenderer_ = std::make_shared<CAudioRenderer>(outRate_, outChannels_, outSampleFormat_,
                                                          audioIndex_, weak_from_this());
        if (!audioRenderer_->Open()) return false;
    }
    if (videoIndex_ >= 0) {
        videoRenderer_ = std::make_shared<CVideoRenderer>(videoIndex_, weak_from_this());
        if (!videoRenderer_->Start(window_)) return false;
    }

    readThread_ = platform::StartThread([this] { ReadLoop(); });
    if (auto listener = listener_.lock()) listener->OnDuration(DurationMs());
    Pause(true);
    return true;
}

AVStream* CFFStreamPlayer::ClockStream() const {
    const int index = ClockStreamIndex();
    return format_ && index >= 0 ? format_->streams[index] : nullptr;
}

int64_t CFFStreamPlayer::DurationMs() const {
    const AVStream* stream = ClockStream();
    if (!stream) return 0;
    if (stream->duration != AV_NOPTS_VALUE)
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    // Some containers give only the whole file's length.
    if (format_->duration != AV_NOPTS_VALUE) return av_rescale(format_->duration, 1000, AV_TIME_BASE);
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
        if (!stop_ && format_) {
            if (AVStream* stream = ClockStream())
                av_seek_frame(format_, stream->index, av_rescale_q(ms, AVRational{1, 1000}, stream->time_base),
                              AVSEEK_FLAG_BACKWARD);
            if (videoDecoder_) avcodec_flush_buffers(videoDecoder_);
            if (audioDecoder_) avcodec_flush_buffers(audioDecoder_);
            if (audioRenderer_) audioRenderer_->Clear();
            if (videoRenderer_) videoRenderer_->Clear();
        }
        seekState_ = exact ? kSeekExact : (videoIndex_ >= 0 && audioIndex_ >= 0 ? kSeekWaitBoth : kSeekFast);
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
    avcodec_free_context(&videoDecoder_);
    avcodec_free_context(&audioDecoder_);
    if (format_) avformat_close_input(&format_);
    converter_.Free();
    resampler_.Free();
    resampleChannels_ = resampleRate_ = 0;
    resampleFormat_ = -1;
    videoIndex_ = audioIndex_ = -1;
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
