// Reads a PNG file back through libavformat and libavcodec as RGB24 pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace zovi::engine::testing {

struct DecodedImage {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB per pixel
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

inline bool ReadPng(const std::string& path, DecodedImage* image) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = false;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avformat_find_stream_info(format, nullptr) >= 0 && format->nb_streams == 1) {
        const AVCodec* codec = avcodec_find_decoder(format->streams[0]->codecpar->codec_id);
        decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (decoder && avcodec_parameters_to_context(decoder, format->streams[0]->codecpar) >= 0 &&
            avcodec_open2(decoder, codec, nullptr) >= 0 && av_read_frame(format, packet) >= 0 &&
            avcodec_send_packet(decoder, packet) >= 0 && avcodec_receive_frame(decoder, frame) >= 0 &&
            frame->format == AV_PIX_FMT_RGB24) {
            image->width = frame->width;
            image->height = frame->height;
            image->rgb.clear();
            for (int y = 0; y < frame->height; ++y)
                for (int x = 0; x < frame->width; ++x) {
                    const uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
                    image->rgb.push_back((uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
                }
            ok = true;
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return ok;
}

}  // namespace zovi::engine::testing
