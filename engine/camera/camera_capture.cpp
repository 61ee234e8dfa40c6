#include "engine/camera/camera_capture.h"

#include <cstdlib>
#include <cstring>

namespace zovi::engine {

void CCameraCapture::OnDecodedFrame(const uint8_t* data, int width, int stride, int height,
                                    int format, uint32_t /*tag*/) {
    if (!data || width <= 0 || height <= 0 || stride <= 0) return;
    std::lock_guard<std::mutex> lock(lock_);
    if (width != width_ || height != height_ || stride != stride_ || format != format_) {
        frame_.assign(static_cast<size_t>(stride) * height, 0);
        width_ = width, height_ = height, stride_ = stride, format_ = format;
    }
    std::memcpy(frame_.data(), data, frame_.size());
    ++framesReceived_;
}

bool CCameraCapture::ReadFrame(uint8_t** buffer, int* width, int* stride, int* height,
                               int* format, bool* hasFrame) {
    std::lock_guard<std::mutex> lock(lock_);
    *hasFrame = false;
    if (framesReceived_ == 0) return true;
    auto* copy = static_cast<uint8_t*>(std::malloc(frame_.size()));
    if (!copy) return false;
    std::memcpy(copy, frame_.data(), frame_.size());
    *buffer = copy;
    *width = width_, *stride = stride_, *height = height_, *format = format_;
    *hasFrame = true;
    return true;
}

}  // namespace zovi::engine
