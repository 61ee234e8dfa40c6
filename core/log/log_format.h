// The log's texts: line prefixes by format flags (CLogFmt), the header and footer lines,
// the day's file name. Pure functions of the given time and ids.
#pragma once
#include <cstdint>
#include <string>

// Format flags.
enum : std::uint32_t {
    LOG_FMT_DATE = 0x1,
    LOG_FMT_TIME = 0x2,
    LOG_FMT_SECONDS = 0x4,
    LOG_FMT_MILLISECONDS = 0x8,
    LOG_FMT_PROGRESS = 0x10,
    LOG_FMT_THREAD = 0x20,
    LOG_FMT_PROCESS = 0x40,
    LOG_FMT_LEVEL = 0x80,
};

// The program's flags: time, seconds, thread id, process id and level.
inline constexpr std::uint32_t kAppLogFlags = 0xE6;

// A local time with its offset from UTC.
struct LogTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int utcOffsetMinutes = 0;  // local minus UTC, daylight saving included
};

// The current local time.
LogTime CurrentLogTime();

// "ERROR", "WARNING", "INFO", "VERBOSE", "DEBUG"; "" for other values.
const wchar_t* LogLevelName(int level);

class CLogFmt {
public:
    explicit CLogFmt(std::uint32_t flags = kAppLogFlags) : flags_(flags) {}

    // The prefix of a line at `level`: date, time, level, process id, thread id and
    // progress as the flags ask (milliseconds are forced on when maxLevel is 4).
    std::wstring Prefix(const LogTime& time, int level, int maxLevel, std::uint32_t pid,
                        std::uint32_t tid, std::uint32_t done = 0, std::uint32_t total = 0) const;

    std::uint32_t Flags() const { return flags_; }

private:
    std::uint32_t flags_;
};

// "[pid] Log opened on 2024/05/01 12:34:56 (UTC+8:00), logging level: [INFO   ]\n"
std::wstring LogHeaderText(std::uint32_t pid, const LogTime& time, int maxLevel);
// "\n[pid] Log closed on 2024/05/01 12:34:56 (UTC+8:00)\n"
std::wstring LogFooterText(std::uint32_t pid, const LogTime& time);
// "AppLog_2024-05-01.txt"
std::wstring LogFileName(const LogTime& time);
