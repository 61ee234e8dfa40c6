// The receiving side of a camera reader: decoded camera pictures and the size of an
// opened camera. Called on the reader's decode thread; an output hands the picture to
// its own thread (it must not keep the data pointer after returning).
#pragma once
#include <cstdint>

namespace zovi::engine {

class IDecVideoOutput {
public:
    virtual ~IDecVideoOutput() = default;
    // One decoded picture: `data` holds `height` rows, `stride` bytes apart; `format`
    // is an AVPixelFormat value (AV_PIX_FMT_BGR24 from the camera reader); `tag` is the
    // reader's construction tag.
    virtual void OnDecodedFrame(const uint8_t* data, int width, int stride, int height,
                                int format, uint32_t tag) {
        (void)data, (void)width, (void)stride, (void)height, (void)format, (void)tag;
    }
    // The camera has opened with this picture size.
    virtual void OnVideoOpened(int width, int height) { (void)width, (void)height; }
};

}  // namespace zovi::engine
