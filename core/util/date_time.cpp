#include "core/util/date_time.h"

#include <cmath>

#include "platform/fs/system_time.h"

namespace {

constexpr std::int32_t kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

std::int64_t DaysBeforeYear(std::int64_t year) {
    const std::int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

void FromSystemTime(CDateTime& out, const SYSTEMTIME& time) {
    out.year = time.wYear;
    out.month = time.wMonth;
    out.day = time.wDay;
    out.hour = time.wHour;
    out.minute = time.wMinute;
    out.second = time.wSecond;
    out.dayOfWeek = time.wDayOfWeek;
}

}  // namespace

bool IsLeapYear(std::int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

void CDateTime::Now(int mode) {
    SYSTEMTIME time{};
    if (mode == kUtc)
        GetSystemTime(&time);
    else if (mode == kLocal)
        GetLocalTime(&time);
    else
        time = SYSTEMTIME{};
    FromSystemTime(*this, time);
}

void CDateTime::FromFileTime(const FILETIME& fileTime) {
    SYSTEMTIME time{};
    FileTimeToSystemTime(&fileTime, &time);
    FromSystemTime(*this, time);
}

bool CDateTime::ToDays(double& days) const {
    const int leap = IsLeapYear(year) ? 1 : 0;
    if (month < 1 || month > 12 || day < 1 ||
        day > kDaysBeforeMonth[leap][month] - kDaysBeforeMonth[leap][month - 1]) {
        days = 0;
        return false;
    }
    const std::int64_t whole = DaysBeforeYear(year) + kDaysBeforeMonth[leap][month - 1] + day;
    days = static_cast<double>(whole) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return true;
}

void CDateTime::FromDays(double days) {
    std::int64_t whole = static_cast<std::int64_t>(std::floor(days));
    // The time of day to the nearest second; a day's end rounds into the next day.
    std::int64_t seconds = static_cast<std::int64_t>((days - static_cast<double>(whole)) * 86400.0 + 0.5);
    if (seconds >= 86400) {
        ++whole;
        seconds -= 86400;
    }
    std::int64_t y = static_cast<std::int64_t>(static_cast<double>(whole) / 365.2425) + 1;
    while (y > 1 && DaysBeforeYear(y) >= whole) --y;
    while (DaysBeforeYear(y + 1) < whole) ++y;
    const std::int32_t dayOfYear = static_cast<std::int32_t>(whole - DaysBeforeYear(y));
    const int leap = IsLeapYear(static_cast<std::int32_t>(y)) ? 1 : 0;
    std::int32_t m = 1;
    while (m < 12 && dayOfYear > kDaysBeforeMonth[leap][m]) ++m;
    year = static_cast<std::int32_t>(y);
    month = m;
    day = dayOfYear - kDaysBeforeMonth[leap][m - 1];
    hour = static_cast<std::int32_t>(seconds / 3600);
    minute = static_cast<std::int32_t>(seconds % 3600 / 60);
    second = static_cast<std::int32_t>(seconds % 60);
    dayOfWeek = static_cast<std::int32_t>(((whole % 7) + 7) % 7);  // day 1 was a Monday
}

double NowUtcDays() {
    CDateTime now;
    now.Now(CDateTime::kUtc);
    double days = 0;
    now.ToDays(days);
    return days;
}
