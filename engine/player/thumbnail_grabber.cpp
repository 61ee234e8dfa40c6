#include "engine/player/thumbnail_grabber.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>

#include "engine/player/frame_resampler.h"
#include "engine/player/media_decoder.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"

namespace zovi::engine {

namespace {

constexpr int kIdleSleepMs = 100;
constexpr int kLevelRate = 8000;
constexpr size_t kSamplesPerLevel = 80;  // 10 ms at kLevelRate

// Reads the packets of stream `index`, decodes them and hands each frame to `onFrame`
// until it returns false, `stop` is set or the file ends (the decoder's last frames
// included).
template <class OnFrame>
void DecodeStream(AVFormatContext* format, int index, AVCodecContext* decoder, const std::atomic<bool>& stop,
                  OnFrame&& onFrame) {
    AVPacketHolder packet(av_packet_alloc());
    AVFrameHolder frame(av_frame_alloc());
    if (!packet || !frame) return;
    bool more = true;
    bool draining = false;
    while (more && !stop) {
        if (!draining) {
            if (av_read_frame(format, packet.get()) < 0) {
                draining = true;
            } else if (packet->stream_index != index) {
                av_packet_unref(packet.get());
                continue;
            }
        }
        const int sent = avcodec_send_packet(decoder, draining ? nullptr : packet.get());
        av_packet_unref(packet.get());
        if (sent < 0 && draining) return;
        while (more && !stop && avcodec_receive_frame(decoder, frame.get()) >= 0) {
            more = onFrame(frame.get());
            av_frame_unref(frame.get());
        }
        if (draining) return;
    }
}

}  // namespace

CFFTakeShoter::CFFTakeShoter(std::weak_ptr<IFFTakeShotCallback> callback) : callback_(std::move(callback)) {}

CFFTakeShoter::~CFFTakeShoter() { Destroy(); }

void CFFTakeShoter::StopWorker() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

void CFFTakeShoter::FreeContexts() {
    input_.Close();
    converter_.Free();
}

bool CFFTakeShoter::Open(const std::wstring& path) {
    StopWorker();
    FreeContexts();
    stop_ = false;
    if (!input_.Open(path)) return false;
    worker_ = platform::StartThread([this] { WorkerLoop(); });
    return true;
}

void CFFTakeShoter::Destroy() {
    StopWorker();
    FreeContexts();
    std::lock_guard guard(requestLock_);
    requests_.clear();
    for (auto& starts : queuedStarts_) starts.clear();
}

void CFFTakeShoter::RequestShots(int kind, int64_t startMs, int64_t endMs, int width, int height) {
    std::lock_guard guard(requestLock_);
    // Starts are kept per known kind; other kinds are queued and skipped by the worker.
    if (kind == kKindPictures || kind == kKindSoundLevels) {
        if (!queuedStarts_[kind].insert(startMs).second) return;
    }
    requests_.push_front(Request{kind, startMs, endMs, width, height});
}

bool CFFTakeShoter::TakeNewest(Request* request) {
    std::lock_guard guard(requestLock_);
    if (requests_.empty()) return false;
    *request = requests_.front();
    requests_.pop_front();
    while (requests_.size() > kMaxWaiting) {
        const Request& oldest = requests_.back();
        if (oldest.kind == kKindPictures || oldest.kind == kKindSoundLevels)
            queuedStarts_[oldest.kind].erase(oldest.startMs);
        requests_.pop_back();
    }
    return true;
}

void CFFTakeShoter::WorkerLoop() {
    while (!stop_) {
        Request request{};
        if (!TakeNewest(&request)) {
            Sleep(kIdleSleepMs);
            continue;
        }
        const auto callback = callback_.lock();
        if (!callback) continue;
        if (request.kind == kKindPictures && input_.videoIndex >= 0)
            ServePictures(request, *callback);
        else if (request.kind == kKindSoundLevels && input_.audioIndex >= 0)
            ServeSoundLevels(request, *callback);
    }
}

void CFFTakeShoter::SeekBack(int index, AVCodecContext* decoder, int64_t ms) {
    input_.SeekBack(index, ms);
    // Without this the first frames could be left over from the previous request.
    avcodec_flush_buffers(decoder);
}

void CFFTakeShoter::ServePictures(const Request& request, IFFTakeShotCallback& callback) {
    SeekBack(input_.videoIndex, input_.videoDecoder, request.startMs);
    const AVRational timeBase = input_.format->streams[input_.videoIndex]->time_base;
    const int64_t endMs = request.endMs < 0 ? INT64_MAX : request.endMs;
    DecodeStream(input_.format, input_.videoIndex, input_.videoDecoder, stop_, [&](AVFrame* frame) {
        const int64_t ms = FrameTimeMs(frame, timeBase);
        if (ms > endMs) return false;
        // The frames between the key frame and the start lie outside the range asked.
        if (ms < request.startMs || callback.HasShot(ms)) return true;
        const auto source = static_cast<AVPixelFormat>(frame->format);
        if (!converter_.Matches(frame->width, frame->height, source, request.width, request.height,
                                AV_PIX_FMT_BGR24) &&
            !converter_.Init(frame->width, frame->height, source, request.width, request.height, AV_PIX_FMT_BGR24))
            return false;
        if (!converter_.Scale(frame->data, frame->linesize)) return true;
        const AVFrame* picture = converter_.Frame();
        callback.OnTakeShot(ms, picture->linesize[0], picture->width, picture->height, picture->data[0]);
        return true;
    });
}

void CFFTakeShoter::ServeSoundLevels(const Request& request, IFFTakeShotCallback& callback) {
    SeekBack(input_.audioIndex, input_.audioDecoder, request.startMs);
    // The resampler is made anew for each request, so no samples of the previous one
    // remain in it.
    CFrameResampler resampler(1, kLevelRate, AV_SAMPLE_FMT_FLT);
    std::vector<float> samples;
    DecodeStream(input_.format, input_.audioIndex, input_.audioDecoder, stop_, [&](AVFrame* frame) {
        uint8_t* out = nullptr;
        int converted = 0;
        if (!resampler.Convert(frame, &out, &converted)) return false;
        const auto* begin = reinterpret_cast<const float*>(out);
        samples.insert(samples.end(), begin, begin + converted);
        return true;
    });
    if (!stop_ && !samples.empty()) callback.OnShotList(request.startMs, LevelsOf(samples));
}

std::vector<float> CFFTakeShoter::LevelsOf(const std::vector<float>& samples) {
    std::vector<float> levels;
    levels.reserve(samples.size() / kSamplesPerLevel);
    for (size_t first = 0; first + kSamplesPerLevel <= samples.size(); first += kSamplesPerLevel) {
        float sum = 0;
        for (size_t i = first; i < first + kSamplesPerLevel; ++i) sum += std::fabs(samples[i]);
        levels.push_back(std::clamp(sum / kSamplesPerLevel, 0.0f, 1.0f));
    }
    return levels;
}

}  // namespace zovi::engine
