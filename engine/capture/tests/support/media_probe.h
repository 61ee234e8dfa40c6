// Reads back a recorded file with FFmpeg: its streams, durations, decoded pictures and
// sound levels, for the recording tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zovi::test {

struct MediaInfo {
    bool opened = false;
    int videoStreams = 0, audioStreams = 0;
    std::string videoCodec, audioCodec;
    int width = 0, height = 0;
    double videoDuration = 0;  // seconds from the first to past the last frame
    double audioDuration = 0;  // seconds of decoded samples
    int videoFrames = 0;
};
MediaInfo ProbeMedia(const std::string& path);

// One decoded picture as 24-bit BGR with its time in seconds.
struct Picture {
    double time = 0;
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;  // width * 3 bytes per row
    const uint8_t* At(int x, int y) const { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
};
std::vector<Picture> DecodePictures(const std::string& path);

// The sound of the first channel as float samples with its rate and the time of the
// first sample.
struct Sound {
    int rate = 0;
    double start = 0;
    std::vector<float> samples;
};
Sound DecodeSound(const std::string& path);

// The mean brightness (0-255, from the luma plane) of every picture, with its time.
struct Brightness {
    double time = 0;
    double mean = 0;
};
std::vector<Brightness> PictureBrightness(const std::string& path);

// The time of the first picture at or after `from` whose brightness passes `threshold`
// while the one before it did not; -1 when there is none.
double BrightOnset(const std::vector<Brightness>& pictures, double from, double threshold = 128);
// The time of the first loud sample (above `threshold`) of a sound that starts at or
// after `from` out of quiet (a quiet 5 ms window within the 100 ms before); -1 when none.
double SoundOnset(const Sound& sound, double from, double threshold = 0.05);

// The mean strength of `frequency` (amplitude) over samples [from, to), in 2048-sample
// windows.
double ToneStrength(const Sound& sound, double frequency, size_t from, size_t to);
double Rms(const Sound& sound, size_t from, size_t to);

}  // namespace zovi::test
