#include "engine/capture/capture_impl.h"

#include <cinttypes>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
}

#include "engine/output/capture_ffm_output.h"
#include "engine/util/av_log.h"
#include "engine/util/engine_misc.h"
#include "engine/util/trace_scope.h"
#include "engine/video/cap_video_any.h"
#include "engine/video/cap_video_dxgi.h"
#include "engine/video/cap_video_gdi.h"
#include "platform/base/utf8.h"

namespace zovi::engine {

namespace {

// Overlay character heights for the resolution choices 0-4.
int OverlayHeightForChoice(int encodeSize) {
    static const int kHeights[] = {40, 40, 50, 60, 70};
    return encodeSize >= 0 && encodeSize < 5 ? kHeights[encodeSize] : 40;
}

// The default channel layout for `channels`, worked out once per process.
const AVChannelLayout& DefaultLayout(int channels) {
    static AVChannelLayout layouts[9];
    static std::once_flag once;
    std::call_once(once, [] {
        for (int c = 1; c < 9; ++c) av_channel_layout_default(&layouts[c], c);
    });
    return layouts[channels > 0 && channels < 9 ? channels : 2];
}

// How long sound may wait for the picture's first packet before it begins anyway.
constexpr int64_t kMaxSoundHeldSeconds = 10;

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_make_error_string(text, sizeof(text), code);
    return text;
}

}  // namespace

int EncodeHeightForChoice(int encodeSize) {
    static const int kHeights[] = {360, 480, 720, 1080, 1440};
    return encodeSize >= 0 && encodeSize < 5 ? kHeights[encodeSize] : 0;
}

bool ComputeEncodeSize(int srcWidth, int srcHeight, int encodeSize, int& width, int& height) {
    const int encodeHeight = EncodeHeightForChoice(encodeSize);
    if (encodeHeight == 0 || srcHeight == 0) return false;
    // 32-bit signed arithmetic, truncated toward zero.
    int32_t w = static_cast<int32_t>(static_cast<int32_t>(srcWidth) * encodeHeight) / srcHeight;
    if (w % 2 != 0) w += 1;
    width = w;
    height = encodeHeight;
    return true;
}

