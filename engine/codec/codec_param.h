// The encoding records the capture controller builds and the engine reads, and the
// process-wide name tables of codecs and x264 settings.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zovi::engine {

// Video encoding parameters. New records hold zeros, empty strings and false flags.
class CodecParam {
public:
    virtual ~CodecParam() = default;
    // Stores the FFmpeg encoder name in `encoder` and returns true.
    virtual bool GetEncoderName() = 0;
    // Logs "encoder=... qmin=... ... mux=<mux>", `mux` being the container the stream
    // goes into ("mp4", "matroska", "flv" or "avi").
    virtual void Describe(const std::string& mux);

    std::string encoder;  // FFmpeg encoder name
    int32_t qmin = 0;
    int32_t qmax = 0;
    int32_t gop = 0;
    int32_t fps = 0;
    int32_t bframes = 0;
    std::string preset;  // x264 names; empty for Xvid
    std::string tune;
    std::string profile;
    bool hardwareAllowed = false;  // a hardware H.264 encoder is tried first
};

// H.264 through "libx264" (or a hardware encoder when allowed).
class CodecParamX264 : public CodecParam {
public:
    bool GetEncoderName() override;
};

// MPEG-4 Visual through "libxvid".
class CodecParamXvid : public CodecParam {
public:
    bool GetEncoderName() override;
};

// Sound encoding parameters.
struct AudioCodecParam {
    std::string name;  // "aac"
    int32_t channels = 0;
    int32_t sampleFormat = 0;  // FFmpeg sample-format number; 8 is planar float
    int32_t sampleRate = 0;
    int32_t bitRate = 0;
    bool noiseSuppression = false;
};

// Value-to-name tables (the settings' "vcodec" and the x264 preset, tune and profile).
const std::vector<std::string>& VideoCodecNames();   // "h264", "mpeg4"
const std::vector<std::string>& X264PresetNames();   // "ultrafast" ... "placebo"
const std::vector<std::string>& X264TuneNames();     // "film" ... "zerolatency"
const std::vector<std::string>& X264ProfileNames();  // "baseline" ... "high444"

}  // namespace zovi::engine
