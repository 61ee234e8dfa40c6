// A broken-down date and time and its day number: 1 January of the year 1 (proleptic
// Gregorian) is day 1, the time of day a fraction of 86400 seconds.
#pragma once
#include <cstdint>

#include "platform/fs/win_file.h"

struct CDateTime {
    std::int32_t year = 0;
    std::int32_t month = 0;  // 1-12
    std::int32_t day = 0;    // 1-31
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t dayOfWeek = 0;  // 0 Sunday to 6 Saturday

    static constexpr int kUtc = 1;
    static constexpr int kLocal = 2;

    // Mode 1: UTC; mode 2: local time; any other mode: every field 0.
    void Now(int mode);
    void FromFileTime(const FILETIME& fileTime);
    // False with `days` 0 for a month outside 1-12 or a day outside the month.
    bool ToDays(double& days) const;
    void FromDays(double days);

    bool operator==(const CDateTime&) const = default;
};

// The current UTC time as a day number.
double NowUtcDays();
bool IsLeapYear(std::int32_t year);
