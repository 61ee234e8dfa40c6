#include "mux/mux_writer.h"

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

#include "platform/base/utf8.h"
#include "platform/fs/win_file.h"

namespace zovi::mux {

namespace {

bool SetExtradata(AVCodecParameters* parameters, const std::vector<uint8_t>& extra) {
    if (extra.empty()) return true;
    parameters->extradata =
        static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!parameters->extradata) return false;
    std::copy(extra.begin(), extra.end(), parameters->extradata);
    parameters->extradata_size = static_cast<int>(extra.size());
    return true;
}

const AVCodecDescriptor* Descriptor(const std::string& name, AVMediaType type) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get_by_name(name.c_str());
    return descriptor && descriptor->type == type ? descriptor : nullptr;
}

}  // namespace

CMuxWriter::~CMuxWriter() { Discard(); }

void CMuxWriter::Discard() {
    if (!context_) return;
    if (fileOpen_) avio_closep(&context_->pb);
    fileOpen_ = false;
    avformat_free_context(context_);
    context_ = nullptr;
}

bool CMuxWriter::AddVideo(const MuxArgs& args, const std::vector<uint8_t>& extra) {
    const AVCodecDescriptor* descriptor = Descriptor(args.video.codec, AVMEDIA_TYPE_VIDEO);
    AVStream* stream = descriptor ? avformat_new_stream(context_, nullptr) : nullptr;
    if (!stream) {
        std::fprintf(stderr, "ZoviMux: cannot add video stream %s\n", args.video.codec.c_str());
        return false;
    }
    AVCodecParameters* parameters = stream->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_VIDEO;
    parameters->codec_id = descriptor->id;
    parameters->width = args.video.width;
    parameters->height = args.video.height;
    parameters->format = AV_PIX_FMT_YUV420P;
    parameters->bit_rate = args.video.bitRate;
    stream->time_base = AVRational{1, args.video.fps};
    stream->avg_frame_rate = AVRational{args.video.fps, 1};
    stream->r_frame_rate = stream->avg_frame_rate;
    videoIndex_ = stream->index;
    videoFps_ = args.video.fps;
    return SetExtradata(parameters, extra);
}

bool CMuxWriter::AddSound(const MuxArgs& args, const std::vector<uint8_t>& extra) {
    const AVCodecDescriptor* descriptor = Descriptor(args.sound.codec, AVMEDIA_TYPE_AUDIO);
    AVStream* stream = descriptor ? avformat_new_stream(context_, nullptr) : nullptr;
    if (!stream) {
        std::fprintf(stderr, "ZoviMux: cannot add sound stream %s\n", args.sound.codec.c_str());
        return false;
    }
    AVCodecParameters* parameters = stream->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_AUDIO;
    parameters->codec_id = descriptor->id;
    parameters->sample_rate = args.sound.sampleRate;
    av_channel_layout_default(&parameters->ch_layout, args.sound.channels);
    parameters->format = args.sound.sampleFormat;
    parameters->bit_rate = args.sound.bitRate;
    parameters->frame_size = 1024;
    stream->time_base = AVRational{1, args.sound.sampleRate};
    soundIndex_ = stream->index;
    sampleRate_ = args.sound.sampleRate;
    return SetExtradata(parameters, extra);
}

bool CMuxWriter::Open(const MuxArgs& args, const std::vector<uint8_t>& videoExtra,
                      const std::vector<uint8_t>& soundExtra) {
    path_ = args.outputPath;
    const std::string container = ContainerForPath(path_);
    if (avformat_alloc_output_context2(&context_, nullptr, container.c_str(), path_.c_str()) < 0 ||
        !context_) {
        std::fprintf(stderr, "ZoviMux: no container %s\n", container.c_str());
        return false;
    }
    // Write what was asked for even where a container only tolerates it (MPEG-4 Visual
    // in FLV).
    context_->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    if ((args.hasVideo && !AddVideo(args, videoExtra)) ||
        (args.hasSound && !AddSound(args, soundExtra))) {
        Discard();
        return false;
    }
    if (!(context_->oformat->flags & AVFMT_NOFILE)) {
        if (avio_open(&context_->pb, path_.c_str(), AVIO_FLAG_WRITE) < 0) {
            std::fprintf(stderr, "ZoviMux: cannot create %s\n", path_.c_str());
            Discard();
            return false;
        }
        fileOpen_ = true;
    }
    if (avformat_write_header(context_, nullptr) < 0) {
        std::fprintf(stderr, "ZoviMux: cannot write the %s header\n", container.c_str());
        Discard();
        DeleteFileW(platform::DecodeUtf8Lossless(path_).c_str());  // a failure leaves it
        return false;
    }
    return true;
}

bool CMuxWriter::HasStream(int32_t kind) const {
    return (kind == 0 && videoIndex_ >= 0) || (kind == 1 && soundIndex_ >= 0);
}

CMuxWriter::WriteResult CMuxWriter::Write(int32_t kind, int64_t pts, int64_t dts, bool key,
                                          AVPacket* packet) {
    if (!context_ || !HasStream(kind)) return WriteResult::kRejected;
    const int index = StreamIndex(kind);
    const AVRational input = kind == 0 ? AVRational{1, videoFps_} : AVRational{1, sampleRate_};
    packet->stream_index = index;
    packet->pts = pts;
    packet->dts = dts;
    packet->duration = kind == 0 ? 1 : 1024;
    if (key) packet->flags |= AV_PKT_FLAG_KEY;
    // The writer may have chosen its own time base in the header.
    av_packet_rescale_ts(packet, input, context_->streams[index]->time_base);
    const int result = av_interleaved_write_frame(context_, packet);
    av_packet_unref(packet);
    if (result >= 0) return WriteResult::kOk;
    if (context_->pb && context_->pb->error < 0) return WriteResult::kWriteError;
    return WriteResult::kRejected;
}

bool CMuxWriter::Finish() {
    if (!context_) return false;
    bool ok = av_write_trailer(context_) >= 0;
    if (fileOpen_) {
        if (context_->pb && context_->pb->error < 0) ok = false;
        if (avio_closep(&context_->pb) < 0) ok = false;
        fileOpen_ = false;
    }
    avformat_free_context(context_);
    context_ = nullptr;
    return ok;
}

}  // namespace zovi::mux
