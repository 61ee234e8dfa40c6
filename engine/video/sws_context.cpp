#include "engine/video/sws_context.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace zovi::engine {

bool CSWSContext::Init(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth,
                       int dstHeight, AVPixelFormat dstFormat) {
    Free();
    frame_ = av_frame_alloc();
    if (!frame_) return false;
    frame_->format = dstFormat;
    frame_->width = dstWidth;
    frame_->height = dstHeight;
    if (av_frame_get_buffer(frame_, 32) < 0) {
        av_frame_free(&frame_);
        return false;
    }
    srcWidth_ = srcWidth, srcHeight_ = srcHeight, srcFormat_ = srcFormat;
    dstWidth_ = dstWidth, dstHeight_ = dstHeight, dstFormat_ = dstFormat;
    context_ = sws_getContext(srcWidth, srcHeight, srcFormat, dstWidth, dstHeight, dstFormat,
                              SWS_BICUBIC, nullptr, nullptr, nullptr);
    return context_ != nullptr;
}

bool CSWSContext::Scale(const uint8_t* const srcPlanes[], const int srcStrides[]) {
    if (!context_ || !frame_) return false;
    if (av_frame_make_writable(frame_) < 0) return false;
    return sws_scale(context_, srcPlanes, srcStrides, 0, srcHeight_, frame_->data,
                     frame_->linesize) > 0;
}

void CSWSContext::Free() {
    if (context_) sws_freeContext(context_);
    context_ = nullptr;
    av_frame_free(&frame_);
    srcWidth_ = srcHeight_ = dstWidth_ = dstHeight_ = 0;
    srcFormat_ = dstFormat_ = AV_PIX_FMT_NONE;
}

bool CSWSContext::Matches(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth,
                          int dstHeight, AVPixelFormat dstFormat) const {
    return IsReady() && srcWidth == srcWidth_ && srcHeight == srcHeight_ &&
           srcFormat == srcFormat_ && dstWidth == dstWidth_ && dstHeight == dstHeight_ &&
           dstFormat == dstFormat_;
}

}  // namespace zovi::engine
