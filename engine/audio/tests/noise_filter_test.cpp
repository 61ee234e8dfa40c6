#include "engine/audio/noise_suppress_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/audio/tests/tone.h"

namespace zovi::engine {
namespace {

using testing::AmplitudeAt;
using testing::Rms;
using testing::Sine;
using testing::WhiteNoise;

constexpr int kRate = 44100;

// Feeds `signal` (mono, same on every channel) through the filter in blocks of
// `blockFrames` and returns the first channel of what comes back, in order.
std::vector<float> Filter(CAudioNoiseSuppressFilter& filter, const std::vector<float>& signal,
                          int channels, int blockFrames) {
    std::vector<float> out;
    std::vector<std::vector<float>> planes(channels);
    for (size_t at = 0; at + blockFrames <= signal.size(); at += blockFrames) {
        AudioFilterBlock block;
        for (int ch = 0; ch < channels; ++ch) {
            planes[ch].assign(signal.begin() + at, signal.begin() + at + blockFrames);
            block.planes[ch] = planes[ch].data();
        }
        block.frames = blockFrames;
        if (AudioFilterBlock* done = filter.Process(&block))
            out.insert(out.end(), done->planes[0], done->planes[0] + done->frames);
    }
    return out;
}

TEST(NoiseFilterTest, FirstBlockIsHeldAndTheSecondReturnsIt) {
    CAudioNoiseSuppressFilter filter;
    EXPECT_STREQ(filter.GetName(), "noise-suppress-filter");
    ASSERT_TRUE(filter.Init(2, kRate));
    std::vector<float> left(1024, 0.1f), right(1024, -0.1f);
    AudioFilterBlock block;
    block.planes[0] = left.data();
    block.planes[1] = right.data();
    block.frames = 1024;
    block.timestamp = 7;
    EXPECT_EQ(filter.Process(&block), nullptr);
    block.timestamp = 8;
    AudioFilterBlock* out = filter.Process(&block);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->frames, 1024);
    EXPECT_EQ(out->timestamp, 7);
}

TEST(NoiseFilterTest, InitOnlyOnce) {
    CAudioNoiseSuppressFilter filter;
    EXPECT_TRUE(filter.Init(1, kRate));
    EXPECT_FALSE(filter.Init(1, kRate));
}

TEST(NoiseFilterTest, NoChannelsPassesBlocksThrough) {
    CAudioNoiseSuppressFilter filter;
    ASSERT_TRUE(filter.Init(0, kRate));
    AudioFilterBlock block;
    block.frames = 100;
    EXPECT_EQ(filter.Process(&block), &block);
}

TEST(NoiseFilterTest, BlocksOfVaryingSizeComeBackInOrderWithTheirSizes) {
    CAudioNoiseSuppressFilter filter;
    ASSERT_TRUE(filter.Init(2, kRate));
    const std::vector<int> sizes = {200, 1024, 600, 1, 1024, 441, 882, 37, 1024, 1024, 1024};
    std::vector<int> returned;
    std::vector<int64_t> stamps;
    std::vector<float> plane(1024, 0.0f);
    for (size_t i = 0; i < sizes.size(); ++i) {
        AudioFilterBlock block;
        block.planes[0] = block.planes[1] = plane.data();
        block.frames = sizes[i];
        block.timestamp = static_cast<int64_t>(i);
        if (AudioFilterBlock* out = filter.Process(&block)) {
            returned.push_back(out->frames);
            stamps.push_back(out->timestamp);
            // Every byte of the returned block is valid output (ASan checks the reads).
            volatile float sum = 0;
            for (int f = 0; f < out->frames; ++f) sum = sum + out->planes[0][f] + out->planes[1][f];
        }
    }
    ASSERT_FALSE(returned.empty());
    for (size_t i = 0; i < returned.size(); ++i) {
        EXPECT_EQ(returned[i], sizes[i]);
        EXPECT_EQ(stamps[i], static_cast<int64_t>(i));
    }
}

TEST(NoiseFilterTest, WhiteNoiseAloneIsAttenuatedByTenDecibels) {
    CAudioNoiseSuppressFilter filter;
    ASSERT_TRUE(filter.Init(1, kRate));
    const auto noise = WhiteNoise(0.05, kRate * 4, 7);
    const auto out = Filter(filter, noise, 1, 1024);
    ASSERT_GT(out.size(), static_cast<size_t>(kRate * 3));
    // Judge the last two seconds, after the noise estimate has settled.
    const size_t from = out.size() - kRate * 2;
    const double in = Rms(noise.data() + from, kRate * 2);
    const double filtered = Rms(out.data() + from, kRate * 2);
    EXPECT_LT(20 * std::log10(filtered / in), -10.0) << "in " << in << " out " << filtered;
}

TEST(NoiseFilterTest, ToneInNoiseIsKept) {
    // A tone that comes and goes (as speech does) over steady noise: the filter learns
    // the noise, and the tone's bursts pass.
    CAudioNoiseSuppressFilter filter;
    ASSERT_TRUE(filter.Init(1, kRate));
    constexpr int kBurst = kRate * 3 / 10;
    auto signal = Sine(1000, 0.5, kRate, kRate * 6);
    for (size_t i = 0; i < signal.size(); ++i)
        if ((i / kBurst) % 2 == 0) signal[i] = 0;
    const auto noise = WhiteNoise(0.02, kRate * 6, 9);
    for (size_t i = 0; i < signal.size(); ++i) signal[i] += noise[i];
    const auto out = Filter(filter, signal, 1, 1024);
    // Blocks come back in order: look inside the last bursts, away from their edges.
    for (int burst = 13; burst < 19; burst += 2) {
        const size_t from = static_cast<size_t>(burst) * kBurst + kRate / 20;
        ASSERT_LE(from + kRate / 10, out.size());
        EXPECT_GT(AmplitudeAt(out.data() + from, kRate / 10, 1000, kRate), 0.35)
            << "burst " << burst;
    }
}

}  // namespace
}  // namespace zovi::engine
