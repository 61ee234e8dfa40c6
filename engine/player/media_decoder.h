// Small FFmpeg helpers shared by the readers of a media file: owners of packets and
// frames, opening the best decoder of a kind and a decoded frame's time in milliseconds.
#pragma once
#include <cstdint>

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
#include <libavutil/rational.h>
}

struct AVFormatContext;
struct AVCodecContext;

namespace zovi::engine {

struct AVPacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AVFrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using AVPacketHolder = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVFrameHolder = std::unique_ptr<AVFrame, AVFrameDeleter>;

// Opens the media file at `path` and reads its stream information into `*format`
// (the caller closes it, also on failure, where it may be null).
bool OpenMediaFile(const std::wstring& path, AVFormatContext** format);

// Finds the best stream of `mediaType` (an AVMediaType) and opens its decoder. On
// success sets `*index` and `*context` (the caller frees it); false leaves them alone.
bool OpenBestDecoder(AVFormatContext* format, int mediaType, int* index, AVCodecContext** context);

// The frame's best-effort time stamp (its pts when there is none) in milliseconds; 0
// when it has neither.
int64_t FrameTimeMs(const AVFrame* frame, AVRational timeBase);

}  // namespace zovi::engine
