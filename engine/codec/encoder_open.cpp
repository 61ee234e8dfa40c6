#include "engine/codec/encoder_open.h"

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

#include "engine/util/av_log.h"

namespace zovi::engine {

void CodecContextDeleter::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}

namespace {

// One row of the encoder table: what differs between the video encoders.
struct VideoEncoderRow {
    const char* name;
    AVPixelFormat pixelFormat;
    bool useParamBFrames;  // else no B-frames
    const char* notFound;
    const char* allocFailed;  // null: no message
    const char* openFailed;   // followed by the library's error text
};

constexpr VideoEncoderRow kX264{"libx264",
                                AV_PIX_FMT_YUV420P,
                                true,
                                "libx264 not found!",
                                "alloc context3 for x264 encoder fail!",
                                "open encoder error:"};
constexpr VideoEncoderRow kNvenc{"h264_nvenc",
                                 AV_PIX_FMT_NV12,
                                 false,
                                 "h264_nvenc not found!",
                                 "alloc context3 for h264_nvenc encoder fail!",
                                 "open encoder error:"};
constexpr VideoEncoderRow kQsv{"h264_qsv",
                               AV_PIX_FMT_NV12,
                               false,
                               "h264_qsv not found!",
                               "alloc context3 for h264_qsv encoder fail!",
                               "open h264_qsv encoder error:"};
constexpr VideoEncoderRow kXvid{"libxvid", AV_PIX_FMT_YUV420P,     true, "libxvid not found!",
                                nullptr,   "open encoder error:"};

void SetOptions(AVDictionary** options, const VideoEncoderRow& row, const CodecParam& param) {
    const std::string name = row.name;
    if (name == "libx264") {
        av_dict_set(options, "preset", param.preset.c_str(), 0);
        av_dict_set(options, "tune", param.tune.c_str(), 0);
        av_dict_set(options, "profile", param.profile.c_str(), 0);
    } else if (name == "h264_nvenc") {
        // FFmpeg's NVENC names the zero-latency tune "ull" ("zerolatency" is refused).
        av_dict_set(options, "preset", "medium", 0);
        av_dict_set(options, "tune", "ull", 0);
        av_dict_set(options, "profile", "main", 0);
        av_dict_set(options, "rc", "cbr", 0);
        av_dict_set(options, "qp", "25", 0);
    } else if (name == "h264_qsv") {
        av_dict_set(options, "preset", "medium", 0);
        av_dict_set(options, "tune", "film", 0);
        av_dict_set(options, "profile", "main", 0);
    } else if (name == "libxvid") {
        av_dict_set(options, "me_quality", "6", 0);
    }
}

CodecContextPtr OpenOne(const VideoEncoderRow& row, const CodecParam& param, int width,
                        int height) {
    const AVCodec* codec = avcodec_find_encoder_by_name(row.name);
    if (!codec) {
        AvLogError("%s", row.notFound);
        return nullptr;
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        if (row.allocFailed) AvLogError("%s", row.allocFailed);
        return nullptr;
    }
    context->width = width;
    context->height = height;
    context->time_base = AVRational{1, param.fps};
    context->pix_fmt = row.pixelFormat;
    context->qmin = param.qmin;
    context->qmax = param.qmax;
    context->gop_size = param.gop;
    context->max_b_frames = row.useParamBFrames ? param.bframes : 0;
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    SetOptions(&options, row, param);
    const int result = avcodec_open2(context.get(), codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        char text[1024] = {};
        av_strerror(result, text, sizeof(text));
        AvLogError("%s%s", row.openFailed, text);
        return nullptr;
    }
    return context;
}

}  // namespace

CodecContextPtr OpenVideoEncoder(const CodecParam& param, int width, int height) {
    if (param.fps <= 0 || width <= 0 || height <= 0) {
        AvLogError("invalid video encode parameters fps=%d w=%d h=%d", param.fps, width, height);
        return nullptr;
    }
    if (param.encoder == "libx264") {
        if (param.hardwareAllowed) {
            AvLogInfo("try to open nvenc-encoder!");
            if (auto context = OpenOne(kNvenc, param, width, height)) return context;
            AvLogInfo("try to open qsv-encoder!");
            if (auto context = OpenOne(kQsv, param, width, height)) return context;
        }
        AvLogInfo("try to open x264-encoder!");
        return OpenOne(kX264, param, width, height);
    }
    if (param.encoder == "libxvid") {
        AvLogInfo("try to open xvid-encoder!");
        return OpenOne(kXvid, param, width, height);
    }
    AvLogError("unknown video encoder: %s", param.encoder.c_str());
    return nullptr;
}

CodecContextPtr OpenAudioEncoder(const AudioCodecParam& param) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    CodecContextPtr context(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!context || param.channels <= 0 || param.sampleRate <= 0) {
        AvLogError("CCaptureImpl::AddAudioCodec fail");
        return nullptr;
    }
    context->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    context->profile = FF_PROFILE_AAC_MAIN;
    context->bit_rate = param.bitRate;
    context->sample_rate = param.sampleRate;
    context->sample_fmt = static_cast<AVSampleFormat>(param.sampleFormat);
    av_channel_layout_default(&context->ch_layout, param.channels);
    context->block_align = av_get_bytes_per_sample(context->sample_fmt);
    context->time_base = AVRational{1, param.sampleRate};
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        AvLogError("CCaptureImpl::AddAudioCodec fail");
        return nullptr;
    }
    return context;
}

}  // namespace zovi::engine
