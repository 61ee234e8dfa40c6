// The sound layer against the test sound server: events, the source list, record
// streams from a source and from the default sink's monitor, and device loss.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/capture_stream.h"
#include "platform/sound/playback_stream.h"
#include "platform/sound/sound_event.h"
#include "platform/sound/source_list.h"

namespace zovi::platform {
namespace {

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

TEST(SoundSourcesTest, ListsTheMicrophoneAndMarksMonitors) {
    std::vector<SoundSourceInfo> sources;
    ASSERT_TRUE(ListSoundSources(&sources));
    bool sawMic = false, sawMonitor = false;
    for (const auto& source : sources) {
        if (source.name == Env("ZOVI_MIC_SOURCE", "zovi_mic")) {
            sawMic = true;
            EXPECT_FALSE(source.isMonitor);
            EXPECT_EQ(source.description, "Microphone");
        }
        if (source.name == Env("ZOVI_SPEAKER_SINK", "zovi_speakers") + ".monitor") {
            sawMonitor = true;
            EXPECT_TRUE(source.isMonitor);
        }
    }
    EXPECT_TRUE(sawMic);
    EXPECT_TRUE(sawMonitor);
}

// Reads `wanted` frames from `stream` (giving up after 20 s: a server that has just
// started may hold its first sound back) and returns the first channel's samples.
std::vector<float> Record(CSoundCaptureStream& stream, CSoundEvent& stop, size_t wanted) {
    std::vector<float> first;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (first.size() < wanted && std::chrono::steady_clock::now() < until) {
        EXPECT_NE(stream.WaitForData(&stop, 10), kSoundWaitFailed);
        UINT frames = 0;
        if (!stream.GetNextPacketSize(&frames)) break;
        while (frames) {
            const float* samples = nullptr;
            UINT got = 0;
            EXPECT_TRUE(stream.GetBuffer(&samples, &got));
            if (got == 0) break;
            for (UINT i = 0; i < got; ++i) first.push_back(samples[i * stream.Channels()]);
            EXPECT_TRUE(stream.ReleaseBuffer());
            if (!stream.GetNextPacketSize(&frames)) break;
        }
    }
    return first;
}

double Peak(const std::vector<float>& samples, size_t from) {
    double peak = 0;
    for (size_t i = from; i < samples.size(); ++i) peak = std::max(peak, double(std::fabs(samples[i])));
    return peak;
}

struct StreamCase {
    const char* name;
    const char* device;  // empty: the default one
    bool loopback;
    const char* playInto;  // the sink the tone is played into
};

class CaptureStreamCase : public ::testing::TestWithParam<StreamCase> {};

TEST_P(CaptureStreamCase, RecordsAToneInFloatAtTheDeviceFormat) {
    const auto& param = GetParam();
    CSoundPlayer player;
    ASSERT_TRUE(player.Start(Env(param.playInto, ""), 48000, 1, [](float* samples, int frames, long long first) {
        for (int i = 0; i < frames; ++i)
            samples[i] = 0.5f * std::sin(2 * std::numbers::pi * 1000 * double(first + i) / 48000);
    }));
    CSoundEvent stop(true);
    CSoundCaptureStream stream;
    ASSERT_TRUE(stream.Open(param.device, param.loopback, 5000));
    EXPECT_EQ(stream.Channels(), 2);
    EXPECT_EQ(stream.SampleRate(), 48000);
    EXPECT_FALSE(stream.DeviceName().empty());
    ASSERT_TRUE(stream.Start());
    const auto samples = Record(stream, stop, 72000);
    ASSERT_GE(samples.size(), 72000u);
    EXPECT_NEAR(Peak(samples, samples.size() / 2), 0.5, 0.05);
    stream.Stop();
    UINT frames = 0;
    EXPECT_FALSE(stream.GetNextPacketSize(&frames));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, CaptureStreamCase,
    ::testing::Values(StreamCase{"DefaultMonitor", "", true, "ZOVI_SPEAKER_SINK"},
                      StreamCase{"SinkNameMeansItsMonitor", "zovi_speakers", true, "ZOVI_SPEAKER_SINK"},
                      StreamCase{"DefaultSource", "", false, "ZOVI_MIC_SINK"},
                      StreamCase{"NamedSource", "zovi_mic", false, "ZOVI_MIC_SINK"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(CaptureStreamTest, UnknownDeviceDoesNotOpen) {
    for (bool loopback : {false, true}) {
        CSoundCaptureStream stream;
        EXPECT_FALSE(stream.Open("no_such_device", loopback, 5000));
        EXPECT_FALSE(stream.Start());
    }
}

TEST(CaptureStreamTest, TheStopEventEndsAWaitAndATimeoutIsReported) {
    CSoundEvent stop(true);
    CSoundCaptureStream stream;
    // A stream that is not started delivers nothing: the wait times out.
    ASSERT_TRUE(stream.Open("", true, 5000));
    EXPECT_EQ(stream.WaitForData(&stop, 50), kSoundWaitTimeout);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop.Set();
    });
    EXPECT_EQ(stream.WaitForData(&stop, 30000), 1u);
    setter.join();
    EXPECT_EQ(stream.WaitForData(&stop, 30000), 1u);  // manual reset: still set
    stop.Reset();
    CSoundEvent autoStop(false);
    autoStop.Set();
    EXPECT_EQ(stream.WaitForData(&autoStop, 30000), 1u);
    EXPECT_EQ(stream.WaitForData(&autoStop, 50), kSoundWaitTimeout);  // cleared by the wait
}

}  // namespace
}  // namespace zovi::platform
