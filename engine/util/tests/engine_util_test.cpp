#include <gtest/gtest.h>

#include <cstdint>

#include "engine/util/av_log.h"
#include "engine/util/clock_ns.h"
#include "engine/util/engine_misc.h"
#include "engine/util/tests/av_log_capture.h"
#include "engine/util/trace_scope.h"
#include "platform/base/clock.h"

namespace zovi::engine {
namespace {

using testing::AvLogCapture;

TEST(EngineLog, InfoAndErrorUseWarningAndErrorLevels) {
    AvLogCapture capture;
    AvLogInfo("info %d", 7);
    AvLogError("error %s", "x");
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].level, AV_LOG_WARNING);
    EXPECT_EQ(lines[0].text, "info 7");
    EXPECT_EQ(lines[1].level, AV_LOG_ERROR);
    EXPECT_EQ(lines[1].text, "error x");
}

TEST(TraceScope, BracketsWithEnterAndLeaveOfTheSameText) {
    struct Case {
        const char* name;
        uintptr_t address;
        const char* text;
    } cases[] = {
        {"CCaptureImpl::Stop()", 0x1234, "CCaptureImpl::Stop()00001234"},
        {"Obj", 0xABCDEF012345, "ObjABCDEF012345"},
        {"100%s done", 0x1, "100%s done00000001"},  // stays text, never a format
    };
    for (const Case& c : cases) {
        AvLogCapture capture;
        {
            CTraceScope scope(c.name, reinterpret_cast<const void*>(c.address));
            EXPECT_EQ(scope.Text(), c.text);
        }
        auto lines = capture.Lines();
        ASSERT_EQ(lines.size(), 2u) << c.name;
        EXPECT_EQ(lines[0].text, std::string(c.text) + " Enter...");
        EXPECT_EQ(lines[1].text, std::string(c.text) + " Leave...");
        EXPECT_EQ(lines[0].level, AV_LOG_WARNING);
    }
}

TEST(EngineEncSizeName, NamesEachLevelAndErrorOutside) {
    const std::pair<int, const wchar_t*> cases[] = {{-1, L"ERROR"}, {0, L"360P"},  {1, L"480P"},
                                                    {2, L"720P"},   {3, L"1080P"}, {4, L"2K"},
                                                    {5, L"ERROR"}};
    for (auto [level, name] : cases) EXPECT_EQ(GetEncSizeName(level), name) << level;
}

TEST(EngineVersionTest, TheGatesOfTheEnginePass) {
    EXPECT_TRUE(IsWindows6OrGreater(2, 0));
    EXPECT_TRUE(IsWindows6OrGreater(0, 2));
}

// A test clock that remembers every sleep; a yield moves time on a little.
class RecordingClock : public platform::CManualClock {
public:
    void SleepMilliseconds(DWORD milliseconds) override {
        sleeps.push_back(milliseconds);
        if (milliseconds == 0)
            Advance(100'000);
        else
            CManualClock::SleepMilliseconds(milliseconds);
    }
    std::vector<DWORD> sleeps;
};

class EngineClockTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetClockForTesting(&clock_); }
    void TearDown() override { platform::SetClockForTesting(nullptr); }
    RecordingClock clock_;
};

TEST_F(EngineClockTest, ReadsTheCounterInNanoseconds) {
    const uint64_t start = GetClockNs();
    clock_.Advance(1'234'567);
    EXPECT_EQ(GetClockNs() - start, 1'234'567u);
}

TEST_F(EngineClockTest, PreciseSleepSleepsAllButTheLastMillisecondThenYields) {
    struct Case {
        int64_t aheadNs;
        bool result;
        DWORD longestSleep;
    } cases[] = {
        {-1'000'000, false, 0},  // passed
        {0, false, 0},           // due now
        {500'000, true, 0},      // under a millisecond: yields only
        {1'900'000, true, 0},    // one whole millisecond left: still no real sleep
        {10'300'000, true, 9},
    };
    for (const Case& c : cases) {
        clock_.sleeps.clear();
        const uint64_t deadline =
            static_cast<uint64_t>(static_cast<int64_t>(GetClockNs()) + c.aheadNs);
        EXPECT_EQ(PreciseSleepUntil(deadline), c.result) << c.aheadNs;
        DWORD longest = 0;
        for (DWORD sleep : clock_.sleeps) longest = std::max(longest, sleep);
        EXPECT_EQ(longest, c.longestSleep) << c.aheadNs;
        if (c.result) {
            EXPECT_GE(GetClockNs(), deadline);
        } else {
            EXPECT_TRUE(clock_.sleeps.empty());
        }
    }
}

TEST(EngineRealClock, IsMonotonicAndInNanoseconds) {
    const uint64_t first = GetClockNs();
    Sleep(20);
    const uint64_t second = GetClockNs();
    EXPECT_GE(second - first, 20'000'000u);
    EXPECT_TRUE(PreciseSleepUntil(GetClockNs() + 3'000'000));
}

}  // namespace
}  // namespace zovi::engine
