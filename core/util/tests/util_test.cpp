#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "core/util/date_time.h"
#include "core/util/error_message.h"
#include "core/util/numbers.h"

namespace {

CDateTime Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    CDateTime t;
    t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s;
    return t;
}

TEST(DateTimeTest, DayNumbers) {
    struct Case {
        CDateTime date;
        double days;
    } cases[] = {
        {Make(1, 1, 1), 1.0},
        {Make(1, 1, 2, 12), 2.5},
        {Make(1, 12, 31), 365.0},
        {Make(2, 1, 1), 366.0},
        {Make(1970, 1, 1), 719163.0},
        {Make(2000, 3, 1, 6), 730180.25},
    };
    for (const auto& c : cases) {
        double days = -1;
        EXPECT_TRUE(c.date.ToDays(days));
        EXPECT_DOUBLE_EQ(days, c.days) << c.date.year << "-" << c.date.month << "-" << c.date.day;
    }
    for (const CDateTime& bad : {Make(1900, 2, 29), Make(2023, 13, 1), Make(2023, 0, 1), Make(2023, 4, 31),
                                 Make(2023, 1, 0)}) {
        double days = 5;
        EXPECT_FALSE(bad.ToDays(days));
        EXPECT_EQ(days, 0.0);
    }
    double leap;
    EXPECT_TRUE(Make(2000, 2, 29).ToDays(leap));
    EXPECT_TRUE(Make(2024, 2, 29).ToDays(leap));
}

TEST(DateTimeTest, FromDaysRoundTripsWithTheDayOfWeek) {
    struct Case {
        CDateTime date;
        int dayOfWeek;
    } cases[] = {
        {Make(1, 1, 1), 1},                  // a Monday
        {Make(1600, 2, 29, 23, 59, 59), 2},
        {Make(1900, 3, 1, 0, 0, 1), 4},
        {Make(1970, 1, 1), 4},
        {Make(1999, 12, 31, 23, 59, 59), 5},
        {Make(2000, 2, 29, 12, 30, 30), 2},
        {Make(2024, 12, 31, 8, 5, 9), 2},
        {Make(2026, 12, 10, 13, 23, 7), 4},
        {Make(2100, 3, 1, 1, 2, 3), 1},
        {Make(9999, 12, 31, 23, 59, 59), 5},
    };
    for (const auto& c : cases) {
        double days;
        ASSERT_TRUE(c.date.ToDays(days));
        CDateTime back;
        back.FromDays(days);
        CDateTime expected = c.date;
        expected.dayOfWeek = c.dayOfWeek;
        EXPECT_EQ(back, expected) << c.date.year << "-" << c.date.month << "-" << c.date.day << " got "
                                  << back.year << "-" << back.month << "-" << back.day << " " << back.hour
                                  << ":" << back.minute << ":" << back.second << " dow " << back.dayOfWeek;
    }
    // Just before midnight rounds into the next day.
    CDateTime late;
    late.FromDays(2.0 - 0.2 / 86400.0);
    CDateTime nextDay = Make(1, 1, 2);
    nextDay.dayOfWeek = 2;
    EXPECT_EQ(late, nextDay) << late.day << " " << late.hour;
}

TEST(DateTimeTest, NowAndFileTimes) {
    CDateTime zero;
    zero.year = 7;
    zero.Now(0);
    EXPECT_EQ(zero, CDateTime{});

    // FILETIME of 2001-02-03 04:05:06 UTC.
    const std::uint64_t ticks = (981173106ull + 11644473600ull) * 10000000ull + 1234567;
    CDateTime fromFile;
    fromFile.FromFileTime(FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)});
    CDateTime expected = Make(2001, 2, 3, 4, 5, 6);
    expected.dayOfWeek = 6;
    EXPECT_EQ(fromFile, expected);

    CDateTime utc;
    utc.Now(CDateTime::kUtc);
    const std::time_t now = std::time(nullptr);
    std::tm tm;
    gmtime_r(&now, &tm);
    EXPECT_EQ(utc.year, tm.tm_year + 1900);
    EXPECT_EQ(utc.dayOfWeek, tm.tm_wday);
    const double days = NowUtcDays();
    EXPECT_NEAR(days, 719163.0 + now / 86400.0, 1.0 / 24);
}

TEST(NumbersTest, RoundingAndClampedMapping) {
    struct Round {
        double in, out;
    } rounds[] = {{2.5, 3}, {-2.5, -3}, {2.4999, 2}, {-0.5, -1}, {0.49, 0}, {187.5, 188}};
    for (const auto& r : rounds) EXPECT_EQ(RoundHalfAwayFromZero(r.in), r.out) << r.in;
    struct Map {
        double x, x0, x1, y0, y1, out;
    } maps[] = {
        {5, 0, 10, 0, 100, 50}, {-5, 0, 10, 0, 100, 0},   {15, 0, 10, 0, 100, 100},
        {5, 0, 10, 100, 0, 50}, {20, 0, 10, 100, 0, 0},   {3, 3, 3, 7, 9, 9},
    };
    for (const auto& m : maps) EXPECT_DOUBLE_EQ(MapRangeClamped(m.x, m.x0, m.x1, m.y0, m.y1), m.out);
}

TEST(ErrorMessageTest, TextsWithoutLineBreaksOrTheNumber) {
    struct Case {
        DWORD code;
        std::wstring text;
    } cases[] = {
        {5, L"Access is denied."},
        {112, L"There is not enough space on the disk."},
        {0xDEAD, L"57005"},
        {12002, L"The operation timed out."},
        {12999, L"12999"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatErrorMessage(c.code), c.text) << c.code;
}

}  // namespace
