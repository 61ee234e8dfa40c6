#include "engine/output/testing/synthetic_recording.h"

#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace zovi::engine::testing {

namespace {

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

void CopyExtradata(AVCodecContext* context, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (context && context->extradata_size > 0)
        bytes.assign(context->extradata, context->extradata + context->extradata_size);
}

}  // namespace

bool CSyntheticRecording::Open(const Options& options) {
    options_ = options;
    if (!options.videoEncoder.empty()) {
        std::unique_ptr<CodecParam> param;
        if (options.videoEncoder == "libxvid")
            param = std::make_unique<CodecParamXvid>();
        else
            param = std::make_unique<CodecParamX264>();
        param->GetEncoderName();
        param->fps = options.fps;
        param->gop = options.fps * 2;
        param->qmin = 2;
        param->qmax = 40;
        if (options.videoEncoder == "libx264") {
            param->bframes = options.bFrames;
            param->preset = options.x264Preset;
            param->tune = "film";
            param->profile = "high";
        }
        video_ = OpenVideoEncoder(*param, options.width, options.height);
        if (!video_) return false;
    }
    if (options.sound) {
        AudioCodecParam param{"aac", 2, AV_SAMPLE_FMT_FLTP, options.sampleRate, 128000, false};
        sound_ = OpenAudioEncoder(param);
        if (!sound_) return false;
    }
    return video_ || sound_;
}

int CSyntheticRecording::VideoFrames() const {
    return video_ ? static_cast<int>(std::lround(options_.seconds * options_.fps)) : 0;
}

