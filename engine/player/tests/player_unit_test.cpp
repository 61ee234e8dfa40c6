// The player's pure parts: the render decision, the picture fit, the frame cache and
// the sound ring's clock arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "engine/player/audio_renderer.h"
#include "engine/player/frame_cache.h"
#include "engine/player/render_timing.h"

namespace zovi::engine {
namespace {

TEST(RenderDecisionTest, DrawsOnTimeDropsFarOffWaitsWhenEarly) {
    struct Case {
        int64_t clock, frame;
        RenderDecision expected;
    } cases[] = {
        {10'000, 10'000, RenderDecision::kDraw},  {11'000, 10'000, RenderDecision::kDraw},
        {11'001, 10'000, RenderDecision::kDrop},  {60'000, 10'000, RenderDecision::kDrop},
        {9'999, 10'000, RenderDecision::kWait},   {9'001, 10'000, RenderDecision::kWait},
        {9'000, 10'000, RenderDecision::kDrop},   {0, 10'000, RenderDecision::kDrop},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideRender(c.clock, c.frame), c.expected) << "clock " << c.clock << " frame " << c.frame;
}

TEST(FitPictureTest, FitsTheWidthOrTheHeightAndCentres) {
    struct Case {
        int windowW, windowH, w, h;
        FitRect expected;
    } cases[] = {
        {640, 480, 320, 240, {0, 0, 640, 480}},    // same shape
        {800, 480, 320, 240, {80, 0, 640, 480}},   // wide window: bars left and right
        {640, 600, 320, 240, {0, 60, 640, 480}},   // tall window: bars above and below
        {100, 100, 1920, 1080, {0, 22, 100, 56}},  // integer division
        {640, 480, 0, 240, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const FitRect fit = FitPicture(c.windowW, c.windowH, c.w, c.h);
        EXPECT_EQ(fit.x, c.expected.x);
        EXPECT_EQ(fit.y, c.expected.y);
        EXPECT_EQ(fit.width, c.expected.width);
        EXPECT_EQ(fit.height, c.expected.height);
    }
}

// A w x h picture whose planes have padded rows, filled with `y`, `u`, `v`.
struct PaddedPicture {
    PaddedPicture(int w, int h, uint8_t y, uint8_t u, uint8_t v)
        : luma(size_t(w + 16) * h, y), cb(size_t((w + 1) / 2 + 16) * ((h + 1) / 2), u),
          cr(size_t((w + 1) / 2 + 16) * ((h + 1) / 2), v) {
        // The padding carries a marker that must not reach the picture.
        for (int row = 0; row < h; ++row) luma[size_t(row) * (w + 16) + w] = 0xEE;
        lineSizes[0] = w + 16;
        lineSizes[1] = lineSizes[2] = (w + 1) / 2 + 16;
    }
    const uint8_t* planes[3] = {};
    int lineSizes[3] = {};
    std::vector<uint8_t> luma, cb, cr;
    const uint8_t* const* Planes() {
        planes[0] = luma.data();
        planes[1] = cb.data();
        planes[2] = cr.data();
        return planes;
    }
};

TEST(FrameCacheTest, CopiesPlanesRowByRowWithOddSizes) {
    CAVFrameSafeCache cache;
    PaddedPicture picture(5, 3, 10, 20, 30);
    ASSERT_TRUE(cache.PushFrame(picture.Planes(), picture.lineSizes, 5, 3, 40));
    const auto frame = cache.PeekOldest();
    ASSERT_TRUE(frame);
    // Chroma of an odd size is rounded up, as SDL's IYUV textures expect.
    ASSERT_EQ(frame->data.size(), 5u * 3 + 2 * 3 * 2);
    EXPECT_EQ(std::vector<uint8_t>(frame->Y(), frame->U()), std::vector<uint8_t>(15, 10));
    EXPECT_EQ(std::vector<uint8_t>(frame->U(), frame->V()), std::vector<uint8_t>(6, 20));
    EXPECT_EQ(std::vector<uint8_t>(frame->V(), frame->data.data() + frame->data.size()),
              std::vector<uint8_t>(6, 30));
}

TEST(FrameCacheTest, OrdersByTimeAndRefusesWhatIsOlderThanTheLastTaken) {
    CAVFrameSafeCache cache;
    PaddedPicture picture(4, 4, 0, 0, 0);
    for (int64_t ts : {80, 40, 120, 0}) ASSERT_TRUE(cache.PushFrame(picture.Planes(), picture.lineSizes, 4, 4, ts));
    EXPECT_EQ(cache.Count(), 4u);
    std::vector<int64_t> order;
    while (auto frame = cache.PeekOldest()) {
        order.push_back(frame->ts);
        ASSERT_TRUE(cache.RemoveOldest(frame));
        if (frame->ts == 40) {
            EXPECT_FALSE(cache.PushFrame(picture.Planes(), picture.lineSizes, 4, 4, 20));
        }
    }
    EXPECT_EQ(order, (std::vector<int64_t>{0, 40, 80, 120}));
    EXPECT_FALSE(cache.PushFrame(picture.Planes(), picture.lineSizes, 4, 4, 100));
    // A seek clears the bound with the pictures.
    cache.ClearFrames();
    EXPECT_TRUE(cache.PushFrame(picture.Planes(), picture.lineSizes, 4, 4, 100));
    EXPECT_FALSE(cache.PushFrame(picture.Planes(), picture.lineSizes, 0, 4, 100));
}

TEST(FrameCacheTest, RemovingAPictureAClearDroppedFails) {
    CAVFrameSafeCache cache;
    PaddedPicture picture(4, 4, 0, 0, 0);
    ASSERT_TRUE(cache.PushFrame(picture.Planes(), picture.lineSizes, 4, 4, 0));
    const auto frame = cache.PeekOldest();
    cache.ClearFrames();
    EXPECT_FALSE(cache.RemoveOldest(frame));
}

TEST(FrameCacheTest, ClockRunsFromItsBase) {
    CAVFrameSafeCache cache;
    cache.SetClockBase(10'000, 5'000'000'000ull);
    EXPECT_EQ(cache.ClockAt(5'000'000'000ull), 10'000);
    EXPECT_EQ(cache.ClockAt(5'250'000'000ull), 10'250);
}

// Plays nothing: the ring and its arithmetic work without the sound device.
TEST(AudioRingTest, HalfASecondAndTheClockBase) {
    CAudioRenderer renderer(44100, 2, 1 /* S16 */, 1, {});
    EXPECT_EQ(renderer.BytesFor(500), 88200u);
    EXPECT_EQ(renderer.ClockBase(), -1);
    const std::vector<uint8_t> bytes(4000, 1);
    ASSERT_TRUE(renderer.Append(bytes.data(), 4000, 2500));
    ASSERT_TRUE(renderer.Append(bytes.data(), 4000, 2600));
    EXPECT_EQ(renderer.ClockBase(), 2500);  // the first append after a clear sets it
    EXPECT_EQ(renderer.HeldBytes(), 8000u);
    // Four hours of 44.1 kHz stereo is past what 32 bits hold.
    const int64_t fourHours = 176'400LL * 4 * 3600;
    EXPECT_EQ(renderer.PositionAfter(fourHours), 2500 + 4 * 3600 * 1000LL);
    renderer.Clear();
    EXPECT_EQ(renderer.HeldBytes(), 0u);
    EXPECT_EQ(renderer.ClockBase(), -1);
    EXPECT_EQ(renderer.BytesPlayed(), 0);
}

}  // namespace
}  // namespace zovi::engine
