#include "core/log/log_format.h"

#include <cstdint>
#include <cstdlib>

#include "platform/base/wformat.h"
#include "platform/fs/system_time.h"

using zovi::platform::FormatWide;

namespace {

// Minutes since 1970-01-01 of a broken-down time (days from the civil calendar).
std::int64_t MinutesSinceEpoch(const SYSTEMTIME& t) {
    const int y = t.wYear - (t.wMonth <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int month = t.wMonth;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + t.wDay - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = std::int64_t(era) * 146097 + dayOfEra - 719468;
    return (days * 24 + t.wHour) * 60 + t.wMinute;
}

}  // namespace

LogTime CurrentLogTime() {
    SYSTEMTIME local{}, utc{};
    GetLocalTime(&local);
    GetSystemTime(&utc);
    LogTime t;
    t.year = local.wYear;
    t.month = local.wMonth;
    t.day = local.wDay;
    t.hour = local.wHour;
    t.minute = local.wMinute;
    t.second = local.wSecond;
    t.millisecond = local.wMilliseconds;
    // Offsets are whole quarter hours; rounding absorbs a minute that turned between
    // the two readings.
    const std::int64_t minutes = MinutesSinceEpoch(local) - MinutesSinceEpoch(utc);
    t.utcOffsetMinutes = static_cast<int>((minutes >= 0 ? minutes + 7 : minutes - 7) / 15 * 15);
    return t;
}

const wchar_t* LogLevelName(int level) {
    static const wchar_t* const kNames[] = {L"ERROR", L"WARNING", L"INFO", L"VERBOSE", L"DEBUG"};
    return (level >= 0 && level <= 4) ? kNames[level] : L"";
}

std::wstring CLogFmt::Prefix(const LogTime& t, int level, int maxLevel, std::uint32_t pid,
                             std::uint32_t tid, std::uint32_t done, std::uint32_t total) const {
    std::uint32_t flags = flags_;
    if (maxLevel == 4) flags |= LOG_FMT_MILLISECONDS;
    auto w = [](int v) { return static_cast<unsigned short>(v); };
    std::wstring out;
    if (flags & LOG_FMT_DATE) out += FormatWide(L"%04hu/%02hu/%02hu", w(t.year), w(t.month), w(t.day));
    if (flags & LOG_FMT_TIME) {
        if (flags & LOG_FMT_DATE) out += L' ';
        if (!(flags & LOG_FMT_SECONDS)) {
            out += FormatWide(L"%02hu:%02hu", w(t.hour), w(t.minute));
        } else if (!(flags & LOG_FMT_MILLISECONDS)) {
            out += FormatWide(L"%02hu:%02hu:%02hu", w(t.hour), w(t.minute), w(t.second));
        } else {
            out += FormatWide(L"%02hu:%02hu:%02hu.%03hu", w(t.hour), w(t.minute), w(t.second),
                              w(t.millisecond));
        }
    }
    out += L' ';
    if (flags & LOG_FMT_LEVEL) out += FormatWide(L"[%-7s] ", LogLevelName(level));
    if (flags & LOG_FMT_PROCESS) out += FormatWide(L"[%u] ", pid);
    if (flags & LOG_FMT_THREAD) out += FormatWide(L"[%u] ", tid);
    if (flags & LOG_FMT_PROGRESS) {
        unsigned percent = 0;
        if (done > total) {
            percent = 100;
        } else if (total > 0) {
            percent = static_cast<unsigned>((done * 100.0) / total + 0.5);
        }
        out += FormatWide(L"%u%% ", percent);
    }
    return out;
}

namespace {

std::wstring DateTimeText(const LogTime& t) {
    return FormatWide(L"%04d/%02u/%02u %02u:%02u:%02u", t.year, unsigned(t.month), unsigned(t.day),
                      unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
}

// Hours signed, minutes as their absolute value: "(UTC+8:00)", "(UTC-3:30)".
std::wstring UtcOffsetText(const LogTime& t) {
    return FormatWide(L"(UTC%+02d:%02u)", t.utcOffsetMinutes / 60,
                      unsigned(std::abs(t.utcOffsetMinutes % 60)));
}

}  // namespace

std::wstring LogHeaderText(std::uint32_t pid, const LogTime& time, int maxLevel) {
    std::wstring level = FormatWide(L"[%-7s]", LogLevelName(maxLevel));
    return FormatWide(L"[%u] Log opened on %s %s, logging level: %s\n", pid, DateTimeText(time).c_str(),
                      UtcOffsetText(time).c_str(), level.c_str());
}

std::wstring LogFooterText(std::uint32_t pid, const LogTime& time) {
    return FormatWide(L"\n[%u] Log closed on %s %s\n", pid, DateTimeText(time).c_str(),
                      UtcOffsetText(time).c_str());
}

std::wstring LogFileName(const LogTime& t) {
    std::wstring date = FormatWide(L"%04u-%02u-%02u", unsigned(t.year), unsigned(t.month), unsigned(t.day));
    return FormatWide(L"AppLog_%s.txt", date.c_str());
}
