// A pixel-format and size converter with its destination frame, rebuilt only when a
// geometry changes.
#pragma once
#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace zovi::engine {

class CSWSContext {
public:
    CSWSContext() = default;
    ~CSWSContext() { Free(); }
    CSWSContext(const CSWSContext&) = delete;
    CSWSContext& operator=(const CSWSContext&) = delete;

    // Frees what was there, allocates the destination frame (alignment 32) and the
    // bicubic scaler. True when the scaler exists.
    bool Init(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth,
              int dstHeight, AVPixelFormat dstFormat);
    // Converts all source rows into the destination frame. False when there is no
    // scaler or frame, or the conversion wrote nothing. The frame is made writable
    // first, so a consumer that kept a reference to the previous picture keeps it intact.
    bool Scale(const uint8_t* const srcPlanes[], const int srcStrides[]);
    void Free();

    bool Matches(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth,
                 int dstHeight, AVPixelFormat dstFormat) const;
    AVFrame* Frame() const { return frame_; }
    bool IsReady() const { return context_ && frame_; }

private:
    int srcWidth_ = 0, srcHeight_ = 0;
    AVPixelFormat srcFormat_ = AV_PIX_FMT_NONE;
    int dstWidth_ = 0, dstHeight_ = 0;
    AVPixelFormat dstFormat_ = AV_PIX_FMT_NONE;
    AVFrame* frame_ = nullptr;
    SwsContext* context_ = nullptr;
};

}  // namespace zovi::engine
