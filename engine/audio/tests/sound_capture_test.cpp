// Device capture and the mixer against the test sound server: tones played into the
// speakers (captured from their monitor) and into the microphone stand-in.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "engine/audio/audio_io_core.h"
#include "engine/audio/cap_audio.h"
#include "engine/audio/tests/sound_server.h"
#include "engine/util/tests/av_log_capture.h"

namespace zovi::engine {
namespace {

using namespace testing;
using std::chrono::milliseconds;

constexpr int kRate = 44100;
constexpr double kBlockMs = 1024.0 * 1000 / kRate;

void SleepMs(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

struct OpenCase {
    const char* name;
    bool isInput;
};

class CapAudioOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(CapAudioOpen, AnUnknownDeviceDoesNotOpenAndLeavesNoThread) {
    CCapAudio device(2, kRate, AV_SAMPLE_FMT_FLTP, GetParam().isInput, true, L"no_such_device");
    EXPECT_FALSE(device.Open());
    EXPECT_FALSE(device.IsRunning());
    device.Stop();
    device.Stop();
}

INSTANTIATE_TEST_SUITE_P(Kinds, CapAudioOpen,
                         ::testing::Values(OpenCase{"Microphone", true}, OpenCase{"Loopback", false}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(CapAudioTest, LogsItsLifeAndFiltersOnlyMicrophones) {
    AvLogCapture log;
    {
        CCapAudio mic(2, kRate, AV_SAMPLE_FMT_FLTP, true, true, L"zovi_mic");
        CCapAudio loopback(2, kRate, AV_SAMPLE_FMT_FLTP, false, true, L"");
        EXPECT_TRUE(mic.HasNoiseFilter());
        EXPECT_FALSE(loopback.HasNoiseFilter());
        mic.Stop();  // before Open: nothing to do
    }
    EXPECT_TRUE(log.Contains("CCapAudio(zovi_mic) ctor:  m_outChannels=2 m_outSamplesPerSec=44100 m_outSampleFmt=8"));
    EXPECT_TRUE(log.Contains("CCapAudio(zovi_mic) dtor"));
    EXPECT_TRUE(log.Contains("CCapAudio() ctor:  m_outChannels=2"));
}

TEST(CapAudioTest, AStalledReaderKeepsAboutTenThousandOfTheNewestSamples) {
    // A slowly rising ramp: each sample's value tells when it was played.
    constexpr double kRampSeconds = 60;
    platform::CSoundPlayer player;
    ASSERT_TRUE(player.Start(SpeakerSink(), 48000, 1, [](float* samples, int frames, long long first) {
        for (int i = 0; i < frames; ++i)
            samples[i] = static_cast<float>(double(first + i) / (48000 * kRampSeconds));
    }));
    // The ramp must be sounding before capture starts, or a loaded machine fills the FIFO
    // with the silence from before the player's first write.
    ASSERT_TRUE(WaitUntil([&] { return player.FramesWritten() >= 48000 / 2; }));
    CCapAudio device(2, 48000, AV_SAMPLE_FMT_FLTP, false, false, L"");
    ASSERT_TRUE(device.Open());
    const uint32_t cap = CCapAudio::kFifoCapSamples * 4;
    ASSERT_TRUE(WaitUntil([&] { return device.BufferedBytes() >= cap; }));
    SleepMs(1500);  // never read: the FIFO must not grow past the cap
    EXPECT_GE(device.BufferedBytes(), cap);
    EXPECT_LE(device.BufferedBytes(), cap + 4800 * 4);  // at most one large packet more
    const double playedSeconds = double(player.FramesWritten()) / 48000;
    std::vector<float> left(1024), right(1024);
    float* planes[] = {left.data(), right.data()};
    ASSERT_EQ(device.ReadBlock(planes, 2), 4096);
    // The oldest sample held is recent: within the cap plus the server's latency.
    const double heldFrom = left[0] * kRampSeconds;
    EXPECT_GT(heldFrom, playedSeconds - 0.7) << "played " << playedSeconds;
    EXPECT_FLOAT_EQ(left[0], right[0]);
    device.Stop();
    EXPECT_FALSE(device.IsRunning());
}

TEST(CapAudioTest, PacketsThatCannotBeConvertedAreReleasedAndCaptureGoesOn) {
    // An output format the resampler refuses: every conversion fails.
    CCapAudio device(2, kRate, AV_SAMPLE_FMT_NB + 5, false, false, L"");
    CTonePlayer tone;
    ASSERT_TRUE(tone.Start(SpeakerSink(), 1000, 0.3));
    ASSERT_TRUE(device.Open());
    SleepMs(1500);
    EXPECT_TRUE(device.IsRunning());
    EXPECT_EQ(device.ReadBlock(nullptr, 2), 0);
    device.Stop();
}

TEST(CapAudioTest, AMicrophoneWithTheNoiseFilterAttenuatesNoise) {
    // Steady white noise into the microphone; blocks are taken as the mixer takes them.
    platform::CSoundPlayer player;
    ASSERT_TRUE(player.Start(MicSink(), 48000, 1, [](float* samples, int frames, long long first) {
        const auto noise = WhiteNoise(0.1, frames, static_cast<unsigned>(first));
        std::copy(noise.begin(), noise.end(), samples);
    }));
    CCapAudio mic(2, kRate, AV_SAMPLE_FMT_FLTP, true, true, L"");
    ASSERT_TRUE(mic.HasNoiseFilter());
    ASSERT_TRUE(mic.Open());
    ASSERT_TRUE(WaitUntil([&] { return mic.BufferedBytes() > 0; }));
    std::vector<float> left(1024), right(1024), filtered;
    float* planes[] = {left.data(), right.data()};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (std::chrono::steady_clock::now() < until) {
        const int bytes = mic.ReadBlock(planes, 2);
        ASSERT_GE(bytes, 0);
        ASSERT_LE(bytes, 4096);
        ASSERT_EQ(bytes % 4, 0);
        filtered.insert(filtered.end(), left.begin(), left.begin() + bytes / 4);
        SleepMs(20);
    }
    mic.Stop();
    ASSERT_GT(filtered.size(), static_cast<size_t>(kRate * 2));
    // The last second, once the noise estimate has settled, against the noise played.
    const double playedRms = 0.1 / std::sqrt(3.0);
    const double rms = Rms(filtered.data() + filtered.size() - kRate, kRate);
    EXPECT_LT(20 * std::log10(rms / playedRms), -10.0) << "rms " << rms;
}

// A mono 48 kHz sink added for one test and removed after it.
class CMonoSink {
public:
    CMonoSink() {
        std::string index;
        if (Run({"/usr/bin/pactl", "load-module", "module-null-sink", "sink_name=zovi_mono",
                 "channels=1", "rate=48000"},
                &index))
            index_ = index.substr(0, index.find('\n'));
    }
    ~CMonoSink() {
        if (!index_.empty()) Run({"/usr/bin/pactl", "unload-module", index_});
    }
    bool Loaded() const { return !index_.empty(); }

private:
    std::string index_;
};

TEST(CapAudioTest, AMono48kDeviceFillsBothChannelsOfA44kMixAtFullLevel) {
    CMonoSink sink;
    ASSERT_TRUE(sink.Loaded());
    CTonePlayer tone;
    ASSERT_TRUE(tone.Start("zovi_mono", 1000, 0.5));
    // A sink's name records its playback sound.
    CCapAudio device(2, kRate, AV_SAMPLE_FMT_FLTP, false, false, L"zovi_mono");
    ASSERT_TRUE(device.Open());
    std::vector<float> left(1024), right(1024), allLeft, allRight;
    float* planes[] = {left.data(), right.data()};
    // Take what arrives until a second of the tone has come.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (allLeft.size() < static_cast<size_t>(kRate) && std::chrono::steady_clock::now() < until) {
        const int bytes = device.ReadBlock(planes, 2);
        if (bytes == 0 || (allLeft.empty() && AmplitudeAt(left.data(), bytes / 4, 1000, kRate) < 0.25)) {
            SleepMs(10);
            continue;
        }
        allLeft.insert(allLeft.end(), left.begin(), left.begin() + bytes / 4);
        allRight.insert(allRight.end(), right.begin(), right.begin() + bytes / 4);
    }
    device.Stop();
    ASSERT_GE(allLeft.size(), static_cast<size_t>(kRate));
    EXPECT_EQ(allLeft, allRight);
    double sum = 0;
    int chunks = 0;
    for (size_t at = 0; at + 1024 <= allLeft.size(); at += 1024, ++chunks)
        sum += AmplitudeAt(allLeft.data() + at, 1024, 1000, kRate);
    EXPECT_NEAR(sum / chunks, 0.5, 0.05);
}

// Keeps the devices the mixer reports as ended.
class CEndedDevices : public CAudioIOCore::IAudioIOCoreCallBack {
public:
    void OnAudioDeviceEnded(const std::shared_ptr<CCapAudio>& device) override {
        std::lock_guard lock(mutex_);
        ended_.push_back(device.get());
    }
    std::vector<const CCapAudio*> Get() {
        std::lock_guard lock(mutex_);
        return ended_;
    }

private:
    std::mutex mutex_;
    std::vector<const CCapAudio*> ended_;
};

class MixerTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (core_) core_->Stop();
        core_.reset();
        speakers_.Stop();
        mic_.Stop();
    }
    void StartCore(bool loopback, bool mic) {
        core_ = std::make_shared<CAudioIOCore>(2, AV_SAMPLE_FMT_FLTP, kRate, recorder_);
        if (loopback) {
            ASSERT_TRUE(core_->AddLoopbackDevice(L""));
        }
        if (mic) {
            ASSERT_TRUE(core_->AddInputDevice(L"", false));
        }
        core_->SetCallBack(ended_);
        ASSERT_TRUE(core_->Start());
        core_->SetPause(false);
    }

    std::shared_ptr<CEndedDevices> ended_ = std::make_shared<CEndedDevices>();
    std::shared_ptr<CBlockRecorder> recorder_ = std::make_shared<CBlockRecorder>();
    std::shared_ptr<CAudioIOCore> core_;
    CTonePlayer speakers_, mic_;
};

TEST_F(MixerTest, SystemSoundAndMicrophoneAreMixed) {
    ASSERT_TRUE(speakers_.Start(SpeakerSink(), 1000, 0.3));
    ASSERT_TRUE(mic_.Start(MicSink(), 440, 0.3));
    StartCore(true, true);
    ASSERT_TRUE(WaitForTones(*recorder_, {1000, 440}, 0.2, kRate));
    const auto blocks = recorder_->Next(43);  // about a second
    ASSERT_EQ(blocks.size(), 43u);
    // The blocks carry both tones at their level, on both channels alike.
    EXPECT_NEAR(TypicalBlockAmplitude(blocks, 1000, kRate), 0.3, 0.04);
    EXPECT_NEAR(TypicalBlockAmplitude(blocks, 440, kRate), 0.3, 0.04);
    for (const auto& block : blocks) ASSERT_EQ(block.left, block.right);
    for (size_t i = 1; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i].runningCount, blocks[i - 1].runningCount + 1024);
}

TEST_F(MixerTest, MuteGivesSilentBlocksWhileDevicesKeepDraining) {
    ASSERT_TRUE(speakers_.Start(SpeakerSink(), 1000, 0.3));
    StartCore(true, false);
    ASSERT_TRUE(WaitForTones(*recorder_, {1000}, 0.2, kRate));
    core_->SetMute(true);
    recorder_->Next(4);
    for (const auto& block : recorder_->Next(43))
        for (size_t i = 0; i < block.left.size(); ++i) ASSERT_EQ(block.left[i], 0.0f);
    // Drained while muted: an undrained device fills to its cap and never holds less
    // again; a drained one holds less after each block the mixer takes, however far
    // behind a starved mixer thread left it.
    const auto device = core_->Devices()[0];
    const uint32_t cap = CCapAudio::kFifoCapSamples * sizeof(float);
    EXPECT_TRUE(WaitUntil([&] { return device->BufferedBytes() < cap; }));
    core_->SetMute(false);
    EXPECT_TRUE(WaitForTones(*recorder_, {1000}, 0.2, kRate));
}

TEST_F(MixerTest, ResumeBringsNoPausedSoundAndNoLastingDelay) {
    // Before the pause 1 kHz, while paused 2 kHz, after the resume 600 Hz.
    ASSERT_TRUE(speakers_.Start(SpeakerSink(), 1000, 0.3));
    StartCore(true, false);
    ASSERT_TRUE(WaitForTones(*recorder_, {1000}, 0.2, kRate));
    core_->SetPause(true);
    speakers_.SetFrequency(2000);
    SleepMs(1000);  // a second of paused sound
    // Drained while paused: the device holds next to nothing (undrained, it stays full).
    const auto device = core_->Devices()[0];
    EXPECT_TRUE(WaitUntil([&] { return device->BufferedBytes() < 2u * CCapAudio::kBlockBytes; }));
    const size_t before = recorder_->Count();
    speakers_.SetFrequency(600);
    core_->SetPause(false);
    ASSERT_TRUE(WaitUntil([&] { return recorder_->Count() >= before + 65; }));  // 1.5 s of blocks
    const auto after = recorder_->Since(before);
    int onset = -1, pausedSoundBlocks = 0;
    for (size_t k = 0; k < after.size(); ++k) {
        if (AmplitudeAt(after[k].left, 2000, kRate) > 0.05) ++pausedSoundBlocks;
        if (onset < 0 && AmplitudeAt(after[k].left, 600, kRate) > 0.15) onset = static_cast<int>(k);
    }
    // Only what was in flight at the resume (the server's latency, longer on a busy
    // machine) may follow. A clock that counted the paused time would first send a
    // second of empty blocks; undrained devices would send their full FIFO (232 ms) of
    // paused sound first and keep that delay.
    ASSERT_GE(onset, 0);
    EXPECT_LT(onset * kBlockMs, 300.0) << "onset after " << onset << " blocks";
    EXPECT_LT(pausedSoundBlocks * kBlockMs, 200.0) << pausedSoundBlocks << " blocks of paused sound";
    // And the new tone stays, at its level: a busy machine may leave a few blocks part
    // empty, a gap would show in the typical block and the mean.
    const std::vector<CBlockRecorder::Block> since(after.begin() + onset + 2, after.end());
    EXPECT_GT(TypicalBlockAmplitude(since, 600, kRate), 0.27);
    EXPECT_GT(MeanBlockAmplitude(since, 600, kRate), 0.24);
}

struct LossCase {
    const char* name;
    bool loopback;
    double systemLevel;  // the 1 kHz of the system sound after the loss
};
void PrintTo(const LossCase& c, std::ostream* os) { *os << c.name; }

class MixerLoss : public MixerTest, public ::testing::WithParamInterface<LossCase> {};

TEST_P(MixerLoss, ALostMicrophoneLeavesTheMixAndBlocksGoOn) {
    AvLogCapture log;
    ASSERT_TRUE(speakers_.Start(SpeakerSink(), 1000, 0.3));
    ASSERT_TRUE(mic_.Start(MicSink(), 440, 0.3));
    StartCore(GetParam().loopback, true);
    ASSERT_TRUE(WaitForTones(*recorder_, {440}, 0.2, kRate));
    const auto mic = core_->Devices().back();
    ASSERT_TRUE(mic->IsInput());
    CMicrophoneRemoval removal;  // puts the microphone back at the end
    ASSERT_TRUE(removal.Remove());
    ASSERT_TRUE(WaitUntil([&] { return !mic->IsRunning(); }));
    ASSERT_TRUE(WaitUntil([&] { return core_->Devices().size() == (GetParam().loopback ? 1u : 0u); }));
    EXPECT_EQ(ended_->Get(), std::vector<const CCapAudio*>{mic.get()});
    recorder_->Next(8);
    // The clock's blocks keep coming, with whatever devices are left (or silence).
    const auto blocks = recorder_->Next(43);
    ASSERT_EQ(blocks.size(), 43u);
    for (size_t i = 1; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i].runningCount, blocks[i - 1].runningCount + 1024);
    EXPECT_NEAR(TypicalBlockAmplitude(blocks, 1000, kRate), GetParam().systemLevel, 0.05);
    EXPECT_LT(MeanBlockAmplitude(blocks, 440, kRate), 0.02);
    if (GetParam().loopback) {
        EXPECT_TRUE(core_->Devices()[0]->IsRunning());
    }
    EXPECT_TRUE(log.Contains("CCapAudio() capture ended"));
    EXPECT_TRUE(log.Contains("CAudioIOCore: sound device() ended and left the mix"));
}

INSTANTIATE_TEST_SUITE_P(Devices, MixerLoss,
                         ::testing::Values(LossCase{"WithSystemSound", true, 0.3},
                                           LossCase{"Alone", false, 0.0}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(MixerTest, StopStopsTheDevicesAndLogs) {
    AvLogCapture log;
    StartCore(true, true);
    const auto devices = core_->Devices();
    ASSERT_EQ(devices.size(), 2u);
    core_->Stop();
    for (const auto& device : devices) EXPECT_FALSE(device->IsRunning());
    EXPECT_TRUE(ended_->Get().empty());  // a stop is no device's end
    const size_t count = recorder_->Count();
    SleepMs(100);
    EXPECT_EQ(recorder_->Count(), count);
    EXPECT_TRUE(log.Contains("CAudioIOCore::Stop()"));
    core_.reset();
    EXPECT_TRUE(log.Contains("CAudioIOCore::dtor: "));
    EXPECT_TRUE(log.Contains("CAudioIOCore::ctor: "));
}

}  // namespace
}  // namespace zovi::engine
