// The stream player's read thread: back-pressure, demuxing and decoding, and the
// hand-over of pictures and sound to the renderers.
#include "engine/player/stream_player.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "engine/player/media_decoder.h"
#include "engine/util/clock_ns.h"
#include "platform/base/clock.h"

namespace zovi::engine {

namespace {

constexpr int kAudioAheadMs = 500;
constexpr size_t kVideoAheadFrames = 10;

}  // namespace

void CFFStreamPlayer::ReadLoop() {
    AVPacketHolder packet(av_packet_alloc());
    AVFrameHolder frame(av_frame_alloc());
    if (!packet || !frame) return;
    const uint32_t audioAheadBytes = audioRenderer_ ? audioRenderer_->BytesFor(kAudioAheadMs) : 0;
    while (!stop_) {
        if (paused_ && !step_) {
            Sleep(1);
            continue;
        }
        if ((audioRenderer_ && audioRenderer_->HeldBytes() > audioAheadBytes) ||
            (videoRenderer_ && videoRenderer_->Count() > kVideoAheadFrames)) {
            Sleep(1);
            continue;
        }
        std::unique_lock guard(playerLock_);
        if (ReadOnePacket(packet.get(), frame.get())) continue;
        guard.unlock();
        // The end of the file (or a read error): stop there, paused.
        Pause(true);
        step_ = false;
        seekState_ = kSeekNone;
        seekTarget_ = -1;
    }
}

bool CFFStreamPlayer::ReadOnePacket(AVPacket* packet, AVFrame* frame) {
    if (av_read_frame(input_.format, packet) < 0) return false;
    if (packet->stream_index == input_.videoIndex)
        DecodePacket(input_.videoDecoder, input_.format->streams[input_.videoIndex], packet, frame);
    else if (packet->stream_index == input_.audioIndex)
        DecodePacket(input_.audioDecoder, input_.format->streams[input_.audioIndex], packet, frame);
    av_packet_unref(packet);
    return true;
}

void CFFStreamPlayer::DecodePacket(AVCodecContext* decoder, AVStream* stream, const AVPacket* packet,
                                   AVFrame* frame) {
    if (decoder == input_.videoDecoder) {
        // On the way to an exact seek's target the pictures before it are never shown:
        // the decoder skips those no other picture refers to.
        const bool beforeTarget =
            seekState_.load() == kSeekExact && packet->pts != AV_NOPTS_VALUE &&
            av_rescale_q(packet->pts, stream->time_base, AVRational{1, 1000}) < seekTarget_.load();
        decoder->skip_frame = beforeTarget ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    }
    if (avcodec_send_packet(decoder, packet) < 0) return;
    while (avcodec_receive_frame(decoder, frame) >= 0) {
        const int64_t ms = FrameTimeMs(frame, stream->time_base);
        if (decoder == input_.videoDecoder)
            AcceptVideoFrame(frame, ms);
        else
            AcceptAudioFrame(frame, ms);
        av_frame_unref(frame);
    }
}

void CFFStreamPlayer::StartClockIfAsked(int64_t ms) {
    if (videoRenderer_ && clockBaseWanted_.exchange(false)) videoRenderer_->SetClockBase(ms, GetClockNs());
}

bool CFFStreamPlayer::AcceptVideoFrame(AVFrame* frame, int64_t ms) {
    const int state = seekState_.load();
    if ((state == kSeekExact && ms < seekTarget_.load()) ||
        (state == kSeekWaitBoth && input_.audioIndex >= 0 && audioFrames_.load() == 0))
        return false;
    const uint8_t* const* planes = frame->data;
    const int* lineSizes = frame->linesize;
    const auto wanted = static_cast<AVPixelFormat>(outPixelFormat_);
    if (frame->format != wanted) {
        const auto source = static_cast<AVPixelFormat>(frame->format);
        if (!converter_.Matches(frame->width, frame->height, source, frame->width, frame->height, wanted) &&
            !converter_.Init(frame->width, frame->height, source, frame->width, frame->height, wanted))
            return false;
        if (!converter_.Scale(frame->data, frame->linesize)) return false;
        planes = converter_.Frame()->data;
        lineSizes = converter_.Frame()->linesize;
    }
    // The clock starts before the picture is queued, so the render thread never judges
    // it by the clock of the previous position.
    StartClockIfAsked(ms);
    if (!videoRenderer_->PushFrame(planes, lineSizes, frame->width, frame->height, ms)) return false;
    ++videoFrames_;
    step_ = false;
    seekState_ = kSeekNone;
    seekTarget_ = -1;
    return true;
}

bool CFFStreamPlayer::AcceptAudioFrame(AVFrame* frame, int64_t ms) {
    const int state = seekState_.load();
    if (input_.videoIndex >= 0 && state != kSeekNone) {
        ++audioFrames_;  // counted, so a waiting seek knows the sound has arrived
        return false;
    }
    if (input_.videoIndex < 0 && state == kSeekExact && ms < seekTarget_.load()) return false;
    uint8_t* samples = nullptr;
    int converted = 0;
    if (!resampler_.Convert(frame, &samples, &converted)) return false;
    const uint32_t bytes = static_cast<uint32_t>(converted) * outChannels_ *
                           av_get_bytes_per_sample(static_cast<AVSampleFormat>(outSampleFormat_));
    if (bytes > 0 && !audioRenderer_->Append(samples, bytes, ms)) return false;
    ++audioFrames_;
    step_ = false;
    if (input_.videoIndex < 0) {
        seekState_ = kSeekNone;
        seekTarget_ = -1;
    }
    StartClockIfAsked(ms);
    return true;
}

}  // namespace zovi::engine
