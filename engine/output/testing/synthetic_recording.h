// Test and benchmark support: a recording made of synthetic frames and a tone through
// the real encoders, offered through ICaptureFFMCallback like the engine offers it, and
// a reader that checks a finished media file with libavformat.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/codec/encoder_open.h"
#include "engine/output/capture_output.h"

namespace zovi::engine::testing {

struct EncodedPacket {
    MuxMessageHeader header;
    std::vector<uint8_t> data;
};

class CSyntheticRecording : public ICaptureFFMCallback {
public:
    struct Options {
        std::string videoEncoder = "libx264";  // "libx264", "libxvid", or empty: no video
        bool sound = true;
        int width = 320;
        int height = 240;
        int fps = 15;
        double seconds = 2.0;
        int sampleRate = 44100;
        std::string x264Preset = "veryfast";
        int bFrames = 2;
    };

    // Opens the encoders. False when one cannot be opened.
    bool Open(const Options& options);
    // Encodes the whole recording and hands every packet to `sink` in the order the
    // encoders produce them (frame by frame, with the sound blocks of each frame's time).
    // Stops and returns false when `sink` does.
    bool Run(const std::function<bool(const EncodedPacket&)>& sink);

    int VideoFrames() const;  // frames encoded by Run
    const Options& options() const { return options_; }

    bool HasVideo() override { return video_ != nullptr; }
    void GetVideoExtraData(std::vector<uint8_t>& bytes) override;
    void GetVideoStreamInfo(std::string& name, int& width, int& height, int64_t& bitRate,
                            int& timeBaseDen) override;
    bool HasAudio() override { return sound_ != nullptr; }
    void GetAudioExtraData(std::vector<uint8_t>& bytes) override;
    void GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate, int64_t& bitRate,
                            int& sampleFormat) override;

private:
    bool Drain(AVCodecContext* context, int32_t kind,
               const std::function<bool(const EncodedPacket&)>& sink);

    Options options_;
    CodecContextPtr video_;
    CodecContextPtr sound_;
};

struct StreamReport {
    std::string codec;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    double frameRate = 0;
    double seconds = 0;  // from the first to the end of the last packet
    int64_t packets = 0;
    int64_t decodedFrames = 0;
    int decodeErrors = 0;
};

struct MediaFileReport {
    bool opened = false;
    std::string container;  // the demuxer's name, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    std::optional<StreamReport> video;
    std::optional<StreamReport> sound;
    int streams = 0;
};

// Opens `path`, reads every packet and decodes every one of them.
MediaFileReport ReadMediaFile(const std::string& path);

}  // namespace zovi::engine::testing
