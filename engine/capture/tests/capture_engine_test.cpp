#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "engine/camera/video_decoder.h"
#include "engine/audio/tests/sound_server.h"
#include "engine/capture/capture_impl.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/capture/tests/support/recording_listener.h"
#include "engine/capture/tests/support/screen_painter.h"
#include "engine/capture/tests/support/tone_player.h"
#include "engine/output/capture_ffm_output.h"
#include "engine/video/tests/video_test_support.h"
#include "engine/camera/camera_capture.h"
#include "platform/base/utf8.h"

using namespace zovi::engine;
using zovi::test::CRecordingListener;
namespace fs = std::filesystem;
namespace kit = zovi::engine::testing;  // the sound and video test helpers

namespace {

std::mutex gLogMutex;
std::string gLog;
void KeepLogLine(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_WARNING) return;
    char line[2048];
    vsnprintf(line, sizeof(line), format, args);
    std::lock_guard lock(gLogMutex);
    gLog += line;
    gLog += '\n';
}
bool LogHas(const std::string& text) {
    std::lock_guard lock(gLogMutex);
    return gLog.find(text) != std::string::npos;
}

void Wait(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::shared_ptr<CodecParam> X264Params() {
    auto params = std::make_shared<CodecParamX264>();
    params->fps = 25;
    params->qmin = 25;
    params->qmax = 31;
    params->gop = 250;
    params->bframes = 3;
    params->preset = "medium";
    params->tune = "zerolatency";
    params->profile = "main";
    params->GetEncoderName();
    return params;
}

std::shared_ptr<AudioCodecParam> AacParams() {
    auto params = std::make_shared<AudioCodecParam>();
    params->name = "aac";
    params->channels = 2;
    params->sampleFormat = 8;
    params->sampleRate = 44100;
    params->bitRate = 131072;
    return params;
}

// A camera (FFmpeg's test source) behind the reader of a camera-only source.
struct CameraSource {
    CameraSource() : reader(std::make_shared<CVideoDecoder>(0, "lavfi",
                                                            "testsrc=size=320x240:rate=30,realtime")),
                     capture(std::make_shared<CCameraCapture>()) {
        reader->AddOutput(capture);
        opened = reader->OpenDShowCamera("Test Camera", false);
        source.type = CAP_CUSTOME_READER;
        source.SetRect({0, 0, 320, 240});
        source.reader = capture;
    }
    ~CameraSource() { reader->Destroy(); }
    std::shared_ptr<CVideoDecoder> reader;
    std::shared_ptr<CCameraCapture> capture;
    CaptureSourceInfo source;
    bool opened = false;
};

// A camera recording while a 1 kHz tone plays into the system sound.
struct ToneRecording {
    ToneRecording() { tone.SetTone(true); }
    bool Ready() const { return tone.Running() && camera.opened; }
    bool Start(const std::wstring& output, const std::vector<SoundDeviceRecord>& devices) {
        return engine->Start(camera.source, {}, 0, 0, devices, output, -1, 0, listener,
                             X264Params(), AacParams());
    }
    zovi::test::CTonePlayer tone;
    CameraSource camera;
    std::shared_ptr<CCaptureImpl> engine = std::make_shared<CCaptureImpl>();
    std::shared_ptr<CRecordingListener> listener = std::make_shared<CRecordingListener>();
};

class CaptureEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCaptureFFmOutput::SetProgramDirForTesting(ZOVI_BIN_DIR);
        {
            std::lock_guard lock(gLogMutex);
            gLog.clear();
        }
        av_log_set_callback(KeepLogLine);
        folder = fs::temp_directory_path() /
                 ("zovi-engine-" + std::to_string(getpid()) + "-" + std::string(::testing::UnitTest::GetInstance()
                                                   ->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        av_log_set_callback(av_log_default_callback);
        fs::remove_all(folder);
    }
    std::wstring Output(const std::string& name) { return zovi::platform::DecodeUtf8Lossless((folder / name).string()); }

    fs::path folder;
};

}  // namespace

