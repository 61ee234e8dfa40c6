#include "engine/video/cap_video_pump.h"

#include "engine/util/av_log.h"
#include "engine/util/clock_ns.h"
#include "engine/util/trace_scope.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"

namespace zovi::engine {

bool CCapVideoPump::Init(const CaptureSourceInfo& source, int fps, int width, int height,
                         AVPixelFormat pixelFormat, bool captureCursor,
                         const std::shared_ptr<IVideoOutput>& output) {
    if (!source.init) return false;
    if (tickThread_.joinable() || encodeThread_.joinable()) return false;  // Init runs once
    source_ = source;
    fps_ = fps;
    encodeWidth_ = width;
    encodeHeight_ = height;
    encodeFormat_ = pixelFormat;
    captureCursor_ = captureCursor ? 1 : 0;
    output_ = output;
    if (fps < 1 || fps > 60) return false;
    if (!Prepare()) return false;
    stop_.exchange(false);
    encodeThread_ = platform::StartThread([this] { EncodeThread(); });
    tickThread_ = platform::StartThread([this] { TickThread(); });
    return true;
}

bool CCapVideoPump::Stop() {
    CTraceScope scope(names_.stopTrace, this);
    StopThreads();
    Release();
    return StopResult();
}

void CCapVideoPump::StopThreads() {
    stop_.exchange(true);
    if (encodeThread_.joinable()) encodeThread_.join();
    if (tickThread_.joinable()) tickThread_.join();
    std::lock_guard<std::mutex> lock(queueLock_);
    queue_.clear();
}

void CCapVideoPump::Pause(bool paused) { paused_.exchange(paused); }

bool CCapVideoPump::IsPaused() { return paused_.load(); }

size_t CCapVideoPump::QueuedFrames() const {
    std::lock_guard<std::mutex> lock(queueLock_);
    return queue_.size();
}

void CCapVideoPump::QueueFrame(std::shared_ptr<CapVideoFrame> frame) {
    std::shared_ptr<CapVideoFrame> dropped;  // released outside the lock
    std::lock_guard<std::mutex> lock(queueLock_);
    if (queue_.size() > kMaxQueuedBeforePush) {
        dropped = std::move(queue_.front());
        queue_.pop_front();
    }
    queue_.push_back(std::move(frame));
}

void CCapVideoPump::TickThread() {
    const uint64_t interval = static_cast<uint64_t>(1e9 / fps_);
    const uint64_t start = GetClockNs();
    uint64_t pausedTotal = 0;
    uint64_t pauseStart = 0;
    for (;;) {
        if (stop_.load()) {
            stop_.exchange(true);
            return;
        }
        if (paused_.load()) {
            if (pauseStart == 0) pauseStart = GetClockNs();
            Sleep(1);
            continue;
        }
        if (pauseStart != 0) {
            pausedTotal += GetClockNs() - pauseStart;
            pauseStart = 0;
        }
        const uint64_t t = GetClockNs();
        const uint64_t index = (t - start - pausedTotal) / interval;
        if (!CaptureFrame(false, static_cast<int64_t>(index))) {
            AvLogError("%s", names_.tickFail);
            stop_.exchange(true);
            return;
        }
        const uint64_t cost = GetClockNs() - t;
        if (cost < interval) PreciseSleepUntil(t + interval);
    }
}

void CCapVideoPump::EncodeThread() {
    std::shared_ptr<CSWSContext> converter;
    while (!stop_.load()) {
        std::shared_ptr<CapVideoFrame> frame;
        {
            std::lock_guard<std::mutex> lock(queueLock_);
            if (!queue_.empty()) {
                frame = std::move(queue_.front());
                queue_.pop_front();
            }
        }
        if (!frame) {
            Sleep(1);
            continue;
        }
        if (!converter || !converter->Matches(frame->width, frame->height, frame->Format(),
                                              encodeWidth_, encodeHeight_, encodeFormat_)) {
            converter = std::make_shared<CSWSContext>();
            converter->Init(frame->width, frame->height, frame->Format(), encodeWidth_,
                            encodeHeight_, encodeFormat_);
        }
        const uint8_t* planes[4] = {frame->Pixels(), nullptr, nullptr, nullptr};
        const int strides[4] = {frame->Stride(), 0, 0, 0};
        if (!converter->Scale(planes, strides)) {
            if (onConvertFailure_ == ConvertFailure::EndVideo) {
                AvLogError("Convert fail!!!!");
                break;
            }
            continue;
        }
        converter->Frame()->pts = frame->pts;
        if (std::shared_ptr<IVideoOutput> output = output_.lock()) {
            if (!output->OnVideoFrame(converter->Frame())) {
                AvLogError("encoder out fail!!!!");
                break;
            }
        }
    }
    EndOfStream();
}

void CCapVideoPump::EndOfStream() {
    if (std::shared_ptr<IVideoOutput> output = output_.lock()) output->OnVideoFrame(nullptr);
    std::shared_ptr<ICapVideoCallback> callback;
    {
        std::lock_guard<std::mutex> lock(callbackLock_);
        callback = callback_.lock();
    }
    // During destruction no owner is left to tell.
    std::shared_ptr<CCapVideo> self = weak_from_this().lock();
    if (callback && self) callback->OnError(self);
}

}  // namespace zovi::engine
