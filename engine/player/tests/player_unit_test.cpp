// The player's pure parts: the render decision, the picture fit, the frame cache and
// the sound ring's clock arithmetic.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "engine/player/audio_renderer.h"
#include "engine/player/frame_cache.h"
#include "engine/player/render_timing.h"

namespace zovi::engine {
namespace {

TEST(RenderDecisionTest, DrawsOnTimeDropsFarOffWaitsWhenEarly) {
    constexpr std::optional<int64_t> kNone;
    struct Case {
        int64_t clock, frame;
        std::optional<int64_t> next;
        RenderDecision expected;
    } cases[] = {
        {10'000, 10'000, kNone, RenderDecision::kDraw},  {11'000, 10'000, kNone, RenderDecision::kDraw},
        {11'001, 10'000, kNone, RenderDecision::kDrop},  {60'000, 10'000, kNone, RenderDecision::kDrop},
        {9'999, 10'000, kNone, RenderDecision::kWait},   {9'001, 10'000, kNone, RenderDecision::kWait},
        {9'000, 10'000, kNone, RenderDecision::kDrop},   {0, 10'000, kNone, RenderDecision::kDrop},
        // Late with the next picture due too: this one is skipped to catch up.
        {10'040, 10'000, 10'033, RenderDecision::kDrop}, {10'033, 10'000, 10'033, RenderDecision::kDrop},
        // Late but the next one is not due yet: drawn; early ones wait whatever follows.
        {10'020, 10'000, 10'033, RenderDecision::kDraw}, {10'000, 10'000, 10'033, RenderDecision::kDraw},
        {9'990, 10'000, 10'033, RenderDecision::kWait},  {11'500, 10'000, 11'400, RenderDecision::kDrop},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideRender(c.clock, c.frame, c.next), c.expected)
            << "clock " << c.clock << " frame " << c.frame << " next " << c.next.value_or(-1);
}

// Pictures shown by the sound clock under a starved render thread: whatever the delay
// between its turns, the picture on screen is never ahead of the sound and at most one
// picture interval plus that delay behind it.
TEST(RenderDecisionTest, FollowingTheSoundClockKeepsThePictureNearIt) {
    for (const int64_t turnMs : {1, 5, 40, 120, 400}) {
        SCOPED_TRACE(turnMs);
        std::vector<int64_t> queue;
        for (int64_t ts = 0; ts < 5000; ts += 33) queue.push_back(ts);
        size_t oldest = 0;
        int64_t shown = -1;
        for (int64_t clock = 0; clock < 5000; clock += turnMs) {
            // One turn of the render thread: drop and draw until it has to wait.
            while (oldest < queue.size()) {
                const std::optional<int64_t> next =
                    oldest + 1 < queue.size() ? std::optional(queue[oldest + 1]) : std::nullopt;
                const RenderDecision decision = DecideRender(clock, queue[oldest], next);
                if (decision == RenderDecision::kWait) break;
                if (decision == RenderDecision::kDraw) shown = queue[oldest];
                ++oldest;
                if (decision == RenderDecision::kDraw) break;
            }
            if (shown < 0) continue;
            EXPECT_LE(shown, clock);
            EXPECT_LT(clock - shown, 33 + turnMs) << "at " << clock;
        }
    }
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
    std::vector<int64_t> order, following;
    std::optional<int64_t> next;
    while (auto frame = cache.PeekOldest(&next)) {
        order.push_back(frame->ts);
        following.push_back(next.value_or(-1));
        ASSERT_TRUE(cache.RemoveOldest(frame));
        if (frame->ts == 40) {
            EXPECT_FALSE(cache.PushFrame(picture.Planes(), picture.lineSizes, 4, 4, 20));
        }
    }
    EXPECT_EQ(order, (std::vector<int64_t>{0, 40, 80, 120}));
    EXPECT_EQ(following, (std::vector<int64_t>{40, 80, 120, -1}));
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

// The clock the pictures follow: from SDL's requests, one buffer behind what was handed
// over, standing still when paused or starved, forgotten on a seek.
TEST(SoundClockTest, RunsFromTheCallbacksAndStopsWhenTheSoundDoes) {
    CAudioRenderer renderer(44100, 2, 1 /* S16 */, 1, {});
    EXPECT_FALSE(renderer.SoundClockAt(0));
    constexpr uint32_t kBuffer = 2048 * 4;  // 46 ms
    const std::vector<uint8_t> bytes(kBuffer * 4, 1);
    ASSERT_TRUE(renderer.Append(bytes.data(), static_cast<uint32_t>(bytes.size()), 5000));
    // Queued, not heard yet: pictures from its first moment on wait for it.
    EXPECT_EQ(renderer.SoundClockAt(0), 4999);

    constexpr uint64_t kAt = 7'000'000'000ull, kMs = 1'000'000;
    renderer.NoteHandedOver(0, kBuffer, kBuffer, kAt);
    EXPECT_EQ(renderer.SoundClockAt(kAt), 5000 - 46);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 20 * kMs), 5000 - 46 + 20);
    // It runs no further than where this request began until SDL asks again.
    EXPECT_EQ(renderer.SoundClockAt(kAt + 500 * kMs), 5000);
    renderer.NoteHandedOver(kBuffer, kBuffer, kBuffer, kAt + 46 * kMs);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 56 * kMs), 5010);
    // Paused, the clock stands where it was until SDL asks again; it goes on from there.
    renderer.Pause(true);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 60'000 * kMs), 5046);
    renderer.Pause(false);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 61'000 * kMs), 5046);
    renderer.NoteHandedOver(2 * kBuffer, kBuffer, kBuffer, kAt + 62'000 * kMs);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 62'000 * kMs), 5046);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 62'010 * kMs), 5056);

    renderer.Clear();
    EXPECT_FALSE(renderer.SoundClockAt(kAt + 62'010 * kMs));
}

// Starved, the clock runs out where the last sound began; when no sound comes for half a
// second (it ended before the pictures, or the file has a gap) it runs on by itself, so
// the waiting pictures are not held for ever; sound coming back takes over again.
TEST(SoundClockTest, RunsOnByItselfWhenTheSoundStaysAway) {
    CAudioRenderer renderer(44100, 2, 1 /* S16 */, 1, {});
    constexpr uint32_t kBuffer = 2048 * 4;  // 46 ms
    const std::vector<uint8_t> bytes(kBuffer, 1);
    ASSERT_TRUE(renderer.Append(bytes.data(), kBuffer, 5000));
    constexpr uint64_t kAt = 7'000'000'000ull, kMs = 1'000'000;
    renderer.NoteHandedOver(0, kBuffer, kBuffer, kAt);
    renderer.NoteHandedOver(kBuffer, 0, kBuffer, kAt + 46 * kMs);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 400 * kMs), 5000);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 546 * kMs), 5000);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 646 * kMs), 5100);
    renderer.NoteHandedOver(kBuffer, 0, kBuffer, kAt + 700 * kMs);  // still none
    EXPECT_EQ(renderer.SoundClockAt(kAt + 746 * kMs), 5200);
    renderer.NoteHandedOver(kBuffer, kBuffer, kBuffer, kAt + 800 * kMs);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 800 * kMs), 5000);
    EXPECT_EQ(renderer.SoundClockAt(kAt + 2'000 * kMs), 5046);
}

}  // namespace
}  // namespace zovi::engine