TEST(CaptureEncodeSize, HeightFromTheChoiceWidthInProportion) {
    struct Case {
        int srcW, srcH, choice;
        bool ok;
        int w, h;
    } cases[] = {
        {1366, 768, 2, true, 1280, 720},
        {1000, 768, 2, true, 938, 720},  // 937 is odd: raised by one
        {1920, 1080, 4, true, 2560, 1440},
        {1920, 1080, 0, true, 640, 360},
        {320, 240, 1, true, 640, 480},   // small sources are scaled up
        {1920, 1080, 5, false, 0, 0},
        {1920, 1080, -1, false, 0, 0},
        {1920, 0, 2, false, 0, 0},
    };
    for (const auto& c : cases) {
        int w = 0, h = 0;
        EXPECT_EQ(ComputeEncodeSize(c.srcW, c.srcH, c.choice, w, h), c.ok)
            << c.srcW << "x" << c.srcH << " at " << c.choice;
        if (c.ok) {
            EXPECT_EQ(w, c.w);
            EXPECT_EQ(h, c.h);
        }
    }
}

TEST_F(CaptureEngineTest, FailedStartsTouchNoFile) {
    struct Case {
        const char* what;
        CaptureSourceInfo source;
        int choice;
        bool audioParams;
        std::string log;
    } cases[] = {
        {"zero height", {}, 2, true, "check source rect fail!"},
        {"unknown size", {}, 5, true, "unknown encSize : 5"},
        {"window gone", {}, 2, true, "InitEncSize fail"},
        {"no sound parameters", {}, 2, false, ""},
    };
    cases[0].source.SetRect({0, 0, 640, 0});
    cases[1].source.SetRect({0, 0, 640, 480});
    cases[2].source.SetRect({0, 0, 640, 480});
    cases[2].source.window = 0x7FFFFFF0;  // no such window
    cases[2].source.type = CAP_SINGLE_MONITOR;
    cases[3].source.SetRect({0, 0, 640, 480});
    for (const auto& c : cases) {
        auto engine = std::make_shared<CCaptureImpl>();
        auto listener = std::make_shared<CRecordingListener>();
        const std::wstring output = Output(std::string(c.what) + ".mp4");
        EXPECT_FALSE(engine->Start(c.source, {}, 0, c.choice, {}, output, -1, 0, listener,
                                   X264Params(), c.audioParams ? AacParams() : nullptr))
            << c.what;
        if (!c.log.empty()) {
            EXPECT_TRUE(LogHas(c.log)) << c.what;
        }
        EXPECT_FALSE(fs::exists(zovi::platform::EncodeUtf8Lossless(output))) << c.what;
        EXPECT_TRUE(listener->Get(listener->pauses).empty()) << c.what;
        engine.reset();
    }
}

TEST_F(CaptureEngineTest, CameraRecordingWithoutSound) {
    CameraSource camera;
    ASSERT_TRUE(camera.opened);
    auto engine = std::make_shared<CCaptureImpl>();
    auto listener = std::make_shared<CRecordingListener>();
    const std::wstring output = Output("camera.mkv");
    ASSERT_TRUE(engine->Start(camera.source, {}, 0, 0, {}, output, -1, 0, listener, X264Params(),
                              AacParams()));
    EXPECT_EQ(engine->EncodeWidth(), 480);
    EXPECT_EQ(engine->EncodeHeight(), 360);
    EXPECT_FALSE(engine->HasAudio());
    EXPECT_FALSE(engine->SetAudioMute(true));  // nothing to mute
    EXPECT_FALSE(engine->IsAudioMute());
    EXPECT_FALSE(engine->IsPaused());
    Wait(2.3);
    engine->Pause(true);
    EXPECT_TRUE(engine->IsPaused());
    const auto timesAtPause = listener->Get(listener->times);
    Wait(1.2);
    EXPECT_EQ(listener->Get(listener->times), timesAtPause);  // no new seconds while paused
    engine->Pause(false);
    Wait(1.3);
    EXPECT_TRUE(engine->Stop());
    EXPECT_TRUE(engine->Stop());  // a second stop has nothing left to do
    EXPECT_TRUE(listener->Get(listener->errors).empty());  // a stop is no error

    EXPECT_EQ(listener->Get(listener->pauses), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(listener->Get(listener->times), (std::vector<int32_t>{1, 2, 3}));
    const auto sizes = listener->Get(listener->sizes);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_GT(sizes[0], 0);
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
    EXPECT_LE(sizes.back(), engine->BytesWritten());

    const auto info = zovi::test::ProbeMedia(zovi::platform::EncodeUtf8Lossless(output));
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.audioStreams, 0);
    EXPECT_EQ(info.videoCodec, "h264");
    EXPECT_EQ(info.width, 480);
    EXPECT_EQ(info.height, 360);
    EXPECT_NEAR(info.videoDuration, 3.6, 0.5);  // the paused second is not in the file
    EXPECT_TRUE(LogHas("CCaptureImpl::InitEncSize w=480 h=360"));
    EXPECT_TRUE(LogHas("CCaptureImpl::Stop()"));
}

