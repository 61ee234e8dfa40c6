#include "engine/audio/resampler.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <vector>

#include "engine/audio/tests/tone.h"

namespace zovi::engine {
namespace {

using testing::AmplitudeAt;
using testing::Sine;

// Converts all of `input` (packed float, `inChannels` interleaved) and returns each
// output channel's planar samples, flushing nothing (what one call gives).
std::vector<std::vector<float>> ConvertPacked(CResampler& resampler, const std::vector<float>& input,
                                              int inChannels, int outChannels) {
    uint8_t* planes[8] = {};
    int count = 0;
    int64_t delay = -1;
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(input.data())};
    EXPECT_TRUE(resampler.Convert(planes, &count, &delay, in, static_cast<int>(input.size()) / inChannels));
    EXPECT_GE(delay, 0);
    std::vector<std::vector<float>> out(outChannels);
    for (int ch = 0; ch < outChannels; ++ch) {
        const auto* samples = reinterpret_cast<const float*>(planes[ch]);
        out[ch].assign(samples, samples + count);
    }
    return out;
}

struct MonoCase {
    int outChannels;
    std::vector<double> weights;
};

class MonoRule : public ::testing::TestWithParam<MonoCase> {};

TEST_P(MonoRule, CopiesMonoAtFullLevelToTheFrontChannels) {
    const auto& param = GetParam();
    CResampler resampler;
    ASSERT_TRUE(resampler.Init(1, 48000, AV_SAMPLE_FMT_FLT, param.outChannels, 48000, AV_SAMPLE_FMT_FLTP));
    const auto out = ConvertPacked(resampler, Sine(1000, 0.5, 48000, 4800), 1, param.outChannels);
    for (int ch = 0; ch < param.outChannels; ++ch) {
        const auto& samples = out[ch];
        ASSERT_GT(samples.size(), 4000u);
        EXPECT_NEAR(AmplitudeAt(samples, 1000, 48000), 0.5 * param.weights[ch], 0.02)
            << "channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MonoRule,
                         ::testing::Values(MonoCase{2, {1, 1}}, MonoCase{3, {1, 1, 0}},
                                           MonoCase{4, {1, 1, 1, 1}}, MonoCase{5, {1, 1, 1, 0, 1}},
                                           MonoCase{6, {1, 1, 1, 1, 1, 1}},
                                           MonoCase{7, {1, 1, 1, 0, 1, 1, 1}},
                                           MonoCase{8, {1, 1, 1, 0, 1, 1, 1, 1}}),
                         [](const auto& test) { return std::to_string(test.param.outChannels) + "Channels"; });

TEST(ResamplerTest, MonoAt48kBecomesFullLevelStereoAt44k) {
    CResampler resampler;
    ASSERT_TRUE(resampler.Init(1, 48000, AV_SAMPLE_FMT_FLT, 2, 44100, AV_SAMPLE_FMT_FLTP));
    const auto out = ConvertPacked(resampler, Sine(1000, 0.8, 48000, 48000), 1, 2);
    // About 44100/48000 of the frames come out (the rest stays in the filter's delay).
    EXPECT_NEAR(static_cast<double>(out[0].size()), 44100.0, 64.0);
    for (const auto& channel : out) {
        const size_t skip = 256;  // the filter's start-up
        ASSERT_GT(channel.size(), skip + 43000);
        EXPECT_NEAR(AmplitudeAt(channel.data() + skip, 43000, 1000, 44100), 0.8, 0.03);
    }
}

TEST(ResamplerTest, StereoAtTheSameRatePassesUnchanged) {
    CResampler resampler;
    ASSERT_TRUE(resampler.Init(2, 44100, AV_SAMPLE_FMT_FLT, 2, 44100, AV_SAMPLE_FMT_FLTP));
    std::vector<float> packed(2 * 1000);
    for (int i = 0; i < 1000; ++i) {
        packed[2 * i] = i / 1000.0f;
        packed[2 * i + 1] = -i / 1000.0f;
    }
    const auto out = ConvertPacked(resampler, packed, 2, 2);
    ASSERT_EQ(out[0].size(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_FLOAT_EQ(out[0][i], packed[2 * i]);
        ASSERT_FLOAT_EQ(out[1][i], packed[2 * i + 1]);
    }
}

TEST(ResamplerTest, FailsWithoutAContextOrWithBadFormats) {
    CResampler resampler;
    uint8_t* planes[8] = {};
    int count = 0;
    const float sample = 0;
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(&sample)};
    EXPECT_FALSE(resampler.Convert(planes, &count, nullptr, in, 1));
    EXPECT_FALSE(resampler.Init(2, 48000, AV_SAMPLE_FMT_FLT, 9, 44100, AV_SAMPLE_FMT_FLTP));
    EXPECT_FALSE(resampler.Init(2, 0, AV_SAMPLE_FMT_FLT, 2, 44100, AV_SAMPLE_FMT_FLTP));
    EXPECT_FALSE(resampler.Init(2, 48000, 1000, 2, 44100, AV_SAMPLE_FMT_FLTP));
    EXPECT_FALSE(resampler.Convert(planes, &count, nullptr, in, 1));
}

TEST(ResamplerTest, GrowsItsOutputForLargerPackets) {
    CResampler resampler;
    ASSERT_TRUE(resampler.Init(2, 48000, AV_SAMPLE_FMT_FLT, 2, 48000, AV_SAMPLE_FMT_FLTP));
    for (int frames : {16, 4800, 100, 48000}) {
        std::vector<float> packed(2 * frames, 0.25f);
        const auto out = ConvertPacked(resampler, packed, 2, 2);
        ASSERT_EQ(out[1].size(), static_cast<size_t>(frames));
        EXPECT_FLOAT_EQ(out[1].back(), 0.25f);
    }
}

}  // namespace
}  // namespace zovi::engine
