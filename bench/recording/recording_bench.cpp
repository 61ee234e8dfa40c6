// The recording benchmark's three roles, run by bench/recording.sh:
//   stage <seconds>          a moving pattern on the screen and, every 2.5 s, a white
//                            screen together with a tone (a clapper), for <seconds>
//   record <file> <seconds>  our recorder: the whole screen at 1080 lines, 30 fps, x264
//                            with the default settings, plus system sound
//   analyze <file> <seconds> <fps>
//                            frames written in the first <seconds> against expected,
//                            and the A/V offset of the clappers
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/options/options.h"
#include "engine/capture/capture_impl.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/capture/tests/support/recording_listener.h"
#include "engine/capture/tests/support/screen_painter.h"
#include "engine/capture/tests/support/tone_player.h"
#include "engine/controller/capture_settings.h"
#include "platform/base/utf8.h"

using namespace zovi::engine;
using namespace std::chrono;

namespace {

constexpr double kClapPeriod = 2.5;
constexpr double kClapLength = 0.3;
constexpr int kFps = 30;

int Stage(double seconds) {
    zovi::test::CScreenPainter painter;
    zovi::test::CTonePlayer tone;
    if (!painter.Ready() || !tone.Running()) {
        std::fprintf(stderr, "stage: no X server or sound server\n");
        return 1;
    }
    const auto start = steady_clock::now();
    for (int clap = 0;; ++clap) {
        const auto at = start + duration_cast<steady_clock::duration>(
                                    duration<double>(1.0 + clap * kClapPeriod));
        if (at > start + duration<double>(seconds)) break;
        std::this_thread::sleep_until(at);
        // The tone leaves first by the player's own delay, so the white screen and the
        // tone arrive together.
        tone.SetTone(true);
        std::this_thread::sleep_for(duration<double>(zovi::test::CTonePlayer::kDelaySeconds));
        painter.SetWhite(true);
        std::this_thread::sleep_for(duration<double>(kClapLength));
        painter.SetWhite(false);
        tone.SetTone(false);
    }
    std::this_thread::sleep_until(start + duration_cast<steady_clock::duration>(
                                              duration<double>(seconds)));
    return 0;
}

int Record(const std::string& file, double seconds) {
    // The options record's defaults (x264 "medium", "zerolatency", "main"; AAC 44.1 kHz
    // at 128 kbit/s; the accelerated screen source), at 30 frames a second with the
    // software encoder. The bench runs in a private home that holds no settings.
    const COptions options;
    CaptureSettings settings(options);
    settings.x264Fps = kFps;
    settings.hardwareEncoder = 0;
    auto video = MakeVideoParams(settings);
    if (!video || !video->GetEncoderName()) return 1;
    auto audio = MakeAudioParams(settings);
    CaptureSourceInfo source;  // every monitor
    const std::vector<SoundDeviceRecord> devices = {{L"Speakers", L"", false}};
    auto engine = std::make_shared<CCaptureImpl>();
    auto listener = std::make_shared<zovi::test::CRecordingListener>();
    if (!engine->Start(source, MakeSourceSettings(settings), 0, 3, devices,
                       zovi::platform::DecodeUtf8Lossless(file), -1, 0, listener, video, audio)) {
        std::fprintf(stderr, "record: the recording did not start\n");
        return 1;
    }
    // A little longer than asked: the frames still queued when a recording stops are
    // not written, and the analysis counts the first <seconds> only.
    std::this_thread::sleep_for(duration<double>(seconds + 0.5));
    return engine->Stop() ? 0 : 1;
}

int Analyze(const std::string& file, double seconds, int fps) {
    const auto info = zovi::test::ProbeMedia(file);
    if (!info.opened) {
        std::printf("frames=0 expected=%d dropped=%d av_offset_ms=-1\n",
                    static_cast<int>(seconds * fps), static_cast<int>(seconds * fps));
        return 1;
    }
    const int expected = static_cast<int>(std::lround(seconds * fps));
    const auto pictures = zovi::test::PictureBrightness(file);
    const double first = pictures.empty() ? 0 : pictures.front().time;
    int written = 0;
    for (const auto& picture : pictures) written += picture.time - first < seconds - 0.001;
    const int dropped = std::max(0, expected - written);
    const auto sound = zovi::test::DecodeSound(file);
    double sum = 0, signedSum = 0, worst = 0;
    int claps = 0;
    double from = 0;
    for (;;) {
        const double video = zovi::test::BrightOnset(pictures, from);
        if (video < 0) break;
        const double audio = zovi::test::SoundOnset(sound, video - 1.0);
        if (audio >= 0 && std::abs(audio - video) < 1.0) {
            sum += std::abs(audio - video);
            signedSum += audio - video;
            worst = std::max(worst, std::abs(audio - video));
            ++claps;
        }
        from = video + kClapLength + 0.5;
    }
    const int offsetMs = claps ? static_cast<int>(std::lround(sum / claps * 1000)) : -1;
    // Positive: the sound comes later than the picture.
    const int lateMs = claps ? static_cast<int>(std::lround(signedSum / claps * 1000)) : 0;
    std::printf("frames=%d expected=%d dropped=%d claps=%d av_offset_ms=%d sound_late_ms=%d "
                "worst_ms=%d video_s=%.2f audio_s=%.2f\n",
                written, expected, dropped, claps, offsetMs, lateMs,
                static_cast<int>(std::lround(worst * 1000)), info.videoDuration,
                info.audioDuration);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string role = argc > 1 ? argv[1] : "";
    if (role == "stage" && argc == 3) return Stage(std::atof(argv[2]));
    if (role == "record" && argc == 4) return Record(argv[2], std::atof(argv[3]));
    if (role == "analyze" && argc == 5)
        return Analyze(argv[2], std::atof(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr,
                 "usage: %s stage <seconds> | record <file> <seconds> | "
                 "analyze <file> <seconds> <fps>\n",
                 argv[0]);
    return 2;
}
