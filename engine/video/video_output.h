// What a video source hands its frames to, and what it tells its owner.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

struct AVFrame;

namespace zovi::engine {

class IVideoOutput {
public:
    virtual ~IVideoOutput() = default;
    // One converted frame (pts in frame intervals), or null at the end of the stream.
    // Runs on the source's encode thread. False ends the video.
    virtual bool OnVideoFrame(AVFrame* frame) = 0;
};

// A reader of the newest picture of some producer (the camera).
class ICapSourceFrameReader {
public:
    virtual ~ICapSourceFrameReader() = default;
    // hasFrame false when nothing arrived yet; otherwise *buffer is a new malloc'ed copy
    // (stride * height bytes) that the caller frees with free(). True in both cases.
    virtual bool ReadFrame(uint8_t** buffer, int* width, int* stride, int* height,
                           int* format, bool* hasFrame) = 0;
};

}  // namespace zovi::engine
