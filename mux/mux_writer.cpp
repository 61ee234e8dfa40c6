#include "mux/mux_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
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

// Container settings that keep a file readable up to its last flush.
struct LayoutOption {
    const char* container;
    const char* key;
    const char* value;
};
constexpr LayoutOption kLayoutOptions[] = {
    // Fragments carry their own index; the leading one is empty and the lengths are
    // written into it on a normal finish, so finishing never moves the data.
    {"mp4", "movflags", "frag_keyframe+empty_moov+default_base_moof"},
    // Clusters are held in memory until they close.
    {"matroska", "cluster_time_limit", "1000"},
};

const AVCodecDescriptor* Descriptor(const std::string& name, AVMediaType type) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get_by_name(name.c_str());
    return descriptor && descriptor->type == type ? descriptor : nullptr;
}

}  // namespace

CMuxWriter::~CMuxWriter() { Abandon(); }

void CMuxWriter::Abandon() {
    if (context_) CloseFile();
}

bool CMuxWriter::CloseFile() {
    bool written = true;
    if (fileOpen_) {
        written = !Failed();
        if (avio_closep(&context_->pb) < 0) written = false;
        fileOpen_ = false;
    }
    avformat_free_context(context_);
    context_ = nullptr;
    // The last fragment may have been cut short.
    if (!written) CutBackToLastFlush();
    return written;
}

void CMuxWriter::CutBackToLastFlush() {
    if (wholeFragmentsEnd_ < 0) return;
    // Shortening a file needs no room, so this works on a full disk.
    HANDLE file = CreateFileW(platform::DecodeUtf8Lossless(path_).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE ||
        !SetFilePointerEx(file, wholeFragmentsEnd_, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
        std::fprintf(stderr, "ZoviMux: cannot cut %s back to its last whole fragment\n",
                     path_.c_str());
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
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
        Abandon();
        return false;
    }
    if (!(context_->oformat->flags & AVFMT_NOFILE)) {
        if (avio_open(&context_->pb, path_.c_str(), AVIO_FLAG_WRITE) < 0) {
            std::fprintf(stderr, "ZoviMux: cannot create %s\n", path_.c_str());
            Abandon();
            return false;
        }
        fileOpen_ = true;
    }
    AVDictionary* options = nullptr;
    for (const LayoutOption& option : kLayoutOptions)
        if (container == option.container) av_dict_set(&options, option.key, option.value, 0);
    if (container == "mp4" && mp4FlagsOverride_)
        av_dict_set(&options, "movflags", mp4FlagsOverride_->c_str(), 0);
    const int written = avformat_write_header(context_, &options);
    av_dict_free(&options);
    // The header goes to the file now: a disk too full for it leaves no file rather than
    // one that no player opens.
    if (written >= 0 && context_->pb) avio_flush(context_->pb);
    if (written < 0 || Failed()) {
        std::fprintf(stderr, "ZoviMux: cannot write the %s header\n", container.c_str());
        Abandon();
        DeleteFileW(platform::DecodeUtf8Lossless(path_).c_str());  // a failure leaves it
        return false;
    }
    spans_.assign(context_->nb_streams, Span{});
    if (container == "mp4" && !mp4FlagsOverride_) {
        FindMp4Durations();
        wholeFragmentsEnd_ = avio_tell(context_->pb);
    }
    return true;
}

bool CMuxWriter::Failed() const { return context_->pb && context_->pb->error < 0; }

void CMuxWriter::FindMp4Durations() {
    // The empty index went to the file with the header: read it back from there.
    const int64_t size = avio_tell(context_->pb);
    AVIOContext* in = nullptr;
    if (size <= 0 || size > (1 << 20) || avio_open(&in, path_.c_str(), AVIO_FLAG_READ) < 0)
        return;
    std::vector<uint8_t> header(static_cast<size_t>(size));
    const int got = avio_read(in, header.data(), static_cast<int>(size));
    avio_closep(&in);
    hasMp4Durations_ = got == size &&
                       FindMp4DurationFields(header.data(), header.size(), mp4Durations_) &&
                       mp4Durations_.tracks.size() == context_->nb_streams;
}

bool CMuxWriter::WriteMp4Durations() {
    AVIOContext* pb = context_->pb;
    auto put = [pb](const Mp4DurationField& field, uint64_t value) {
        avio_seek(pb, field.offset, SEEK_SET);
        if (field.wide)
            avio_wb64(pb, value);
        else
            avio_wb32(pb, static_cast<uint32_t>(value));
    };
    // The file's time line starts at the earliest packet of all streams, and each track
    // runs from there (its first sample is stretched back to the start).
    int64_t origin = INT64_MAX;
    for (size_t i = 0; i < spans_.size(); ++i)
        if (spans_[i].started)
            origin = std::min(origin, av_rescale_q(spans_[i].first,
                                                   context_->streams[i]->time_base,
                                                   AV_TIME_BASE_Q));
    if (origin == INT64_MAX) return !Failed();  // no packet was taken
    uint64_t movie = 0;
    for (size_t i = 0; i < spans_.size(); ++i) {
        const Span& span = spans_[i];
        const AVRational base = context_->streams[i]->time_base;
        const int64_t ticks =
            span.started ? (span.end - av_rescale_q(origin, AV_TIME_BASE_Q, base)) * base.num
                         : 0;
        const auto& track = mp4Durations_.tracks[i];
        const uint64_t inMovie = Mp4DurationValue(track.header, ticks, base.den);
        put(track.media, Mp4DurationValue(track.media, ticks, base.den));
        put(track.header, inMovie);
        movie = std::max(movie, inMovie);
    }
    put(mp4Durations_.movie, movie);
    avio_flush(pb);
    return !Failed();
}

bool CMuxWriter::Flush() {
    // A null packet makes the container close what it holds (an MP4 fragment, a Matroska
    // cluster); the flush then hands the buffered bytes to the file.
    av_write_frame(context_, nullptr);
    if (context_->pb) avio_flush(context_->pb);
    if (Failed()) return false;
    if (wholeFragmentsEnd_ >= 0) wholeFragmentsEnd_ = avio_tell(context_->pb);
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
    const int64_t first = packet->dts, end = packet->dts + packet->duration;
    const int result = av_interleaved_write_frame(context_, packet);
    av_packet_unref(packet);
    if (Failed()) return WriteResult::kWriteError;
    if (result < 0) return WriteResult::kRejected;
    Span& span = spans_[static_cast<size_t>(index)];
    if (!span.started) span.first = first;
    span.end = span.started ? std::max(span.end, end) : end;
    span.started = true;
    const double seconds = static_cast<double>(dts) / (kind == 0 ? videoFps_ : sampleRate_);
    if (flushClock_.Due(seconds, kind == 0 && key) && !Flush()) return WriteResult::kWriteError;
    return WriteResult::kOk;
}

bool CMuxWriter::Finish() {
    if (!context_) return false;
    bool ok = av_write_trailer(context_) >= 0 && !Failed();
    if (ok && hasMp4Durations_) ok = WriteMp4Durations();
    return CloseFile() && ok;
}

}  // namespace zovi::mux