TEST_F(CaptureEngineTest, SystemSoundIsRecordedToItsEnd) {
    ToneRecording recording;
    ASSERT_TRUE(recording.Ready());
    const auto& engine = recording.engine;
    const auto& listener = recording.listener;
    const std::wstring output = Output("sound.mp4");
    ASSERT_TRUE(recording.Start(output, {{L"Speakers", L"", false}}));
    EXPECT_TRUE(engine->HasAudio());
    Wait(2.5);
    EXPECT_TRUE(engine->SetAudioMute(true));
    EXPECT_TRUE(engine->IsAudioMute());
    Wait(1.0);
    EXPECT_TRUE(engine->SetAudioMute(false));
    Wait(1.5);
    ASSERT_TRUE(engine->Stop());
    EXPECT_EQ(listener->Get(listener->mutes), (std::vector<bool>{true, false}));
    EXPECT_TRUE(listener->Get(listener->errors).empty());  // the stop ended the devices

    const std::string path = zovi::platform::EncodeUtf8Lossless(output);
    const auto info = zovi::test::ProbeMedia(path);
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.audioStreams, 1);
    EXPECT_EQ(info.audioCodec, "aac");
    EXPECT_NEAR(info.audioDuration, info.videoDuration, 0.3);
    EXPECT_NEAR(info.audioDuration, 5.0, 0.6);

    const auto sound = zovi::test::DecodeSound(path);
    ASSERT_EQ(sound.rate, 44100);
    const size_t second = 44100;
    // The tone before and after the muted second, silence within it.
    EXPECT_GT(zovi::test::ToneStrength(sound, 1000, second * 21 / 10, second * 5 / 2), 0.1);
    EXPECT_LT(zovi::test::Rms(sound, second * 27 / 10, second * 33 / 10), 0.01);
    EXPECT_GT(zovi::test::ToneStrength(sound, 1000, second * 4, second * 9 / 2), 0.1);
    // The sound runs to the end: the encoder's last packets are in the file too.
    EXPECT_GE(static_cast<int64_t>(sound.samples.size()), engine->SoundFramesEncoded());
    const size_t end = sound.samples.size();
    EXPECT_GT(zovi::test::ToneStrength(sound, 1000, end - 2205, end), 0.1);
}

