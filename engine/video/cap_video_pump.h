// What the three video sources share: the tick thread paced by the performance counter,
// the encode thread, the bounded frame queue between them, pause and stop.
#pragma once
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/video/cap_video.h"
#include "engine/video/sws_context.h"

namespace zovi::engine {

class CCapVideoPump : public CCapVideo {
public:
    // Frames beyond this many in the queue push out the oldest.
    static constexpr size_t kMaxQueuedBeforePush = 10;

    bool Init(const CaptureSourceInfo& source, int fps, int width, int height,
              AVPixelFormat pixelFormat, bool captureCursor,
              const std::shared_ptr<IVideoOutput>& output) override;
    bool Stop() override;
    void Pause(bool paused) override;
    bool IsPaused() override;

    size_t QueuedFrames() const;

protected:
    struct Names {
        const char* tickFail;   // logged when a capture fails during recording
        const char* stopTrace;  // the trace scope of Stop
    };
    enum class ConvertFailure { EndVideo, DropFrame };

    CCapVideoPump(Names names, ConvertFailure onConvertFailure)
        : names_(names), onConvertFailure_(onConvertFailure) {}

    // The source's own preparation inside Init (after the common checks).
    virtual bool Prepare() { return true; }
    // The source's own release at the end of Stop.
    virtual void Release() {}
    virtual bool StopResult() const { return false; }

    // Pushes a frame, dropping the oldest when more than ten wait.
    void QueueFrame(std::shared_ptr<CapVideoFrame> frame);
    // The Stop steps without the trace and the release; concrete destructors call it
    // first, before their own members go.
    void StopThreads();

private:
    void TickThread();
    void EncodeThread();
    void EndOfStream();

    const Names names_;
    const ConvertFailure onConvertFailure_;

    std::thread tickThread_;
    std::thread encodeThread_;
    mutable std::mutex queueLock_;
    std::deque<std::shared_ptr<CapVideoFrame>> queue_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{true};
};

}  // namespace zovi::engine
