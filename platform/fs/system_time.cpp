#include "platform/fs/system_time.h"

#include <ctime>

namespace {

void FromTm(const std::tm& tm, long nanoseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

void Now(SYSTEMTIME* out, bool local) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm;
    if (local)
        localtime_r(&now.tv_sec, &tm);
    else
        gmtime_r(&now.tv_sec, &tm);
    FromTm(tm, now.tv_nsec, out);
}

}  // namespace

void GetSystemTime(SYSTEMTIME* time) { Now(time, false); }
void GetLocalTime(SYSTEMTIME* time) { Now(time, true); }

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
    if (ticks >= 0x8000000000000000ull) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t seconds = static_cast<std::int64_t>(ticks / 10000000ull) - 11644473600LL;
    const auto remainder = static_cast<long>(ticks % 10000000ull) * 100;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm;
    if (gmtime_r(&t, &tm) == nullptr || tm.tm_year + 1900 > 30827) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FromTm(tm, remainder, systemTime);
    return TRUE;
}
