// Opening FFmpeg encoders from the codec records: the hardware-first choice for H.264,
// Xvid, and AAC. Each attempt and failure is logged through the engine's log.
#pragma once
#include <memory>

#include "engine/codec/codec_param.h"

struct AVCodecContext;

namespace zovi::engine {

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const;
};
// An open encoder context, freed with avcodec_free_context.
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

// Opens the video encoder named by `param.encoder` at width x height: "libx264" tries
// "h264_nvenc" then "h264_qsv" first when `param.hardwareAllowed`; "libxvid"; any other
// name fails. Null when none opened. Call param.GetEncoderName() first.
CodecContextPtr OpenVideoEncoder(const CodecParam& param, int width, int height);

// Opens the AAC encoder from the sound record. Null (and "CCaptureImpl::AddAudioCodec
// fail" logged) on any failure.
CodecContextPtr OpenAudioEncoder(const AudioCodecParam& param);

}  // namespace zovi::engine
