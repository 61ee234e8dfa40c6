#include "engine/capture/tests/support/media_probe.h"

#include <cmath>
#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace zovi::test {

namespace {

// Opens `path` and a decoder for its best stream of `type`; calls `onFrame` per frame.
template <typename OnFrame>
bool DecodeStream(const std::string& path, AVMediaType type, OnFrame&& onFrame,
                  AVRational* timeBase = nullptr) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = false;
    const AVCodec* codec = nullptr;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        const int index = av_find_best_stream(format, type, -1, -1, &codec, 0);
        if (index >= 0 && (decoder = avcodec_alloc_context3(codec)) &&
            avcodec_parameters_to_context(decoder, format->streams[index]->codecpar) >= 0 &&
            avcodec_open2(decoder, codec, nullptr) >= 0) {
            ok = true;
            const AVRational tb = format->streams[index]->time_base;
            if (timeBase) *timeBase = tb;
            auto drain = [&] {
                while (avcodec_receive_frame(decoder, frame) >= 0) {
                    const int64_t pts = frame->best_effort_timestamp;
                    onFrame(frame, pts == AV_NOPTS_VALUE ? 0.0 : pts * av_q2d(tb));
                    av_frame_unref(frame);
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == index) avcodec_send_packet(decoder, packet);
                av_packet_unref(packet);
                drain();
            }
            avcodec_send_packet(decoder, nullptr);
            drain();
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return ok;
}

}  // namespace

MediaInfo ProbeMedia(const std::string& path) {
    MediaInfo info;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return info;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        info.opened = true;
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVCodecParameters* par = format->streams[i]->codecpar;
            if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++info.videoStreams;
                info.videoCodec = avcodec_get_name(par->codec_id);
                info.width = par->width;
                info.height = par->height;
            } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
                ++info.audioStreams;
                info.audioCodec = avcodec_get_name(par->codec_id);
            }
        }
    }
    avformat_close_input(&format);
    if (!info.opened) return info;

    double first = -1, last = 0, step = 0;
    DecodeStream(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame*, double t) {
        if (first < 0) first = t;
        if (info.videoFrames > 0 && t > last) step = t - last;
        last = std::max(last, t);
        ++info.videoFrames;
    });
    if (info.videoFrames > 0) info.videoDuration = last - first + step;
    int64_t samples = 0;
    int rate = 0;
    DecodeStream(path, AVMEDIA_TYPE_AUDIO, [&](AVFrame* f, double) {
        samples += f->nb_samples;
        rate = f->sample_rate;
    });
    if (rate > 0) info.audioDuration = static_cast<double>(samples) / rate;
    return info;
}

std::vector<Picture> DecodePictures(const std::string& path) {
    std::vector<Picture> pictures;
    SwsContext* scaler = nullptr;
    DecodeStream(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f, double t) {
        scaler = sws_getCachedContext(scaler, f->width, f->height,
                                      static_cast<AVPixelFormat>(f->format), f->width,
                                      f->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr,
                                      nullptr, nullptr);
        Picture picture;
        picture.time = t;
        picture.width = f->width;
        picture.height = f->height;
        picture.bgr.resize(static_cast<size_t>(f->width) * f->height * 3);
        uint8_t* planes[1] = {picture.bgr.data()};
        int strides[1] = {f->width * 3};
        sws_scale(scaler, f->data, f->linesize, 0, f->height, planes, strides);
        pictures.push_back(std::move(picture));
    });
    sws_freeContext(scaler);
    return pictures;
}

std::vector<Brightness> PictureBrightness(const std::string& path) {
    std::vector<Brightness> pictures;
    DecodeStream(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f, double t) {
        // Every planar YUV format the encoders use keeps luma in plane 0; sample a grid.
        double sum = 0;
        int count = 0;
        for (int y = 0; y < f->height; y += 4)
            for (int x = 0; x < f->width; x += 4, ++count)
                sum += f->data[0][static_cast<size_t>(y) * f->linesize[0] + x];
        pictures.push_back({t, count ? sum / count : 0});
    });
    return pictures;
}

double BrightOnset(const std::vector<Brightness>& pictures, double from, double threshold) {
    for (size_t i = 1; i < pictures.size(); ++i)
        if (pictures[i].time >= from && pictures[i].mean >= threshold &&
            pictures[i - 1].mean < threshold)
            return pictures[i].time;
    return -1;
}

double SoundOnset(const Sound& sound, double from, double threshold) {
    if (sound.rate == 0) return -1;
    const size_t window = static_cast<size_t>(sound.rate) / 200;
    const size_t start =
        from > sound.start ? static_cast<size_t>((from - sound.start) * sound.rate) : 0;
    // A loud window counts when a quiet one came within the 100 ms before it (an encoder
    // smears a little sound just ahead of a sharp start).
    constexpr size_t kQuietReach = 20;
    size_t lastQuiet = SIZE_MAX;
    for (size_t i = start, n = 0; i + window <= sound.samples.size(); i += window, ++n) {
        const double level = Rms(sound, i, i + window);
        if (level >= threshold && lastQuiet != SIZE_MAX && n - lastQuiet <= kQuietReach) {
            // Refine to the first loud sample, from the last quiet window on.
            size_t j = start + lastQuiet * window + window;
            while (j < i + window && std::abs(sound.samples[j]) < threshold) ++j;
            return sound.start + static_cast<double>(j) / sound.rate;
        }
        if (level < threshold / 4) lastQuiet = n;
    }
    return -1;
}

Sound DecodeSound(const std::string& path) {
    Sound sound;
    bool first = true;
    DecodeStream(path, AVMEDIA_TYPE_AUDIO, [&](AVFrame* f, double t) {
        if (first) {
            sound.start = t;
            sound.rate = f->sample_rate;
            first = false;
        }
        if (f->format == AV_SAMPLE_FMT_FLTP) {
            const float* data = reinterpret_cast<const float*>(f->extended_data[0]);
            sound.samples.insert(sound.samples.end(), data, data + f->nb_samples);
        }
    });
    return sound;
}

double ToneStrength(const Sound& sound, double frequency, size_t from, size_t to) {
    // Goertzel over short windows, averaged: a phase step (a block boundary, a dropped
    // sample) spoils one window, not the whole measurement.
    constexpr size_t kWindow = 2048;
    to = std::min(to, sound.samples.size());
    if (from + kWindow > to || sound.rate == 0) return 0;
    const double w = 2 * M_PI * frequency / sound.rate, coeff = 2 * std::cos(w);
    double total = 0;
    int windows = 0;
    for (size_t start = from; start + kWindow <= to; start += kWindow, ++windows) {
        double s1 = 0, s2 = 0;
        for (size_t i = start; i < start + kWindow; ++i) {
            const double s = sound.samples[i] + coeff * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        total += 2 * std::sqrt(std::max(power, 0.0)) / kWindow;
    }
    return total / windows;
}

double Rms(const Sound& sound, size_t from, size_t to) {
    to = std::min(to, sound.samples.size());
    if (from >= to) return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += sound.samples[i] * sound.samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace zovi::test