// A picture encoder that reorders frames decodes its first packet before the recording's
// zero; containers that begin every track together (MP4 in fragments, AVI) would then
// play the sound that much early. A clap (the screen turns white as a tone starts) must
// be seen and heard together in every container.
TEST_F(CaptureEngineTest, PictureAndSoundStayTogetherInEveryContainer) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "timing check not meaningful under ThreadSanitizer";
#endif
    zovi::test::WaitForSoundServerToSettle();
    auto reordering = X264Params();  // B-frames with look-ahead: the first packet comes late
    reordering->tune = "film";
    CaptureSourceInfo region;
    region.type = CAP_SINGLE_MONITOR;
    region.SetRect({0, 0, 640, 360});
    for (const char* extension : {"mp4", "mkv", "flv", "avi"}) {
        SCOPED_TRACE(extension);
        zovi::test::CScreenPainter painter;
        zovi::test::CTonePlayer tone;
        ASSERT_TRUE(painter.Ready());
        ASSERT_TRUE(tone.Running());
        auto engine = std::make_shared<CCaptureImpl>();
        const std::wstring output = Output(std::string("clap.") + extension);
        ASSERT_TRUE(engine->Start(region, {}, 0, 0, {{L"Speakers", L"", false}}, output, -1, 0,
                                  std::make_shared<CRecordingListener>(), reordering,
                                  AacParams()));
        Wait(1.2);
        tone.SetTone(true);  // it leaves first by the player's delay
        Wait(zovi::test::CTonePlayer::kDelaySeconds);
        painter.SetWhite(true);
        Wait(0.4);
        painter.SetWhite(false);
        tone.SetTone(false);
        Wait(0.5);
        ASSERT_TRUE(engine->Stop());

        const std::string path = zovi::platform::EncodeUtf8Lossless(output);
        const double seen = zovi::test::BrightOnset(zovi::test::PictureBrightness(path), 0);
        ASSERT_GE(seen, 0);
        const auto sound = zovi::test::DecodeSound(path);
        const double heard = zovi::test::SoundOnset(sound, seen - 1.0);
        ASSERT_GE(heard, 0);
        EXPECT_NEAR(heard, seen, 0.050) << "sound from " << sound.start;
    }
}

// The source settings reach the screen source: the accelerated or the plain source as
// allowed, and the overlay text drawn (yellow, in the band near the top) into the frames.
TEST_F(CaptureEngineTest, SourceSettingsChooseTheScreenSourceAndItsOverlay) {
    struct Case {
        CaptureSourceSettings settings;
        const char* log;
        bool overlay;
    } cases[] = {
        {{true, L"Zovi 录屏 overlay"}, "capture DXGI", true},
        {{false, L"Zovi 录屏 overlay"}, "capture GDI", true},
        {{true, L""}, "capture DXGI", false},
    };
    CaptureSourceInfo region;  // a region of the first monitor, recorded at its own size
    region.type = CAP_SINGLE_MONITOR;
    region.SetRect({0, 0, 640, 360});
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log + std::string(c.overlay ? " with" : " without") + " overlay");
        {
            std::lock_guard lock(gLogMutex);
            gLog.clear();
        }
        auto engine = std::make_shared<CCaptureImpl>();
        auto listener = std::make_shared<CRecordingListener>();
        const std::wstring output = Output("screen" + std::to_string(index++) + ".mp4");
        ASSERT_TRUE(engine->Start(region, c.settings, 0, 0, {}, output, -1, 0, listener,
                                  X264Params(), AacParams()));
        EXPECT_TRUE(LogHas(c.log));
        ASSERT_TRUE(zovi::engine::testing::WaitFor(
            [&] { return !listener->Get(listener->times).empty(); }));
        ASSERT_TRUE(engine->Stop());

        const auto pictures = zovi::test::DecodePictures(zovi::platform::EncodeUtf8Lossless(output));
        ASSERT_FALSE(pictures.empty());
        const auto& picture = pictures.front();
        ASSERT_EQ(picture.width, 640);
        // Yellow pixels in the top band (rows 50-170 from x 50) against the rest.
        int inBand = 0, outside = 0;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                const uint8_t* bgr = picture.At(x, y);
                if (bgr[2] < 160 || bgr[1] < 160 || bgr[0] > 100) continue;
                (y >= 50 && y < 170 && x >= 50 ? inBand : outside)++;
            }
        if (c.overlay)
            EXPECT_GT(inBand, 200);
        else
            EXPECT_EQ(inBand, 0);
        EXPECT_EQ(outside, 0);
    }
}

