// The device lists and the sound test against the test sound server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "engine/audio/audio_device_test.h"
#include "engine/audio/device_list.h"
#include "engine/audio/tests/sound_server.h"
#include "engine/util/tests/av_log_capture.h"

namespace zovi::engine {
namespace {

using namespace testing;

TEST(DeviceListTest, MicrophonesAreTheSourcesThatAreNotMonitors) {
    std::vector<DeviceEntry> microphones;
    ASSERT_TRUE(EnumMicrophones(&microphones));
    ASSERT_EQ(microphones.size(), 1u);
    EXPECT_EQ(microphones[0].name, L"Microphone");
    EXPECT_EQ(microphones[0].identifier, L"zovi_mic");
}

TEST(DeviceListTest, NoCameraGivesAnEmptyListAndTheLogLine) {
    AvLogCapture log;
    const auto dir = std::filesystem::temp_directory_path() / ("zovi-cams-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::vector<DeviceEntry> cameras;
    EnumCameras(&cameras, dir.c_str());
    EXPECT_TRUE(cameras.empty());
    const auto lines = log.Matching("CreateClassEnumerator null pointer, h=1");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(log.Lines()[0].level, 16);  // an error line
    EXPECT_EQ(FindCameraByName(L"Any Camera", dir.c_str()), L"");
    std::filesystem::remove_all(dir);
}

class CLevelLog : public IAudioTestOutput {
public:
    void OnAudioTestLevel(float level) override {
        std::lock_guard lock(mutex_);
        levels_.push_back(level);
    }
    std::vector<float> Levels() {
        std::lock_guard lock(mutex_);
        return levels_;
    }
    // Waits up to 30 s until a level satisfies `good`.
    template <typename Predicate>
    bool WaitFor(Predicate good) {
        for (int i = 0; i < 3000; ++i) {
            for (float level : Levels())
                if (good(level)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    std::mutex mutex_;
    std::vector<float> levels_;
};

struct LevelCase {
    const char* name;
    double amplitude;
    float expected;
};

class SoundTestLevel : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SoundTestLevel, ReportsThreeTimesThePeak) {
    AvLogCapture log;
    CTonePlayer tone;
    ASSERT_TRUE(tone.Start(MicSink(), 1000, GetParam().amplitude));
    auto levels = std::make_shared<CLevelLog>();
    auto atomicLevel = std::make_shared<CAudioLevel>();
    auto test = std::make_shared<CAudioDeviceTest>();
    test->AddListener(levels);
    test->AddListener(atomicLevel);
    ASSERT_TRUE(test->Start());
    ASSERT_TRUE(test->AddTestDevice(L"zovi_mic", true));
    EXPECT_TRUE(log.Contains("add test device: zovi_mic, input:1"));
    const float expected = GetParam().expected;
    auto matches = [&](float level) { return std::fabs(level - expected) < 0.1f; };
    // Wait for the tone to arrive, then a second of levels must match: nearly all of them,
    // and none far above the peak. A busy machine may leave a block short of sound (a
    // lower level) or with a gap the resampler rings at (a few percent over the peak).
    ASSERT_TRUE(levels->WaitFor(matches));
    const size_t from = levels->Levels().size();
    ASSERT_TRUE(WaitUntil([&] { return levels->Levels().size() >= from + 43; }));
    const auto recent = levels->Levels();
    size_t matching = 0;
    for (size_t i = from; i < recent.size(); ++i) {
        EXPECT_LE(recent[i], expected * 1.1f + 0.1f);
        EXPECT_GE(recent[i], 0.0f);
        matching += matches(recent[i]) ? 1 : 0;
    }
    EXPECT_GE(matching * 10, (recent.size() - from) * 9);
    EXPECT_TRUE(WaitUntil([&] { return matches(atomicLevel->Get()); }));
    test->Stop();
    tone.Stop();
}

INSTANTIATE_TEST_SUITE_P(Levels, SoundTestLevel,
                         ::testing::Values(LevelCase{"FullScale", 1.0, 3.0f},
                                           LevelCase{"Half", 0.5, 1.5f},
                                           LevelCase{"Silence", 0.0, 0.0f}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(SoundTest, ListenersThatAreGoneAreSkipped) {
    auto test = std::make_shared<CAudioDeviceTest>();
    auto gone = std::make_shared<CAudioLevel>();
    test->AddListener(gone);
    gone.reset();
    std::vector<float> left(1024, 0.5f), right(1024, -0.25f);
    float* planes[] = {left.data(), right.data()};
    EXPECT_TRUE(test->OnAudioFrame(planes, 1024, 1024));
    auto kept = std::make_shared<CAudioLevel>();
    test->AddListener(kept);
    EXPECT_TRUE(test->OnAudioFrame(planes, 1024, 2048));
    EXPECT_FLOAT_EQ(kept->Get(), 1.5f);
    test->ClearListeners();
    left.assign(1024, 0.0f);
    test->OnAudioFrame(planes, 1024, 3072);
    EXPECT_FLOAT_EQ(kept->Get(), 1.5f);
}

}  // namespace
}  // namespace zovi::engine
