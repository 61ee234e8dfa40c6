// Writes one frame as a PNG file through FFmpeg's "png" encoder and "image2" muxer.
#pragma once
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;

namespace zovi::engine {

// What the writer leaves open; the caller releases it after the call, whatever the
// result (the destructor does it too).
struct SnapshotWriterContext {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;

    SnapshotWriterContext() = default;
    ~SnapshotWriterContext() { Release(); }
    SnapshotWriterContext(const SnapshotWriterContext&) = delete;
    SnapshotWriterContext& operator=(const SnapshotWriterContext&) = delete;
    void Release();
};

// True only when the whole file was written. `stride` is the distance between rows in
// bytes; the path is used literally (a '%' in it is no pattern). `encoderNo` appears
// only in messages.
bool SaveFrameAsImage(SnapshotWriterContext& context, const uint8_t* pixels, int width,
                      int height, int stride, AVPixelFormat pixelFormat, const std::string& path,
                      int encoderNo = 7);

}  // namespace zovi::engine
