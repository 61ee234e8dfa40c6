#include "engine/video/cap_video_any.h"

#include <cinttypes>

#include "engine/util/av_log.h"

namespace zovi::engine {

CCapVideoAny::CCapVideoAny()
    : CCapVideoPump({"CCapVideoAny::CaoTick Fail!", "CCapVideoAny::Stop()"},
                    ConvertFailure::DropFrame) {}

CCapVideoAny::~CCapVideoAny() {
    StopThreads();
    AvLogInfo("CCapVideoAny::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

bool CCapVideoAny::Prepare() {
    reader_ = source_.reader;
    return true;
}

bool CCapVideoAny::CaptureFrame(bool /*probe*/, int64_t pts) {
    std::shared_ptr<ICapSourceFrameReader> reader = source_.reader.lock();
    if (!reader) return false;
    auto frame = std::make_shared<CapVideo>();
    uint8_t* buffer = nullptr;
    int width = 0, stride = 0, height = 0, format = AV_PIX_FMT_NONE;
    bool hasFrame = false;
    if (!reader->ReadFrame(&buffer, &width, &stride, &height, &format, &hasFrame)) return false;
    if (!hasFrame) return true;
    frame->buffer.reset(buffer);
    frame->width = width;
    frame->height = height;
    frame->stride = stride;
    frame->format = static_cast<AVPixelFormat>(format);
    frame->pts = pts;
    // The picture's own width and row stride: padded rows must not widen the image.
    RunSnapshotStep(frame->buffer.get(), width, height, stride, frame->format);
    QueueFrame(frame);
    return true;
}

}  // namespace zovi::engine
