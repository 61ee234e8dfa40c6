// A video source: turns the screen, a window or a frame reader into converted frames for
// the capture engine. Every source is made with std::make_shared.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "engine/video/capture_source_info.h"
#include "engine/video/video_output.h"
#include "platform/gdi/font.h"
#include "platform/gdi/memory_dc.h"
#include "platform/gdi/prepared_text.h"

namespace zovi::engine {

class CCapVideo : public std::enable_shared_from_this<CCapVideo> {
public:
    class ICapVideoCallback {
    public:
        virtual ~ICapVideoCallback() = default;
        // The video ended (after every stop as well as after a failure).
        virtual void OnError(std::shared_ptr<CCapVideo> source) = 0;
        virtual void OnSnapshotTaken(std::string path, bool ok) = 0;
    };

    virtual ~CCapVideo();

    // Common steps: fails when the source's init flag is 0 or fps is outside 1..60; runs
    // the source's own preparation; starts the encode thread, then the tick thread.
    virtual bool Init(const CaptureSourceInfo& source, int fps, int width, int height,
                      AVPixelFormat pixelFormat, bool captureCursor,
                      const std::shared_ptr<IVideoOutput>& output) = 0;
    // Captures one frame with index `pts`; with probe, only checks that it can.
    virtual bool CaptureFrame(bool probe, int64_t pts) = 0;
    virtual bool Stop() = 0;
    virtual void Pause(bool paused) = 0;
    virtual bool IsPaused() = 0;
    // Asks for the next captured frame to be written as a PNG file at `path`. A request
    // made while another is being written is served on the following frame.
    virtual bool TakeSnapshot(const std::string& path, void* cookie);
    // The text drawn into every frame of the screen sources, alternating between a band
    // near the top and one near the bottom every `periodFrames` drawn frames. The text is
    // prepared for drawing here, once per recording.
    virtual void SetOverlayText(const wchar_t* text, const wchar_t* face, int heightPx,
                                int periodFrames);

    void SetCallback(const std::shared_ptr<ICapVideoCallback>& callback);
    bool IsSnapshotPending() const;

protected:
    CCapVideo() = default;

    // Draws the overlay text into the frame selected in `dc`, whose capture area is
    // `area`; nothing for an empty text (and the frame counter stays).
    void DrawOverlayText(platform::CMemoryDC& dc, const RECT& area);
    // The snapshot step: when a snapshot is pending, writes this frame and reports it.
    void RunSnapshotStep(const uint8_t* pixels, int width, int height, int stride,
                         AVPixelFormat pixelFormat);

    std::weak_ptr<IVideoOutput> output_;
    CaptureSourceInfo source_;

    std::mutex overlayLock_;
    platform::HFONT overlayFont_;
    platform::CPreparedText overlayText_;
    uint64_t overlayCounter_ = 0;
    int32_t overlayPeriod_ = 100;

    std::mutex callbackLock_;
    std::weak_ptr<ICapVideoCallback> callback_;

    BYTE captureCursor_ = 1;
    int32_t fps_ = 0;
    int32_t encodeWidth_ = 0;
    int32_t encodeHeight_ = 0;
    AVPixelFormat encodeFormat_ = AV_PIX_FMT_NONE;

private:
    // Snapshot requests, served one per captured frame in the order they came; a
    // request made while another is written waits for the next frame.
    struct SnapshotRequest {
        std::string path;
        void* cookie;
    };
    mutable std::mutex snapshotLock_;
    std::deque<SnapshotRequest> snapshotRequests_;
    bool snapshotWriting_ = false;
};

// One captured frame in the queue between the tick and the encode threads.
struct CapVideoFrame {
    virtual ~CapVideoFrame() = default;
    virtual const uint8_t* Pixels() const = 0;
    virtual int Stride() const = 0;
    virtual AVPixelFormat Format() const = 0;

    int64_t pts = 0;  // in frame intervals
    int32_t width = 0;
    int32_t height = 0;
};

}  // namespace zovi::engine
