#include "engine/audio/audio_mix.h"

#include <gtest/gtest.h>

#include <vector>

namespace zovi::engine {
namespace {

struct MixCase {
    const char* name;
    std::vector<float> devices;  // one constant level per device
    bool clamp;                  // more than one device
    float expected;
};

class MixArithmetic : public ::testing::TestWithParam<MixCase> {};

TEST_P(MixArithmetic, SumsAndClampsOnlyWhenAsked) {
    const auto& param = GetParam();
    std::vector<float> left(16, 0.0f), right(16, 0.0f);
    float* mix[] = {left.data(), right.data()};
    for (float level : param.devices) {
        std::vector<float> a(16, level), b(16, level);
        const float* block[] = {a.data(), b.data()};
        AddToMix(mix, block, 2, 16);
    }
    if (param.clamp) ClampMix(mix, 2, 16);
    for (int i = 0; i < 16; ++i) {
        ASSERT_FLOAT_EQ(left[i], param.expected);
        ASSERT_FLOAT_EQ(right[i], param.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MixArithmetic,
    ::testing::Values(MixCase{"TwoFullScaleClampToOne", {0.8f, 0.8f}, true, 1.0f},
                      MixCase{"TwoNegativeClampToMinusOne", {-0.8f, -0.7f}, true, -1.0f},
                      MixCase{"TwoSmallSum", {0.25f, 0.5f}, true, 0.75f},
                      MixCase{"OneAboveFullScalePasses", {1.5f}, false, 1.5f},
                      MixCase{"NoDeviceIsSilence", {}, false, 0.0f}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(MixArithmeticTest, AddsOnlyTheGivenSamples) {
    std::vector<float> plane(8, 0.0f);
    std::vector<float> block(8, 0.5f);
    float* mix[] = {plane.data()};
    const float* in[] = {block.data()};
    AddToMix(mix, in, 1, 3);
    EXPECT_EQ(plane, (std::vector<float>{0.5f, 0.5f, 0.5f, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace zovi::engine
