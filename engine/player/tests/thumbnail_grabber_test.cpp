// The thumbnail grabber on generated media: newest requests first with the oldest
// discarded (and askable again), pictures showing their second's colour, the sound-level
// curve of a tone that starts at 1 s, the requests answered with nothing, and tearing
// the grabber down while its worker is busy.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "engine/player/tests/player_media.h"
#include "engine/player/thumbnail_grabber.h"

namespace zovi::engine::testing {
namespace {

constexpr int kPictures = CFFTakeShoter::kKindPictures;
constexpr int kLevels = CFFTakeShoter::kKindSoundLevels;
constexpr int kWidth = 100, kHeight = 75;
// 0.5 · sin has a mean absolute value of 0.5 · 2/π.
constexpr double kToneMeanLevel = kToneAmplitude * 2 / 3.14159265358979;
constexpr int kLevelsPerSecond = 100;

struct Shot {
    int64_t ms;
    int width, height, stride;
    int second;  // the second the picture's centre colour shows, -1 for none
};

// Keeps what the grabber hands over. Can hold the worker in its next HasShot until
// released, and answers HasShot true for chosen seconds.
class CShotRecorder : public IFFTakeShotCallback {
public:
    bool HasShot(int64_t ms) override {
        std::unique_lock guard(lock_);
        if (holdNext_) {
            holdNext_ = false;
            held_ = true;
            changed_.notify_all();
            changed_.wait(guard, [&] { return !held_; });
        }
        return heldSeconds_.count(ms / 1000) > 0;
    }
    void OnTakeShot(int64_t ms, int stride, int width, int height, const uint8_t* bgr24) override {
        const uint8_t* centre = bgr24 + (height / 2) * stride + (width / 2) * 3;
        const uint32_t pixel = (uint32_t(centre[2]) << 16) | (uint32_t(centre[1]) << 8) | centre[0];
        std::lock_guard guard(lock_);
        shots_.push_back({ms, width, height, stride, SecondOfPixel(pixel)});
        ++changes_;
        changed_.notify_all();
    }
    void OnShotList(int64_t startMs, const std::vector<float>& levels) override {
        std::lock_guard guard(lock_);
        lists_.push_back({startMs, levels});
        ++changes_;
        changed_.notify_all();
    }

    void HoldNextShot() {
        std::lock_guard guard(lock_);
        holdNext_ = true;
    }
    bool WaitUntilHeld() {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, kPatience, [&] { return held_; });
    }
    void Release() {
        std::lock_guard guard(lock_);
        held_ = false;
        changed_.notify_all();
    }
    void AnswerHaveFor(int second) {
        std::lock_guard guard(lock_);
        heldSeconds_.insert(second);
    }
    // Waits until `done` (called without the lock, so it may read the results) holds.
    bool WaitFor(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        std::unique_lock guard(lock_);
        for (;;) {
            const uint64_t seen = changes_;
            guard.unlock();
            if (done()) return true;
            guard.lock();
            if (!changed_.wait_until(guard, deadline, [&] { return changes_ != seen; })) return false;
        }
    }
    // Waits for a picture at or after `ms`.
    bool WaitForShotAtLeast(int64_t ms) {
        return WaitFor([&] {
            const auto shots = Shots();
            return std::any_of(shots.begin(), shots.end(), [&](const Shot& s) { return s.ms >= ms; });
        });
    }
    std::vector<Shot> Shots() {
        std::lock_guard guard(lock_);
        return shots_;
    }
    std::vector<std::pair<int64_t, std::vector<float>>> Lists() {
        std::lock_guard guard(lock_);
        return lists_;
    }

private:
    // ASan on a loaded machine decodes slowly.
    static constexpr std::chrono::seconds kPatience{120};
    std::mutex lock_;
    std::condition_variable changed_;
    uint64_t changes_ = 0;  // results handed over so far
    bool holdNext_ = false, held_ = false;
    std::set<int64_t> heldSeconds_;
    std::vector<Shot> shots_;
    std::vector<std::pair<int64_t, std::vector<float>>> lists_;
};

struct Range {
    int64_t start, end;
    bool Holds(int64_t ms) const { return ms >= start && ms <= end; }
};

class ThumbnailGrabberTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { media_ = new TestMedia(SharedTestMedia()); }
    static void TearDownTestSuite() {
        delete media_;
        media_ = nullptr;
    }

