#include "engine/player/media_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "platform/base/utf8.h"

namespace zovi::engine {

namespace {

bool OpenMediaFile(const std::wstring& path, AVFormatContext** format) {
    *format = avformat_alloc_context();
    if (!*format) return false;
    const std::string utf8 = platform::WideToUtf8(path);
    if (avformat_open_input(format, utf8.c_str(), nullptr, nullptr) < 0) {
        *format = nullptr;  // freed by avformat_open_input
        return false;
    }
    return avformat_find_stream_info(*format, nullptr) >= 0;
}

// Finds the best stream of `mediaType` and opens its decoder; false leaves `*index` and
// `*context` alone.
bool OpenBestDecoder(AVFormatContext* format, AVMediaType mediaType, int* index, AVCodecContext** context) {
    const AVCodec* codec = nullptr;
    const int found = av_find_best_stream(format, mediaType, -1, -1, &codec, 0);
    if (found < 0 || !codec) return false;
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    if (!decoder) return false;
    if (avcodec_parameters_to_context(decoder, format->streams[found]->codecpar) < 0 ||
        avcodec_open2(decoder, codec, nullptr) < 0) {
        avcodec_free_context(&decoder);
        return false;
    }
    *index = found;
    *context = decoder;
    return true;
}

}  // namespace

bool MediaInput::Open(const std::wstring& path) {
    Close();
    if (OpenMediaFile(path, &format)) {
        OpenBestDecoder(format, AVMEDIA_TYPE_VIDEO, &videoIndex, &videoDecoder);
        OpenBestDecoder(format, AVMEDIA_TYPE_AUDIO, &audioIndex, &audioDecoder);
        if (videoIndex >= 0 || audioIndex >= 0) return true;
    }
    Close();
    return false;
}

void MediaInput::Close() {
    avcodec_free_context(&videoDecoder);
    avcodec_free_context(&audioDecoder);
    if (format) avformat_close_input(&format);
    videoIndex = audioIndex = -1;
}

void MediaInput::SeekBack(int index, int64_t ms) {
    const AVStream* stream = format->streams[index];
    av_seek_frame(format, index, av_rescale_q(ms, AVRational{1, 1000}, stream->time_base), AVSEEK_FLAG_BACKWARD);
}

int64_t FrameTimeMs(const AVFrame* frame, AVRational timeBase) {
    const int64_t ts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
    return ts == AV_NOPTS_VALUE ? 0 : av_rescale_q(ts, timeBase, AVRational{1, 1000});
}

}  // namespace zovi::engine
