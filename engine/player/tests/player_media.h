// Test media made with the ffmpeg program from FFmpeg's lavfi sources: a picture whose
// colour changes every second (key frames every 3 s only, B pictures between, as most
// encoders make them) and a 1 kHz tone that starts at 1 s; and what a colour in the
// window says about the second it shows.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/process/process.h"

namespace zovi::engine::testing {

inline constexpr int kMediaSeconds = 20;
inline constexpr int kKeyFrameSeconds = 3;
inline constexpr double kToneHz = 1000;
inline constexpr int kToneStartMs = 1000;
inline constexpr double kToneAmplitude = 0.5;

struct Rgb {
    int r, g, b;
};

// The colour of second `s` (the same formula as the geq filter below).
inline Rgb ColourOfSecond(int s) { return {40 + 60 * (s % 4), 40 + 45 * ((s / 4) % 5), 128}; }

// The second whose colour `pixel` (0x00RRGGBB) shows, or -1 when it is none of them
// (black, a bar, a half-drawn picture).
inline int SecondOfPixel(uint32_t pixel) {
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    for (int s = 0; s < kMediaSeconds; ++s) {
        const Rgb c = ColourOfSecond(s);
        if (std::abs(c.r - r) <= 18 && std::abs(c.g - g) <= 18 && std::abs(c.b - b) <= 18) return s;
    }
    return -1;
}

struct TestMedia {
    std::filesystem::path folder;
    std::filesystem::path both, videoOnly, soundOnly, damaged, missing;
};

// The files' places in `folder`.
inline TestMedia MediaIn(const std::filesystem::path& folder) {
    return {folder, folder / "both.mp4", folder / "video.mp4", folder / "sound.m4a", folder / "damaged.mp4",
            folder / "missing.mp4"};
}

inline bool RunFfmpeg(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-y"});
    auto child = platform::ChildProcess::Start(args, {});
    return child && child->Wait(120000) && child->ExitCode() == 0;
}

// Makes the files in a fresh folder under `parent`.
inline TestMedia MakeTestMedia(const std::filesystem::path& parent) {
    std::string pattern = (parent / "player-media.XXXXXX").string();
    if (!mkdtemp(pattern.data())) return {};
    const TestMedia media = MediaIn(pattern);
    const std::string seconds = std::to_string(kMediaSeconds);
    const std::string picture =
        "color=c=black:s=320x240:r=25:d=" + seconds +
        ",format=gbrp,geq=r='40+60*mod(floor(T),4)':g='40+45*mod(floor(T/4),5)':b=128";
    const std::string tone = "aevalsrc='if(gte(t," + std::to_string(kToneStartMs / 1000) + ")," +
                             std::to_string(kToneAmplitude) + "*sin(2*PI*" + std::to_string(int(kToneHz)) +
                             "*t),0)':s=44100:d=" + seconds;
    const std::vector<std::string> videoCodec = {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                                                 "-g", std::to_string(25 * kKeyFrameSeconds), "-sc_threshold", "0",
                                                 "-bf", "2"};
    const std::vector<std::string> audioCodec = {"-c:a", "aac", "-b:a", "128k"};

    std::vector<std::string> both = {"-f", "lavfi", "-i", picture, "-f", "lavfi", "-i", tone};
    both.insert(both.end(), videoCodec.begin(), videoCodec.end());
    both.insert(both.end(), audioCodec.begin(), audioCodec.end());
    both.insert(both.end(), {"-movflags", "+faststart", media.both.string()});
    std::vector<std::string> video = {"-f", "lavfi", "-i", picture};
    video.insert(video.end(), videoCodec.begin(), videoCodec.end());
    video.push_back(media.videoOnly.string());
    std::vector<std::string> sound = {"-f", "lavfi", "-i", tone};
    sound.insert(sound.end(), audioCodec.begin(), audioCodec.end());
    sound.push_back(media.soundOnly.string());
    EXPECT_TRUE(RunFfmpeg(both));
    EXPECT_TRUE(RunFfmpeg(video));
    EXPECT_TRUE(RunFfmpeg(sound));

    // The index sits in front, so a file cut at 60 % still opens and plays its first
    // twelve seconds or so.
    std::filesystem::copy_file(media.both, media.damaged);
    std::filesystem::resize_file(media.damaged, std::filesystem::file_size(media.both) * 6 / 10);
    return media;
}

// The files, made once per build folder and shared by the test processes: a process
// makes them aside and renames the folder into place; when another one was first, its
// files are used.
inline TestMedia SharedTestMedia() {
    const std::filesystem::path parent(ZOVI_TEST_BIN_DIR);
    const std::filesystem::path shared = parent / "player-media-2";
    if (!std::filesystem::exists(shared / "damaged.mp4")) {
        TestMedia made = MakeTestMedia(parent);
        std::error_code error;
        std::filesystem::rename(made.folder, shared, error);
        if (error) std::filesystem::remove_all(made.folder, error);
    }
    return MediaIn(shared);
}

}  // namespace zovi::engine::testing