    bool Open(const std::filesystem::path& file) { return grabber_->Open(file.wstring()); }
    void Ask(int kind, Range range, int width = kWidth, int height = kHeight) {
        grabber_->RequestShots(kind, range.start, range.end, width, height);
    }
    // Holds the worker in a picture request for `blocker`, lets `queue` add requests,
    // then lets the worker go on.
    void WhileBusy(Range blocker, const std::function<void()>& queue) {
        recorder_->HoldNextShot();
        Ask(kPictures, blocker);
        ASSERT_TRUE(recorder_->WaitUntilHeld());
        queue();
        recorder_->Release();
    }
    // The ranges in the order the worker first answered them.
    static std::vector<size_t> ServedOrder(const std::vector<Shot>& shots, const std::vector<Range>& ranges) {
        std::vector<size_t> order;
        for (const Shot& shot : shots)
            for (size_t i = 0; i < ranges.size(); ++i)
                if (ranges[i].Holds(shot.ms) && std::find(order.begin(), order.end(), i) == order.end())
                    order.push_back(i);
        return order;
    }

    static TestMedia* media_;
    std::shared_ptr<CShotRecorder> recorder_ = std::make_shared<CShotRecorder>();
    std::unique_ptr<CFFTakeShoter> grabber_ = std::make_unique<CFFTakeShoter>(recorder_);
};

TestMedia* ThumbnailGrabberTest::media_ = nullptr;

TEST_F(ThumbnailGrabberTest, ServesTheNewestSixAndTheDiscardedOneCanBeAskedAgain) {
    ASSERT_TRUE(Open(media_->both));
    // ranges[0] holds the worker; 1..7 are queued meanwhile, oldest first.
    std::vector<Range> ranges = {{17000, 17200}};
    for (int64_t i = 0; i < 7; ++i) ranges.push_back({1000 + 2000 * i, 1000 + 2000 * i + 200});
    WhileBusy(ranges[0], [&] {
        for (size_t i = 1; i < ranges.size(); ++i) Ask(kPictures, ranges[i]);
        Ask(kPictures, ranges[3]);  // already waiting: ignored
    });
    ASSERT_TRUE(recorder_->WaitFor([&] { return ServedOrder(recorder_->Shots(), ranges).size() == 7; }))
        << "served so far: " << ServedOrder(recorder_->Shots(), ranges).size();
    EXPECT_EQ(ServedOrder(recorder_->Shots(), ranges), (std::vector<size_t>{0, 7, 6, 5, 4, 3, 2}));

    // The oldest was discarded, so asking again is served (at the new size).
    Ask(kPictures, ranges[1], kWidth / 2, kHeight / 2);
    ASSERT_TRUE(recorder_->WaitFor([&] { return ServedOrder(recorder_->Shots(), ranges).size() == 8; }));
    for (const Shot& shot : recorder_->Shots()) {
        SCOPED_TRACE(shot.ms);
        const bool again = ranges[1].Holds(shot.ms);
        EXPECT_EQ(shot.width, again ? kWidth / 2 : kWidth);
        EXPECT_EQ(shot.height, again ? kHeight / 2 : kHeight);
        EXPECT_GE(shot.stride, shot.width * 3);
        EXPECT_EQ(shot.second, shot.ms / 1000);
        EXPECT_TRUE(std::any_of(ranges.begin(), ranges.end(), [&](const Range& r) { return r.Holds(shot.ms); }));
    }
}

TEST_F(ThumbnailGrabberTest, PicturesOfHeldSecondsAreNotMade) {
    ASSERT_TRUE(Open(media_->both));
    recorder_->AnswerHaveFor(5);
    Ask(kPictures, {4500, 6500});
    ASSERT_TRUE(recorder_->WaitForShotAtLeast(6480));
    std::set<int64_t> seconds;
    for (const Shot& shot : recorder_->Shots()) {
        seconds.insert(shot.ms / 1000);
        EXPECT_EQ(shot.second, shot.ms / 1000) << shot.ms;
    }
    EXPECT_EQ(seconds, (std::set<int64_t>{4, 6}));
}

