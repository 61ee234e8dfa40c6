// Keeps the newest decoded camera picture and hands copies of it to the reader source.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/camera/dec_video_output.h"
#include "engine/video/video_output.h"

namespace zovi::engine {

class CCameraCapture : public ICapSourceFrameReader, public IDecVideoOutput {
public:
    // Camera decoder's thread: keeps a copy of stride * height bytes.
    void OnDecodedFrame(const uint8_t* data, int width, int stride, int height, int format,
                        uint32_t tag) override;
    // The source's tick thread: a new malloc'ed copy of the newest picture.
    bool ReadFrame(uint8_t** buffer, int* width, int* stride, int* height, int* format,
                   bool* hasFrame) override;

private:
    std::mutex lock_;
    std::vector<uint8_t> frame_;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    int format_ = -1;
    uint64_t framesReceived_ = 0;
};

}  // namespace zovi::engine
