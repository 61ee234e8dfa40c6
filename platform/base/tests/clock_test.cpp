#include <gtest/gtest.h>

#include "platform/base/clock.h"

namespace zovi::platform {
namespace {

TEST(ClockTest, RealCounterIsMonotonicAndSleepWaits) {
    LONGLONG frequency = 0, before = 0, after = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency, 1'000'000'000);
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    Sleep(20);
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    EXPECT_GE(after - before, 20 * frequency / 1000);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST(ClockTest, ManualClockStandsStillUntilAdvancedOrSlept) {
    CManualClock manual;
    SetClockForTesting(&manual);
    LONGLONG start = 0, later = 0;
    QueryPerformanceCounter(&start);
    QueryPerformanceCounter(&later);
    EXPECT_EQ(later, start);
    Sleep(40);
    manual.Advance(5'000'000);
    QueryPerformanceCounter(&later);
    EXPECT_EQ(later - start, 45'000'000);
    EXPECT_EQ(GetTickCount64(), static_cast<ULONGLONG>(later / 1'000'000));
    SetClockForTesting(nullptr);
    QueryPerformanceCounter(&later);
    EXPECT_NE(later - start, 45'000'000);
}

}  // namespace
}  // namespace zovi::platform
