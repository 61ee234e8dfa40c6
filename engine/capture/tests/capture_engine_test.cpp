#include <gtest/gtest.h>

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
#include "engine/capture/capture_impl.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/capture/tests/support/recording_listener.h"
#include "engine/capture/tests/support/tone_player.h"
#include "engine/output/capture_ffm_output.h"
#include "engine/util/engine_misc.h"
#include "engine/video/camera_capture.h"

using namespace zovi::engine;
using zovi::test::CRecordingListener;
namespace fs = std::filesystem;

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
    params->mux = "mp4";
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
                 ("zovi-engine-" + std::string(::testing::UnitTest::GetInstance()
                                                   ->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        av_log_set_callback(av_log_default_callback);
        fs::remove_all(folder);
    }
    std::wstring Output(const std::string& name) { return Utf8ToWide((folder / name).string()); }

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
        EXPECT_FALSE(engine->Start(c.source, 0, c.choice, {}, output, -1, 0, listener,
                                   X264Params(), c.audioParams ? AacParams() : nullptr))
            << c.what;
        if (!c.log.empty()) {
            EXPECT_TRUE(LogHas(c.log)) << c.what;
        }
        EXPECT_FALSE(fs::exists(WideToUtf8(output))) << c.what;
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
    ASSERT_TRUE(engine->Start(camera.source, 0, 0, {}, output, -1, 0, listener, X264Params(),
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

    EXPECT_EQ(listener->Get(listener->pauses), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(listener->Get(listener->times), (std::vector<int32_t>{1, 2, 3}));
    const auto sizes = listener->Get(listener->sizes);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_GT(sizes[0], 0);
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
    EXPECT_LE(sizes.back(), engine->BytesWritten());

    const auto info = zovi::test::ProbeMedia(WideToUtf8(output));
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
    zovi::test::CTonePlayer tone;
    ASSERT_TRUE(tone.Running());
    tone.SetTone(true);
    CameraSource camera;
    ASSERT_TRUE(camera.opened);
    auto engine = std::make_shared<CCaptureImpl>();
    auto listener = std::make_shared<CRecordingListener>();
    const std::wstring output = Output("sound.mp4");
    const std::vector<SoundDeviceRecord> devices = {{L"Speakers", L"", false}};
    ASSERT_TRUE(engine->Start(camera.source, 0, 0, devices, output, -1, 0, listener,
                              X264Params(), AacParams()));
    EXPECT_TRUE(engine->HasAudio());
    Wait(2.5);
    EXPECT_TRUE(engine->SetAudioMute(true));
    EXPECT_TRUE(engine->IsAudioMute());
    Wait(1.0);
    EXPECT_TRUE(engine->SetAudioMute(false));
    Wait(1.5);
    ASSERT_TRUE(engine->Stop());
    EXPECT_EQ(listener->Get(listener->mutes), (std::vector<bool>{true, false}));

    const std::string path = WideToUtf8(output);
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