TEST_F(CaptureEngineTest, TheVideoEndingBeforeTheStopIsOneCaptureError) {
    CameraSource camera;
    ASSERT_TRUE(camera.opened);
    auto engine = std::make_shared<CCaptureImpl>();
    auto listener = std::make_shared<CRecordingListener>();
    ASSERT_TRUE(engine->Start(camera.source, {}, 0, 0, {}, Output("camera-gone.mp4"), -1, 0,
                              listener, X264Params(), AacParams()));
    ASSERT_TRUE(kit::WaitUntil([&] { return !listener->Get(listener->times).empty(); }));
    camera.capture.reset();  // the source's reader is gone: the video ends
    ASSERT_TRUE(kit::WaitUntil([&] { return !listener->Get(listener->errors).empty(); }));
    engine->Stop();
    EXPECT_EQ(listener->Get(listener->errors).size(), 1u);
}

// A microphone unplugged mid-recording leaves the mix: the recording goes on until it
// is stopped, no capture error reaches the listeners, and the file's sound runs on to
// the end (the system sound where it is recorded, silence where the microphone was
// the only device).
struct MicrophoneLossCase {
    const char* name;
    bool systemSound;
};
void PrintTo(const MicrophoneLossCase& c, std::ostream* os) { *os << c.name; }

class CaptureMicrophoneLoss : public CaptureEngineTest,
                              public ::testing::WithParamInterface<MicrophoneLossCase> {
protected:
    kit::CMicrophoneRemoval removal_;  // puts the microphone back after the test
};

TEST_P(CaptureMicrophoneLoss, TheRecordingGoesOnToItsStop) {
    zovi::test::WaitForSoundServerToSettle();  // the tone is checked from the first second
    ToneRecording recording;
    ASSERT_TRUE(recording.Ready());
    const auto& engine = recording.engine;
    const auto& listener = recording.listener;
    const std::wstring output = Output("microphone-lost.mp4");
    std::vector<SoundDeviceRecord> devices = {
        {L"Microphone", zovi::platform::DecodeUtf8Lossless(kit::MicSource()), true}};
    if (GetParam().systemSound) devices.insert(devices.begin(), {L"Speakers", L"", false});
    ASSERT_TRUE(recording.Start(output, devices));
    ASSERT_TRUE(kit::WaitUntil([&] { return engine->GetLastElapsedSeconds() >= 2; }));
    ASSERT_TRUE(removal_.Remove());
    ASSERT_TRUE(kit::WaitUntil([&] {
        return LogHas("CAudioIOCore: sound device(" + kit::MicSource() +
                      ") ended and left the mix");
    }));
    const int32_t lostAt = engine->GetLastElapsedSeconds();
    ASSERT_TRUE(kit::WaitUntil([&] { return engine->GetLastElapsedSeconds() >= lostAt + 2; }));
    ASSERT_TRUE(engine->Stop());
    EXPECT_TRUE(listener->Get(listener->errors).empty());
    EXPECT_TRUE(LogHas("CCaptureImpl: sound device(" + kit::MicSource() +
                       ") ended; the recording goes on without it"));

    const std::string path = zovi::platform::EncodeUtf8Lossless(output);
    const auto info = zovi::test::ProbeMedia(path);
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.audioStreams, 1);
    EXPECT_GE(info.videoDuration, lostAt + 2.0);
    EXPECT_NEAR(info.audioDuration, info.videoDuration, 0.3);
    const auto sound = zovi::test::DecodeSound(path);
    ASSERT_EQ(sound.rate, 44100);
    EXPECT_GE(static_cast<int64_t>(sound.samples.size()), engine->SoundFramesEncoded());
    const size_t second = 44100, end = sound.samples.size();
    if (GetParam().systemSound) {
        // The tone in every half second from the first second on, and in the last 50 ms.
        for (size_t from = second; from + second / 2 <= end; from += second / 2)
            EXPECT_GT(zovi::test::ToneStrength(sound, 1000, from, from + second / 2), 0.25)
                << "at " << double(from) / second << " s";
        EXPECT_GT(zovi::test::ToneStrength(sound, 1000, end - 2205, end), 0.1);
    } else {
        EXPECT_LT(zovi::test::Rms(sound, 0, end), 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, CaptureMicrophoneLoss,
                         ::testing::Values(MicrophoneLossCase{"WithSystemSound", true},
                                           MicrophoneLossCase{"Alone", false}),
                         [](const auto& test) { return std::string(test.param.name); });