bool CSyntheticRecording::Drain(AVCodecContext* context, int32_t kind,
                                const std::function<bool(const EncodedPacket&)>& sink) {
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    for (;;) {
        int result = avcodec_receive_packet(context, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        EncodedPacket out;
        out.header.pts = packet->pts;
        out.header.dts = packet->dts;
        out.header.size = packet->size;
        out.header.kind = kind;
        out.header.key = (packet->flags & AV_PKT_FLAG_KEY) ? 1 : 0;
        out.data.assign(packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
        if (!sink(out)) return false;
    }
}

bool CSyntheticRecording::Run(const std::function<bool(const EncodedPacket&)>& sink) {
    std::unique_ptr<AVFrame, FrameFree> picture(av_frame_alloc());
    std::unique_ptr<AVFrame, FrameFree> block(av_frame_alloc());
    if (video_) {
        picture->format = video_->pix_fmt;
        picture->width = video_->width;
        picture->height = video_->height;
        if (av_frame_get_buffer(picture.get(), 0) < 0) return false;
    }
    if (sound_) {
        block->format = sound_->sample_fmt;
        block->nb_samples = sound_->frame_size;
        block->sample_rate = sound_->sample_rate;
        av_channel_layout_copy(&block->ch_layout, &sound_->ch_layout);
        if (av_frame_get_buffer(block.get(), 0) < 0) return false;
    }
    const int frames = video_ ? VideoFrames() : 0;
    const int64_t totalSamples = static_cast<int64_t>(options_.seconds * options_.sampleRate);
    int64_t samplesDone = 0;
    auto encodeSoundUntil = [&](int64_t untilSample) {
        while (sound_ && samplesDone < untilSample && samplesDone < totalSamples) {
            if (av_frame_make_writable(block.get()) < 0) return false;
            for (int c = 0; c < block->ch_layout.nb_channels; ++c) {
                auto* samples = reinterpret_cast<float*>(block->data[c]);
                for (int i = 0; i < block->nb_samples; ++i)
                    samples[i] =
                        0.3f * static_cast<float>(std::sin(2 * M_PI * 440.0 *
                                                           static_cast<double>(samplesDone + i) /
                                                           options_.sampleRate));
            }
            block->pts = samplesDone;
            if (avcodec_send_frame(sound_.get(), block.get()) < 0) return false;
            if (!Drain(sound_.get(), kMuxSound, sink)) return false;
            samplesDone += block->nb_samples;
        }
        return true;
    };
    for (int i = 0; i < frames; ++i) {
        if (av_frame_make_writable(picture.get()) < 0) return false;
        for (int y = 0; y < picture->height; ++y)
            for (int x = 0; x < picture->width; ++x)
                picture->data[0][y * picture->linesize[0] + x] =
                    static_cast<uint8_t>(x + y + 3 * i);
        for (int plane = 1; plane < 3; ++plane)
            for (int y = 0; y < picture->height / 2; ++y)
                for (int x = 0; x < picture->width / 2; ++x)
                    picture->data[plane][y * picture->linesize[plane] + x] =
                        static_cast<uint8_t>(128 + plane * (x - y) + i);
        picture->pts = i;
        if (avcodec_send_frame(video_.get(), picture.get()) < 0) return false;
        if (!Drain(video_.get(), kMuxVideo, sink)) return false;
        if (!encodeSoundUntil((static_cast<int64_t>(i) + 1) * options_.sampleRate / options_.fps))
            return false;
    }
    if (!encodeSoundUntil(totalSamples)) return false;
    if (video_) {
        avcodec_send_frame(video_.get(), nullptr);
        if (!Drain(video_.get(), kMuxVideo, sink)) return false;
    }
    if (sound_) {
        avcodec_send_frame(sound_.get(), nullptr);
        if (!Drain(sound_.get(), kMuxSound, sink)) return false;
    }
    return true;
}

void CSyntheticRecording::GetVideoExtraData(std::vector<uint8_t>& bytes) {
    CopyExtradata(video_.get(), bytes);
}

void CSyntheticRecording::GetVideoStreamInfo(std::string& name, int& width, int& height,
                                             int64_t& bitRate, int& timeBaseDen) {
    name = avcodec_descriptor_get(video_->codec_id)->name;
    width = video_->width;
    height = video_->height;
    bitRate = video_->bit_rate;
    timeBaseDen = video_->time_base.den;
}

void CSyntheticRecording::GetAudioExtraData(std::vector<uint8_t>& bytes) {
    CopyExtradata(sound_.get(), bytes);
}

void CSyntheticRecording::GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate,
                                             int64_t& bitRate, int& sampleFormat) {
    name = avcodec_descriptor_get(sound_->codec_id)->name;
    channels = sound_->ch_layout.nb_channels;
    sampleRate = sound_->sample_rate;
    bitRate = sound_->bit_rate;
    sampleFormat = sound_->sample_fmt;
}

MediaFileReport ReadMediaFile(const std::string& path) {
    MediaFileReport report;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return report;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return report;
    }
    report.opened = true;
    report.container = format->iformat->name;
    report.streams = static_cast<int>(format->nb_streams);

    struct Reader {
        StreamReport* report = nullptr;
        AVCodecContext* decoder = nullptr;
        int64_t firstPts = INT64_MAX;
        int64_t endPts = INT64_MIN;
    };
    std::vector<Reader> readers(format->nb_streams);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        AVCodecParameters* parameters = stream->codecpar;
        StreamReport* target = nullptr;
        if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && !report.video) {
            report.video.emplace();
            target = &*report.video;
            target->width = parameters->width;
            target->height = parameters->height;
            target->frameRate =
                av_q2d(stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate);
        } else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO && !report.sound) {
            report.sound.emplace();
            target = &*report.sound;
            target->sampleRate = parameters->sample_rate;
            target->channels = parameters->ch_layout.nb_channels;
        }
        if (!target) continue;
        target->codec = avcodec_get_name(parameters->codec_id);
        readers[i].report = target;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        if (codec) {
            readers[i].decoder = avcodec_alloc_context3(codec);
            avcodec_parameters_to_context(readers[i].decoder, parameters);
            if (avcodec_open2(readers[i].decoder, codec, nullptr) < 0)
                avcodec_free_context(&readers[i].decoder);
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receiveAll = [&](Reader& reader) {
        while (avcodec_receive_frame(reader.decoder, frame) >= 0) {
            ++reader.report->decodedFrames;
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        Reader& reader = readers[packet->stream_index];
        if (reader.report) {
            ++reader.report->packets;
            const AVRational base = format->streams[packet->stream_index]->time_base;
            const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (pts != AV_NOPTS_VALUE) {
                const int64_t start = av_rescale_q(pts, base, AVRational{1, 1000000});
                const int64_t end =
                    av_rescale_q(pts + packet->duration, base, AVRational{1, 1000000});
                reader.firstPts = std::min(reader.firstPts, start);
                reader.endPts = std::max(reader.endPts, end);
            }
            if (reader.decoder) {
                if (avcodec_send_packet(reader.decoder, packet) < 0) ++reader.report->decodeErrors;
                receiveAll(reader);
            }
        }
        av_packet_unref(packet);
    }
    for (Reader& reader : readers) {
        if (!reader.report) continue;
        if (reader.decoder) {
            avcodec_send_packet(reader.decoder, nullptr);
            receiveAll(reader);
            avcodec_free_context(&reader.decoder);
        }
        if (reader.endPts > reader.firstPts)
            reader.report->seconds = static_cast<double>(reader.endPts - reader.firstPts) / 1e6;
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return report;
}

}  // namespace zovi::engine::testing
