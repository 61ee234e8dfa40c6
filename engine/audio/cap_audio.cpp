#include "engine/audio/cap_audio.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>

#include "engine/audio/noise_suppress_filter.h"
#include "engine/util/av_log.h"
#include "engine/util/trace_scope.h"
#include "platform/base/thread.h"
#include "platform/base/utf8.h"

namespace zovi::engine {

namespace {
constexpr DWORD kBufferMs = 5000;          // the server-side buffer
constexpr DWORD kInputWaitMs = 3000;       // a microphone wakes on data
constexpr DWORD kLoopbackWaitMs = 10;      // system sound is also polled
}  // namespace

CCapAudio::CCapAudio(int outChannels, int outRate, int outFormat, bool isInput,
                     bool noiseSuppression, const std::wstring& deviceId)
    : deviceId_(deviceId),
      outChannels_(std::clamp(outChannels, 1, kMaxChannels)),
      outRate_(outRate),
      outFormat_(outFormat),
      isInput_(isInput),
      noiseSuppression_(noiseSuppression) {
    AvLogInfo("CCapAudio(%s) ctor:  m_outChannels=%d m_outSamplesPerSec=%d m_outSampleFmt=%d",
              platform::WideToUtf8(deviceId_).c_str(), outChannels, outRate, outFormat);
    if (isInput_ && noiseSuppression_) {
        auto filter = std::make_shared<CAudioNoiseSuppressFilter>();
        if (filter->Init(outChannels_, outRate_)) filter_ = std::move(filter);
    }
}

CCapAudio::~CCapAudio() {
    Stop();
    AvLogInfo("CCapAudio(%s) dtor", platform::WideToUtf8(deviceId_).c_str());
    if (filter_) filter_->Release();
}

bool CCapAudio::Open() {
    if (thread_.joinable() || !stopEvent_.IsValid()) return false;
    if (!stream_.Open(platform::EncodeUtf8Lossless(deviceId_), !isInput_, kBufferMs)) return false;
    mixChannels_ = stream_.Channels();
    mixRate_ = stream_.SampleRate();
    // (The system's silent render stream beside the loopback is not needed here.)
    // The stream starts before the thread that then owns it.
    if (!stream_.Start()) {
        stream_.Stop();
        return false;
    }
    running_ = true;
    thread_ = platform::StartThread([this] { CaptureThread(); });
    return true;
}

void CCapAudio::CaptureThread() {
    CTraceScope trace("CCapAudio::CaptureThread()", this);
    // (No OLE on this platform.)
    const DWORD timeout = isInput_ ? kInputWaitMs : kLoopbackWaitMs;
    bool failed = false;
    for (;;) {
        // Data or the time-out drains; the stop event or a failed wait ends.
        const DWORD woke = stream_.WaitForData(&stopEvent_, timeout);
        if (woke == 0 || woke == platform::kSoundWaitTimeout) {
            if (!DrainPackets()) {
                failed = true;
                break;
            }
            continue;
        }
        failed = woke != 1;
        break;
    }
    stream_.Stop();
    running_ = false;
    if (!failed) return;  // asked to stop: nothing to report
    AvLogError("CCapAudio(%s) capture ended: the device stopped delivering sound",
               platform::WideToUtf8(deviceId_).c_str());
    std::shared_ptr<ICapAudioCallBack> callBack;
    {
        std::lock_guard lock(callBackLock_);
        callBack = callBack_.lock();
    }
    if (callBack) {
        if (auto self = weak_from_this().lock()) callBack->OnCapAudioEnded(self);
    }
}

void CCapAudio::SetCallBack(std::weak_ptr<ICapAudioCallBack> callBack) {
    std::lock_guard lock(callBackLock_);
    callBack_ = std::move(callBack);
}

bool CCapAudio::DrainPackets() {
    UINT frames = 0;
    if (!stream_.GetNextPacketSize(&frames)) return false;
    while (frames != 0) {
        const float* data = nullptr;
        UINT packetFrames = 0;
        if (!stream_.GetBuffer(&data, &packetFrames)) return false;
        if (packetFrames == 0) break;
        // A packet that cannot be converted is lost alone; it is always released, so
        // the device goes on.
        StorePacket(data, packetFrames);
        if (!stream_.ReleaseBuffer()) return false;
        if (!stream_.GetNextPacketSize(&frames)) return false;
    }
    return true;
}

bool CCapAudio::StorePacket(const float* data, UINT frames) {
    // A resampler made for this input stays, even one that failed to initialise (its
    // conversions fail; trying again for every packet would change nothing).
    if (!resampler_ || resamplerChannels_ != mixChannels_ || resamplerRate_ != mixRate_) {
        resampler_ = CResampler::Create();
        resampler_->Init(mixChannels_, mixRate_, AV_SAMPLE_FMT_FLT, outChannels_, outRate_, outFormat_);
        resamplerChannels_ = mixChannels_;
        resamplerRate_ = mixRate_;
    }
    uint8_t* planes[kMaxChannels] = {};
    int produced = 0;
    int64_t delay = 0;
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(data)};
    if (!resampler_->Convert(planes, &produced, &delay, in, static_cast<int>(frames))) return false;
    const int sampleBytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(outFormat_));
    const uint32_t bytes = static_cast<uint32_t>(produced) * sampleBytes;
    std::lock_guard lock(fifoLock_);
    if (fifos_[0].Size() >= static_cast<uint32_t>(kFifoCapSamples * sampleBytes)) {
        // Keep the newest sound: drop as much as arrives, never more than is held.
        const uint32_t drop = std::min(bytes, fifos_[0].Size());
        for (int ch = 0; ch < outChannels_; ++ch) fifos_[ch].Read(nullptr, drop);
    }
    for (int ch = 0; ch < outChannels_; ++ch) fifos_[ch].Write(planes[ch], bytes);
    return true;
}

int CCapAudio::ReadBlock(float** planes, int channels) {
    channels = std::clamp(channels, 0, outChannels_);
    uint32_t n = 0;
    {
        std::lock_guard lock(fifoLock_);
        n = std::min<uint32_t>(fifos_[0].Size(), kBlockBytes);
        for (int ch = 0; ch < outChannels_; ++ch)
            fifos_[ch].Read(planes && ch < channels ? planes[ch] : nullptr, n);
    }
    if (filter_ && n > 0 && planes && channels == outChannels_) {
        AudioFilterBlock block;
        for (int ch = 0; ch < channels; ++ch) block.planes[ch] = planes[ch];
        block.frames = static_cast<int32_t>(n / 4);
        if (AudioFilterBlock* out = filter_->Process(&block)) {
            // The filtered block is an earlier one with its own length.
            n = static_cast<uint32_t>(out->frames) * 4;
            for (int ch = 0; ch < channels; ++ch) std::copy_n(out->planes[ch], out->frames, planes[ch]);
        }
    }
    return static_cast<int>(n);
}

void CCapAudio::Stop() {
    CTraceScope trace("CCapAudio::Stop()", this);
    stopEvent_.Set();
    if (thread_.joinable()) thread_.join();
    stopEvent_.Reset();
}

uint32_t CCapAudio::BufferedBytes() {
    std::lock_guard lock(fifoLock_);
    return fifos_[0].Size();
}

}  // namespace zovi::engine