CCaptureImpl::CCaptureImpl() {
    AvLogInfo("CCaptureImpl::ctor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

CCaptureImpl::~CCaptureImpl() {
    StopAll();
    AvLogInfo("CCaptureImpl::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

bool CCaptureImpl::Start(const CaptureSourceInfo& source,
                         const CaptureSourceSettings& sourceSettings, int /*reserved*/,
                         int encodeSize,
                         const std::vector<SoundDeviceRecord>& soundDevices,
                         const std::wstring& outputPath, int /*unused1*/, int /*unused2*/,
                         const std::shared_ptr<ICaptureNotify>& notify,
                         const std::shared_ptr<CodecParam>& videoParams,
                         const std::shared_ptr<AudioCodecParam>& audioParams) {
    if (outputPath.empty() || !videoParams || !audioParams) return false;
    source_ = source;
    sourceSettings_ = sourceSettings;
    soundDevices_ = soundDevices;
    fps_ = videoParams->fps;
    encodeSize_ = encodeSize;
    outputPath_ = platform::EncodeUtf8Lossless(outputPath);
    notify_ = notify;
    videoParams_ = videoParams;
    audioParams_ = audioParams;

    AvLogInfo("Capture Source info: init=%s full=%s type=%d left=%d width=%d top=%d height=%d",
              source_.init ? "true" : "false", source_.full ? "true" : "false", source_.type,
              source_.left, source_.right - source_.left, source_.top,
              source_.bottom - source_.top);
    if (!source_.IsCaptureRectValid()) {
        AvLogError("check source rect fail!");
        return false;
    }
    if (!InitEncSize()) {
        AvLogError("InitEncSize fail");
        return false;
    }
    if (!InitMuxer()) {
        AvLogError("InitMuxer fail");
        return false;
    }
    if (!InitCapture()) {
        AvLogError("InitCapture fail");
        return false;
    }
    Pause(false);
    return true;
}

bool CCaptureImpl::InitEncSize() {
    if (EncodeHeightForChoice(encodeSize_) == 0) {
        AvLogError("unknown encSize : %d", encodeSize_);
        return false;
    }
    RECT area{};
    if (!source_.GetTargetWindowRect(&area)) return false;  // the window has gone
    if (!ComputeEncodeSize(area.right - area.left, area.bottom - area.top, encodeSize_,
                           encodeWidth_, encodeHeight_))
        return false;
    AvLogInfo("CCaptureImpl::InitEncSize w=%d h=%d", encodeWidth_, encodeHeight_);
    return true;
}

bool CCaptureImpl::InitMuxer() {
    videoContext_ = OpenVideoEncoder(*videoParams_, encodeWidth_, encodeHeight_);
    if (!videoContext_) {
        AvLogError("CCaptureImpl::AddVideoCodec fail");
        return false;
    }
    if (!soundDevices_.empty()) {
        audioContext_ = OpenAudioEncoder(*audioParams_);  // logs its own failure
        if (!audioContext_) return false;
        // A reordering picture encoder decodes its first packet that many frames early.
        const int64_t expectedPictureStart = -av_rescale_q_rnd(
            videoContext_->has_b_frames, videoContext_->time_base, audioContext_->time_base,
            AV_ROUND_UP);
        soundStart_ = std::make_unique<CSoundStart>(
            audioParams_->channels, CAudioIOCore::kBlockFrames, audioContext_->initial_padding,
            expectedPictureStart, kMaxSoundHeldSeconds * audioContext_->sample_rate);
    }
    auto output = std::make_shared<CCaptureFFmOutput>(
        std::weak_ptr<ICaptureFFMCallback>(
            std::shared_ptr<ICaptureFFMCallback>(shared_from_this(), this)));
    output_ = output;
    if (!output->Open(outputPath_)) {
        AvLogError("CCaptureFFmOutput::Create fail");
        return false;
    }
    return true;
}

bool CCaptureImpl::InitCapture() {
    const bool dxgi = IsWindows6OrGreater(2, 0) && sourceSettings_.dxgiAllowed;
    const char* failure = "CAP_SINGLE_MONITOR fail";
    if (source_.type == CAP_CUSTOME_READER) {
        video_ = std::make_shared<CCapVideoAny>();
        failure = "CAP_CUSTOME_READER fail";
    } else {
        if (source_.type == CAP_MULT_MONITOR) {
            failure = "CAP_MULT_MONITOR fail";
        } else if (source_.name.empty()) {  // a window (or a region)
            RECT alive{};
            if (source_.window != 0 && !source_.GetTargetWindowRect(&alive)) {
                AvLogError("not surpported capture source!!!");
                return false;
            }
        }
        if (dxgi) {
            AvLogInfo("capture DXGI");
            video_ = std::make_shared<CCapVideoMultMonitorDXGI>();
        } else {
            AvLogInfo("capture GDI");
            video_ = std::make_shared<CCapVideoMultMonitorGDI>();
        }
    }
    std::shared_ptr<IVideoOutput> self(shared_from_this(), static_cast<IVideoOutput*>(this));
    if (!video_->Init(source_, fps_, encodeWidth_, encodeHeight_, videoContext_->pix_fmt, true,
                      self)) {
        AvLogError("%s", failure);
        return false;
    }
    video_->SetCallback(std::shared_ptr<CCapVideo::ICapVideoCallback>(shared_from_this(), this));
    video_->SetOverlayText(sourceSettings_.overlayText.c_str(), L"微软雅黑",
                           OverlayHeightForChoice(encodeSize_), 10 * fps_);
    return InitSound();
}

bool CCaptureImpl::InitSound() {
    if (soundDevices_.empty()) return true;
    audioCore_ = std::make_shared<CAudioIOCore>(
        audioParams_->channels, audioParams_->sampleFormat, audioParams_->sampleRate,
        std::shared_ptr<IAudioOutput>(shared_from_this(), static_cast<IAudioOutput*>(this)));
    for (const auto& device : soundDevices_) {
        if (device.isMicrophone)
            audioCore_->AddInputDevice(device.identifier, audioParams_->noiseSuppression);
        else
            audioCore_->AddLoopbackDevice(device.identifier);
    }
    if (!audioCore_->Start()) {
        AvLogError("audio capture init fail");
        return false;
    }
    audioCore_->SetCallBack(
        std::shared_ptr<CAudioIOCore::IAudioIOCoreCallBack>(shared_from_this(), this));
    return true;
}

bool CCaptureImpl::Encode(AVFrame* frame, AVCodecContext* context, bool isVideo) {
    std::lock_guard lock(encodeLock_);
    return EncodeLocked(frame, context, isVideo);
}

bool CCaptureImpl::EncodeLocked(AVFrame* frame, AVCodecContext* context, bool isVideo) {
    if (!context) return false;
    if (!isVideo && !frame && soundStart_) {
        // The end of the sound: whatever is still held goes first.
        soundStart_->SetPictureStart(std::nullopt);
        soundStart_->Release(SoundEmitter());
    }
    int ret = avcodec_send_frame(context, frame);
    if (ret < 0) {
        AvLogError("Encode::avcodec_send_frame : %s", ErrorText(ret).c_str());
        return false;
    }
    AVPacket* packet = av_packet_alloc();
    bool ok = packet != nullptr;
    while (ok) {
        ret = avcodec_receive_packet(context, packet);
        if (ret < 0) break;  // again, end of stream or an error
        if (isVideo) NotePictureStartLocked(packet);
        ok = WritePacket(packet, isVideo);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (isVideo && soundStart_) {
        // Once the picture's start is known (or it has ended without one) the held
        // sound follows it.
        if (!frame) soundStart_->SetPictureStart(std::nullopt);
        soundStart_->Release(SoundEmitter());
    }
    return ok;
}

void CCaptureImpl::NotePictureStartLocked(const AVPacket* packet) {
    // Only the first packet counts (the sound start keeps the first time it is given).
    const int64_t start = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    if (!soundStart_ || !audioContext_ || start == AV_NOPTS_VALUE) return;
    soundStart_->SetPictureStart(av_rescale_q_rnd(start, videoContext_->time_base,
                                                  audioContext_->time_base, AV_ROUND_DOWN));
}

bool CCaptureImpl::WritePacket(const AVPacket* packet, bool isVideo) {
    if (!output_) return false;
    MuxMessageHeader header;
    header.pts = packet->pts;
    header.dts = packet->dts;
    header.size = packet->size;
    header.kind = isVideo ? kMuxVideo : kMuxSound;
    header.key = (packet->flags & 1) ? 1 : 0;
    bytes_ += packet->size;
    return output_->Write(packet->data, packet->size, header);
}

bool CCaptureImpl::OnVideoFrame(AVFrame* frame) {
    if (!frame) {
        bool drain;
        {
            std::lock_guard lock(encodeLock_);
            drain = !videoDrained_ && videoContext_;
            videoDrained_ = true;
        }
        return drain ? Encode(nullptr, videoContext_.get(), true) : true;
    }
    const bool ok = Encode(frame, videoContext_.get(), true);
    const AVRational tb = videoContext_->time_base;
    const int32_t elapsed = static_cast<int32_t>(static_cast<double>(frame->pts) * tb.num /
                                                 tb.den);
    if (elapsed != lastElapsed_.load()) {
        lastElapsed_ = elapsed;
        if (auto listener = Listener()) {
            listener->OnCaptureTime(elapsed);
            listener->OnCaptureSize(bytes_.load());
        }
    }
    return ok;
}

bool CCaptureImpl::OnAudioFrame(float** planes, int frames, int64_t runningCount) {
    std::lock_guard lock(encodeLock_);
    if (!audioContext_ || !soundStart_) return false;
    const bool ok = soundStart_->Add(planes, frames, runningCount, SoundEmitter());
    soundFrames_ += frames;
    return ok;
}

CSoundStart::Emit CCaptureImpl::SoundEmitter() {
    return [this](float* const* planes, int frames, int64_t pts) {
        return EncodeSoundBlockLocked(planes, frames, pts);
    };
}

bool CCaptureImpl::EncodeSoundBlockLocked(float* const* planes, int frames, int64_t pts) {
    AVFrame* frame = av_frame_alloc();
    if (!frame) return false;
    frame->nb_samples = frames;
    frame->format = audioParams_->sampleFormat;
    frame->sample_rate = audioParams_->sampleRate;
    av_channel_layout_copy(&frame->ch_layout, &DefaultLayout(audioParams_->channels));
    frame->pts = pts;
    // The planes stay the caller's: the frame points at them (the encoder copies a frame
    // that is not reference-counted).
    const int channels = audioParams_->channels;
    for (int c = 0; c < channels && c < AV_NUM_DATA_POINTERS; ++c) {
        frame->data[c] = reinterpret_cast<uint8_t*>(planes[c]);
        frame->linesize[c] = frames * static_cast<int>(sizeof(float));
    }
    frame->extended_data = frame->data;
    const bool ok = EncodeLocked(frame, audioContext_.get(), false);
    for (int c = 0; c < AV_NUM_DATA_POINTERS; ++c) frame->data[c] = nullptr;
    av_frame_free(&frame);
    return ok;
}

void CCaptureImpl::Pause(bool paused) {
    if (audioCore_) audioCore_->SetPause(paused);
    if (video_) video_->Pause(paused);
    if (auto listener = Listener()) listener->OnPauseChanged(paused);
}

bool CCaptureImpl::IsPaused() {
    if (audioCore_) return audioCore_->IsPaused();
    if (video_) return video_->IsPaused();
    return false;
}

bool CCaptureImpl::SetAudioMute(bool muted) {
    if (!audioCore_) return false;
    audioCore_->SetMute(muted);
    AvLogInfo("audio mute : %d ", muted ? 1 : 0);
    if (auto listener = Listener()) listener->OnAudioMuteChanged(muted);
    return true;
}

bool CCaptureImpl::IsAudioMute() { return audioCore_ && audioCore_->IsMuted(); }

bool CCaptureImpl::TakeSnapshot(const std::string& path, void* reserved) {
    return video_ && video_->TakeSnapshot(path, reserved);
}

void CCaptureImpl::OnAudioDeviceEnded(const std::shared_ptr<CCapAudio>& device) {
    // Not an error of the recording: the mixer goes on with the other devices (or
    // silence), so the file's sound runs to its end.
    AvLogInfo("CCaptureImpl: sound device(%s) ended; the recording goes on without it",
              platform::WideToUtf8(device->DeviceId()).c_str());
}

void CCaptureImpl::OnError(std::shared_ptr<CCapVideo> /*source*/) { RaiseCaptureError(); }

void CCaptureImpl::OnOutputEnded(int /*exitCode*/) {
    // The output logged the exit code. The video source ends at its next frame, whose
    // write fails; the error goes out now, so a paused recording ends too.
    RaiseCaptureError();
}

void CCaptureImpl::RaiseCaptureError() {
    // The source reports every end; the one a stop brings is no error. A muxer that ends
    // also ends the video: one error tells of both.
    if (stopping_.load() || errorRaised_.exchange(true)) return;
    if (auto listener = Listener()) listener->OnCaptureError(L"");
}

void CCaptureImpl::OnSnapshotTaken(std::string path, bool ok) {
    if (auto listener = Listener()) listener->OnSnapshotTaken(path, ok);
}

bool CCaptureImpl::HasVideo() { return videoContext_ != nullptr; }

void CCaptureImpl::GetVideoExtraData(std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (videoContext_ && videoContext_->extradata)
        bytes.assign(videoContext_->extradata,
                     videoContext_->extradata + videoContext_->extradata_size);
}

void CCaptureImpl::GetVideoStreamInfo(std::string& name, int& width, int& height,
                                      int64_t& bitRate, int& timeBaseDen) {
    if (!videoContext_) return;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(videoContext_->codec_id);
    name = descriptor ? descriptor->name : "";
    width = videoContext_->width;
    height = videoContext_->height;
    bitRate = videoContext_->bit_rate;
    timeBaseDen = videoContext_->time_base.den;
}

bool CCaptureImpl::HasAudio() { return audioContext_ != nullptr; }

void CCaptureImpl::GetAudioExtraData(std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (audioContext_ && audioContext_->extradata)
        bytes.assign(audioContext_->extradata,
                     audioContext_->extradata + audioContext_->extradata_size);
}

void CCaptureImpl::GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate,
                                      int64_t& bitRate, int& sampleFormat) {
    if (!audioContext_) return;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(audioContext_->codec_id);
    name = descriptor ? descriptor->name : "";
    channels = audioContext_->ch_layout.nb_channels;
    sampleRate = audioContext_->sample_rate;
    bitRate = audioContext_->bit_rate;
    sampleFormat = audioContext_->sample_fmt;
}

bool CCaptureImpl::Stop() {
    CTraceScope trace("CCaptureImpl::Stop()", this);
    return StopAll();
}

bool CCaptureImpl::StopAll() {
    stopping_ = true;
    if (audioCore_) audioCore_->Stop();
    if (video_) video_->Stop();
    // The encoders still hold their last packets: drain them before they go. The video
    // source drains its encoder at its end; a source that never got that far is drained
    // here, before the sound, whose start may still wait for the picture's.
    bool drainVideo;
    {
        std::lock_guard lock(encodeLock_);
        drainVideo = videoContext_ && !videoDrained_ && video_;
        if (drainVideo) videoDrained_ = true;
    }
    if (drainVideo) Encode(nullptr, videoContext_.get(), true);
    if (audioContext_) Encode(nullptr, audioContext_.get(), false);
    {
        std::lock_guard lock(encodeLock_);
        audioContext_.reset();
        videoContext_.reset();
    }
    if (output_) {
        output_->Close();
        auto* ffm = dynamic_cast<CCaptureFFmOutput*>(output_.get());
        muxerFinished_ = ffm && ffm->MuxerExitCode() == 0;
        output_.reset();
    }
    return muxerFinished_;
}

}  // namespace zovi::engine