// Requests answered with nothing. Each is queued behind a marker request while the
// worker is held, so it is served before the marker and has been answered once the
// marker's pictures arrive.
TEST_F(ThumbnailGrabberTest, RequestsAnsweredWithNothing) {
    struct Case {
        const char* name;
        std::filesystem::path TestMedia::*file;
        int kind;
        Range range;
    };
    const Case cases[] = {
        {"pictures past the end", &TestMedia::both, kPictures, {25000, 26000}},
        {"pictures past a damaged file's cut", &TestMedia::damaged, kPictures, {16000, 19000}},
        {"sound levels of a file without sound", &TestMedia::videoOnly, kLevels, {0, -1}},
        {"an unknown kind", &TestMedia::both, 7, {0, -1}},
    };
    const Range blocker{2000, 2200}, marker{4000, 4200};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_ = std::make_shared<CShotRecorder>();
        grabber_ = std::make_unique<CFFTakeShoter>(recorder_);
        ASSERT_TRUE(Open(media_->*c.file));
        WhileBusy(blocker, [&] {
            Ask(kPictures, marker);
            Ask(c.kind, c.range);
        });
        ASSERT_TRUE(recorder_->WaitForShotAtLeast(marker.end - 40));
        for (const Shot& shot : recorder_->Shots())
            EXPECT_TRUE(blocker.Holds(shot.ms) || marker.Holds(shot.ms)) << shot.ms;
        EXPECT_TRUE(recorder_->Lists().empty());
    }
}

TEST_F(ThumbnailGrabberTest, LevelCurveFollowsTheTone) {
    struct Case {
        const char* name;
        std::filesystem::path TestMedia::*file;
        int64_t start;
    };
    const Case cases[] = {
        {"whole file with pictures", &TestMedia::both, 0},
        {"whole sound-only file", &TestMedia::soundOnly, 0},
        {"from 10 s", &TestMedia::both, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_ = std::make_shared<CShotRecorder>();
        grabber_ = std::make_unique<CFFTakeShoter>(recorder_);
        ASSERT_TRUE(Open(media_->*c.file));
        Ask(kLevels, {c.start, -1});
        ASSERT_TRUE(recorder_->WaitFor([&] { return !recorder_->Lists().empty(); }));
        const auto [start, levels] = recorder_->Lists().front();
        EXPECT_EQ(start, c.start);
        const int expected = int((kMediaSeconds * 1000 - c.start) / 10);
        // AAC's priming and padding and the seek to a packet's start move the ends a little.
        EXPECT_NEAR(double(levels.size()), expected, 6);
        for (size_t i = 0; i < levels.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_GE(levels[i], 0.0f);
            ASSERT_LE(levels[i], 1.0f);
            const int64_t ms = c.start + int64_t(i) * 10;
            if (ms >= 50 && ms < kToneStartMs - 50) {
                EXPECT_LT(levels[i], 0.01);
            } else if (ms >= std::max<int64_t>(kToneStartMs, c.start) + 100 && ms < kMediaSeconds * 1000 - 200) {
                // (The decoder and the resampler settle within the first 100 ms after a seek.)
                EXPECT_NEAR(levels[i], kToneMeanLevel, 0.03);
            }
        }
    }
}

TEST_F(ThumbnailGrabberTest, DamagedAndMissingFiles) {
    EXPECT_FALSE(Open(media_->missing));
    Ask(kPictures, {0, 1000});  // nothing reads it; no harm
    grabber_->Destroy();

    ASSERT_TRUE(Open(media_->damaged));
    Ask(kLevels, {0, -1});
    ASSERT_TRUE(recorder_->WaitFor([&] { return !recorder_->Lists().empty(); }));
    const size_t levels = recorder_->Lists().front().second.size();
    EXPECT_GT(levels, size_t(5 * kLevelsPerSecond));
    EXPECT_LT(levels, size_t(kMediaSeconds * kLevelsPerSecond));
}

// Requests come from another thread while the worker answers; the grabber then goes
// away mid-request, and one outlives its callback.
TEST_F(ThumbnailGrabberTest, TornDownWhileWorking) {
    ASSERT_TRUE(Open(media_->both));
    Ask(kPictures, {0, -1});
    std::thread asker([&] {
        for (int64_t s = 1; s < kMediaSeconds; ++s) Ask(s % 2 ? kLevels : kPictures, {s * 1000, s * 1000 + 500});
    });
    asker.join();
    ASSERT_TRUE(recorder_->WaitFor([&] { return !recorder_->Shots().empty(); }));
    grabber_.reset();

    grabber_ = std::make_unique<CFFTakeShoter>(recorder_);
    ASSERT_TRUE(Open(media_->both));
    Ask(kLevels, {0, -1});
    recorder_.reset();
    grabber_.reset();
}

}  // namespace
}  // namespace zovi::engine::testing
