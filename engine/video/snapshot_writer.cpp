#include "engine/video/snapshot_writer.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "engine/util/av_log.h"
#include "engine/video/sws_context.h"

namespace zovi::engine {

void SnapshotWriterContext::Release() {
    if (format) {
        if (format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
        format = nullptr;
    }
    avcodec_free_context(&codec);
    stream = nullptr;
}

bool SaveFrameAsImage(SnapshotWriterContext& context, const uint8_t* pixels, int width,
                      int height, int stride, AVPixelFormat pixelFormat, const std::string& path,
                      int encoderNo) {
    // Paths leave the process with '/' separators.
    std::string target = path;
    std::replace(target.begin(), target.end(), '\\', '/');

    if (avformat_alloc_output_context2(&context.format, nullptr, "image2", target.c_str()) < 0 ||
        !context.format)
        return false;
    // The muxer takes the path as it is, not as a frame-number pattern.
    av_opt_set_int(context.format->priv_data, "update", 1, 0);
    if (avio_open(&context.format->pb, target.c_str(), AVIO_FLAG_WRITE) < 0) {
        AvLogError("Could not open output file '%s'", target.c_str());
        return false;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name("png");
    if (!codec) {
        AvLogError("encoder=%d not found!", encoderNo);
        return false;
    }
    context.codec = avcodec_alloc_context3(codec);
    if (!context.codec) {
        AvLogError("alloc context3 %d for encoder fail!", encoderNo);
        return false;
    }
    AVCodecContext* encoder = context.codec;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    encoder->width = width;
    encoder->height = height;
    encoder->time_base = AVRational{1, 1};
    encoder->gop_size = 1;
    encoder->bit_rate = 8024000;
    encoder->pix_fmt = AV_PIX_FMT_RGB24;
    int result = avcodec_open2(encoder, codec, nullptr);
    if (result < 0) {
        char text[1024] = {};
        av_strerror(result, text, sizeof(text));
        AvLogError("open encoder error:%s", text);
        return false;
    }
    context.stream = avformat_new_stream(context.format, nullptr);
    if (!context.stream) return false;
    context.stream->id = static_cast<int>(context.format->nb_streams) - 1;
    context.stream->time_base = encoder->time_base;
    if (avcodec_parameters_from_context(context.stream->codecpar, encoder) < 0 ||
        avformat_write_header(context.format, nullptr) < 0)
        return false;

    CSWSContext converter;
    const uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (!converter.Init(width, height, pixelFormat, width, height, AV_PIX_FMT_RGB24) ||
        !converter.Scale(planes, strides)) {
        AvLogError("Convert out fail!!!!");
        return false;
    }
    AVFrame* frame = converter.Frame();
    frame->pts = 0;
    result = avcodec_send_frame(encoder, frame);
    if (result < 0) {
        char text[1024] = {};
        av_strerror(result, text, sizeof(text));
        AvLogError("Encode::avcodec_send_frame : %s", text);
        return false;
    }
    AVPacket* packet = av_packet_alloc();
    if (!packet) return false;
    bool written = true;
    while (avcodec_receive_packet(encoder, packet) >= 0) {
        av_packet_rescale_ts(packet, encoder->time_base, context.stream->time_base);
        packet->stream_index = context.stream->index;
        const int writeResult = av_write_frame(context.format, packet);
        av_packet_unref(packet);
        if (writeResult < 0) {
            AvLogError("write frame error");
            written = false;
            break;
        }
    }
    av_packet_free(&packet);
    if (!written) return false;
    return av_write_trailer(context.format) >= 0;
}

}  // namespace zovi::engine
