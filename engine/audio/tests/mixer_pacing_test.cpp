// The mixer's block timing against a clock the test steps: each sleep of the mixing
// thread waits until the test lets it go, so every pass sees a time the test chose.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/audio/audio_io_core.h"
#include "platform/base/clock.h"

namespace zovi::engine {
namespace {

class CSteppedClock : public platform::IClock {
public:
    LONGLONG NowNanoseconds() override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void SleepMilliseconds(DWORD) override {
        std::unique_lock lock(mutex_);
        const long long mine = ++sleeps_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_ >= mine || free_; });
    }
    // Waits until the mixing thread sleeps for the `count`th time.
    bool WaitForSleep(long long count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return sleeps_ >= count; });
    }
    long long Sleeps() {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }
    // Sets the time and ends the current sleep.
    void Release(LONGLONG now) {
        std::lock_guard lock(mutex_);
        now_ = now;
        released_ = sleeps_;
        changed_.notify_all();
    }
    void RunFree() {
        std::lock_guard lock(mutex_);
        free_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    LONGLONG now_ = 5'000'000'000;
    long long sleeps_ = 0;
    long long released_ = 0;
    bool free_ = false;
};

class CBlockCounter : public IAudioOutput {
public:
    bool OnAudioFrame(float**, int frames, int64_t runningCount) override {
        std::lock_guard lock(mutex_);
        EXPECT_EQ(frames, 1024);
        EXPECT_EQ(runningCount, last_ + 1024);
        last_ = runningCount;
        return true;
    }
    int64_t Last() {
        std::lock_guard lock(mutex_);
        return last_;
    }

private:
    std::mutex mutex_;
    int64_t last_ = 0;
};

class MixerPacingTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetClockForTesting(&clock_); }
    void TearDown() override {
        clock_.RunFree();
        if (core_) core_->Stop();
        core_.reset();
        platform::SetClockForTesting(nullptr);
    }
    void StartCore(int rate, bool unpaused) {
        core_ = std::make_shared<CAudioIOCore>(2, 8, rate, sink_);
        if (unpaused) core_->SetPause(false);
        ASSERT_TRUE(core_->Start());
    }
    // Lets the thread finish its current pass with time `now` on the clock for the
    // next one; returns when it sleeps again (the blocks of that pass are out).
    void Step(LONGLONG now) {
        const long long sleeps = clock_.Sleeps();
        clock_.Release(now);
        ASSERT_TRUE(clock_.WaitForSleep(sleeps + 1));
    }
    // Brings the thread to a pass that has read `now` and emitted what is due by then.
    void Pass(LONGLONG now) {
        Step(now);
        Step(now);
    }
    // Blocks due when a pass reads `elapsed` ns of unpaused time.
    // Block k is due once floor((k - 1) * 1024 * 1e9 / rate) <= elapsed.
    static int64_t Due(int64_t elapsed, int rate) {
        const int64_t blockScaled = 1024LL * 1'000'000'000;
        return ((elapsed + 1) * rate + blockScaled - 1) / blockScaled;
    }

    CSteppedClock clock_;
    std::shared_ptr<CBlockCounter> sink_ = std::make_shared<CBlockCounter>();
    std::shared_ptr<CAudioIOCore> core_;
};

class MixerPacingRate : public MixerPacingTest, public ::testing::WithParamInterface<int> {};

TEST_P(MixerPacingRate, BlockCountFollowsElapsedTimeOverALongRun) {
    const int rate = GetParam();
    StartCore(rate, true);
    const LONGLONG start = clock_.NowNanoseconds();
    ASSERT_TRUE(clock_.WaitForSleep(1));
    // Ten minutes of irregular passes, 1 to 60 ms apart. Each pass emits what was due
    // at the time the pass before it read.
    LONGLONG previous = start;
    int step = 0;
    while (previous - start < 600LL * 1'000'000'000) {
        const LONGLONG now = previous + (1 + (step++ * 7919) % 60) * 1'000'000LL;
        Step(now);
        ASSERT_EQ(sink_->Last() / 1024, Due(previous - start, rate)) << "at " << previous - start;
        previous = now;
    }
    EXPECT_NEAR(static_cast<double>(sink_->Last()), 600.0 * rate, 1024.0);
}

INSTANTIATE_TEST_SUITE_P(Rates, MixerPacingRate, ::testing::Values(44100, 48000));

TEST_F(MixerPacingTest, ALateMixerCatchesUpWithTheDueBlocks) {
    StartCore(44100, true);
    const LONGLONG start = clock_.NowNanoseconds();
    ASSERT_TRUE(clock_.WaitForSleep(1));
    Step(start + 2'000'000'000);  // the pass that read `start` emits the first block
    EXPECT_EQ(sink_->Last(), 1024);
    Step(start + 2'000'000'000);  // a pass two seconds late emits all that is due
    EXPECT_EQ(sink_->Last(), 87 * 1024);
    EXPECT_EQ(sink_->Last() / 1024, Due(2'000'000'000, 44100));
}

TEST_F(MixerPacingTest, PausedTimeIsLeftOutAndAPausedStartEmitsNothing) {
    StartCore(48000, false);  // created paused, never cleared yet
    const LONGLONG start = clock_.NowNanoseconds();
    ASSERT_TRUE(clock_.WaitForSleep(1));
    for (int i = 1; i <= 50; ++i) Pass(start + i * 100'000'000LL);
    EXPECT_EQ(sink_->Last(), 0);

    core_->SetPause(false);
    const LONGLONG resumed = start + 5'000'000'000;
    Pass(resumed);
    EXPECT_EQ(sink_->Last(), 1024);
    Pass(resumed + 1'000'000'000);
    const int64_t afterRun = sink_->Last();
    EXPECT_EQ(afterRun / 1024, Due(1'000'000'000, 48000));

    core_->SetPause(true);
    for (int i = 0; i <= 50; ++i) Pass(resumed + 1'000'000'000 + i * 100'000'000LL);
    EXPECT_EQ(sink_->Last(), afterRun);  // nothing while paused

    core_->SetPause(false);
    const LONGLONG again = resumed + 6'000'000'000;
    Pass(again);
    Pass(again + 500'000'000);
    // No burst for the five paused seconds: only unpaused time counts.
    EXPECT_EQ(sink_->Last() / 1024, Due(1'500'000'000, 48000));
}

}  // namespace
}  // namespace zovi::engine
