// The muxer's command line: output path, the video and sound flags, six video fields
// and six sound fields as announced by the flags, then a trailing empty argument.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zovi::mux {

struct VideoStreamArgs {
    std::string codec;    // FFmpeg codec descriptor name, e.g. "h264"
    int64_t bitRate = 0;  // informational
    int width = 0;
    int height = 0;
    int fps = 0;  // packets are in 1/fps
};

struct SoundStreamArgs {
    std::string codec;    // "aac"
    int64_t bitRate = 0;  // bits per second (the command line holds it / 1024)
    int sampleRate = 0;   // packets are in 1/sampleRate
    int channels = 0;
    int sampleFormat = 0;
};

struct MuxArgs {
    std::string outputPath;
    bool hasVideo = false;
    bool hasSound = false;
    VideoStreamArgs video;
    SoundStreamArgs sound;
};

// Parses argv positionally (argv[0] is the program); anything after the announced
// fields is ignored. False with `error` set when a field is missing or out of range.
bool ParseMuxArgs(const std::vector<std::string>& argv, MuxArgs& args, std::string& error);

// The container for a path: "mp4", "matroska", "flv" or "avi" by the extension
// (case-insensitive); "mp4" for any other.
std::string ContainerForPath(const std::string& path);

}  // namespace zovi::mux
