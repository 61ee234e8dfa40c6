#include "mux/mux_args.h"

#include <algorithm>
#include <cctype>
#include <charconv>

extern "C" {
#include <libavcodec/codec_desc.h>
}

namespace zovi::mux {

namespace {

bool ParseInt(const std::string& text, int64_t minimum, int64_t maximum, int64_t& value) {
    const char* end = text.data() + text.size();
    auto [last, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && last == end && !text.empty() && value >= minimum &&
           value <= maximum;
}

// Reads the next field as an integer in [minimum, maximum].
class FieldReader {
public:
    FieldReader(const std::vector<std::string>& argv, std::string& error)
        : argv_(argv), error_(error) {}

    bool Text(const char* what, std::string& out) {
        if (next_ >= argv_.size()) return Fail(what, "missing");
        out = argv_[next_++];
        return true;
    }
    bool Int(const char* what, int64_t minimum, int64_t maximum, int64_t& out) {
        std::string text;
        if (!Text(what, text)) return false;
        if (!ParseInt(text, minimum, maximum, out)) return Fail(what, "out of range");
        return true;
    }
    bool Int(const char* what, int64_t minimum, int64_t maximum, int& out) {
        int64_t wide = 0;
        if (!Int(what, minimum, maximum, wide)) return false;
        out = static_cast<int>(wide);
        return true;
    }

private:
    bool Fail(const char* what, const char* why) {
        error_ = std::string(what) + " " + why;
        return false;
    }
    const std::vector<std::string>& argv_;
    std::string& error_;
    size_t next_ = 1;
};

bool IsCodecOfType(const std::string& name, AVMediaType type) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get_by_name(name.c_str());
    return descriptor && descriptor->type == type;
}

constexpr int64_t kMaxDimension = 16384;
constexpr int64_t kMaxRate = 1000000;

}  // namespace

bool ParseMuxArgs(const std::vector<std::string>& argv, MuxArgs& args, std::string& error) {
    FieldReader fields(argv, error);
    int64_t hasVideo = 0, hasSound = 0;
    if (!fields.Text("output path", args.outputPath)) return false;
    if (args.outputPath.empty()) {
        error = "output path empty";
        return false;
    }
    if (!fields.Int("video flag", 0, 1, hasVideo) || !fields.Int("sound flag", 0, 1, hasSound))
        return false;
    args.hasVideo = hasVideo == 1;
    args.hasSound = hasSound == 1;
    if (!args.hasVideo && !args.hasSound) {
        error = "no stream announced";
        return false;
    }
    if (args.hasVideo) {
        int64_t constant = 0;
        if (!fields.Text("video codec", args.video.codec) ||
            !fields.Int("video bit rate", 0, INT32_MAX, args.video.bitRate) ||
            !fields.Int("width", 1, kMaxDimension, args.video.width) ||
            !fields.Int("height", 1, kMaxDimension, args.video.height) ||
            !fields.Int("frame rate", 1, kMaxRate, args.video.fps) ||
            !fields.Int("video constant", INT32_MIN, INT32_MAX, constant))
            return false;
        if (!IsCodecOfType(args.video.codec, AVMEDIA_TYPE_VIDEO)) {
            error = "unknown video codec " + args.video.codec;
            return false;
        }
    }
    if (args.hasSound) {
        std::string reserved;
        int64_t kiloBits = 0;
        if (!fields.Text("sound codec", args.sound.codec) ||
            !fields.Text("sound reserved", reserved) ||
            !fields.Int("sound bit rate", 0, INT32_MAX / 1024, kiloBits) ||
            !fields.Int("sample rate", 1, kMaxRate, args.sound.sampleRate) ||
            !fields.Int("channels", 1, 64, args.sound.channels) ||
            !fields.Int("sample format", 0, 255, args.sound.sampleFormat))
            return false;
        args.sound.bitRate = kiloBits * 1024;
        if (!IsCodecOfType(args.sound.codec, AVMEDIA_TYPE_AUDIO)) {
            error = "unknown sound codec " + args.sound.codec;
            return false;
        }
    }
    return true;
}

std::string ContainerForPath(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "mp4";
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "mkv") return "matroska";
    if (extension == "flv") return "flv";
    if (extension == "avi") return "avi";
    return "mp4";
}

}  // namespace zovi::mux
