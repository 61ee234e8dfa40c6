// The capture main window's small rules, alone: which cameras are listed, which
// resolution a height recommends, how a sound-test level shows on the meter, and what a
// tray command becomes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ui/recording/capture_main/capture_main_rules.h"

namespace {

using namespace DuiLib;

TEST(CaptureMainRules, VirtualCamerasAreLeftOutOfTheCameraList) {
    const struct {
        const wchar_t* name;
        bool hidden;
    } cases[] = {
        {L"NewTek NDI Video", true},
        {L"newtek ndi VIDEO", true},
        {L"SCREEN-CAPTURE-RECORDER", true},
        {L"screen", true},               // a beginning of "screen-capture-recorder"
        {L"NewTek", true},               // a beginning of "NewTek NDI Video"
        {L"", true},                     // the beginning of anything
        {L"NewTek NDI Video 2", false},  // goes on past the name
        {L"screen-capture-recorder2", false},
        {L"Integrated Camera", false},
        {L"Screen Camera", false},
        {L"ＮewTek", false},  // only ASCII letters fold
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.name).size() << " characters");
        EXPECT_EQ(IsHiddenCameraName(c.name), c.hidden);
    }
}

TEST(CaptureMainRules, TheHeightRecommendsTheResolution) {
    const struct {
        int32_t height;
        int level;
        const char* name;
    } cases[] = {{0, 0, "360P"},      {-5, 0, "360P"},     {360, 0, "360P"},   {361, 1, "480P"},
                 {480, 1, "480P"},    {481, 2, "720P"},    {720, 2, "720P"},   {721, 3, "1080P"},
                 {1080, 3, "1080P"},  {1081, 4, "2K"},     {2160, 4, "2K"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        EXPECT_EQ(QualityClassFromHeight(c.height), c.level);
        EXPECT_STREQ(QualityLevelNameA(c.level), c.name);
        EXPECT_EQ(std::wstring(QualityLevelName(c.level)), std::wstring(c.name, c.name + std::string(c.name).size()));
    }
    EXPECT_EQ(QualityLevelName(5), nullptr);
    EXPECT_EQ(QualityLevelNameA(-1), nullptr);
}

TEST(CaptureMainRules, TheMeterShowsTheLevelsSizeUpToFull) {
    const struct {
        float level, shown;
    } cases[] = {{-1.7f, 1.0f}, {1.7f, 1.0f}, {-0.25f, 0.25f}, {0.6f, 0.6f}, {0.0f, 0.0f}, {1.0f, 1.0f},
                 {INFINITY, 1.0f}, {NAN, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        EXPECT_FLOAT_EQ(MeterLevelFromTest(c.level), c.shown);
    }
}

TEST(CaptureMainRules, ATrayCommandBecomesACommandMessageFromAnAccelerator) {
    EXPECT_EQ(ShowCaptureCommandWParam(33002), WPARAM{0x000180EA});
    EXPECT_EQ(ShowCaptureCommandWParam(32000), WPARAM{0x00017D00});
    // Only the command id travels.
    EXPECT_EQ(ShowCaptureCommandWParam(0xABCD0000u | 33000u), WPARAM{0x000180E8});
}

}  // namespace
