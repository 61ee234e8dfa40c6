// Small FFmpeg helpers shared by the readers of a media file: owners of packets and
// frames, the file opened with its decoders, and a decoded frame's time in milliseconds.
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

// A media file opened for decoding: its demuxer and the decoders of its best video and
// sound streams (index -1 and no decoder for a kind the file lacks).
struct MediaInput {
    MediaInput() = default;
    ~MediaInput() { Close(); }
    MediaInput(const MediaInput&) = delete;
    MediaInput& operator=(const MediaInput&) = delete;

    // Opens `path` and its decoders. False, with everything closed, when the file cannot
    // be read or neither stream opens.
    bool Open(const std::wstring& path);
    void Close();
    // Moves stream `index` to the key frame at or before `ms` (the decoders keep what
    // they hold until flushed).
    void SeekBack(int index, int64_t ms);

    AVFormatContext* format = nullptr;
    AVCodecContext* videoDecoder = nullptr;
    AVCodecContext* audioDecoder = nullptr;
    int videoIndex = -1;
    int audioIndex = -1;
};

// The frame's best-effort time stamp (its pts when there is none) in milliseconds; 0
// when it has neither.
int64_t FrameTimeMs(const AVFrame* frame, AVRational timeBase);

}  // namespace zovi::engine
