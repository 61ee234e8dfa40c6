// The calling process and thread for the crash path, through calls that allocate nothing
// and take no lock: their kernel ids, pauses, the program's own path and the local time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace zovi::platform {

int SafeProcessId();
int SafeThreadId();

// Sleeps about `milliseconds` (an arriving signal may end it early).
void SafePause(unsigned milliseconds);
// Sleeps until the process ends.
[[noreturn]] void SafeWaitForever();

// The running program's path (UTF-8) into out[0..capacity) with a terminator, cut to fit;
// its length, 0 when it cannot be read.
size_t SafeOwnProgramPath(char* out, size_t capacity);

// The local calendar time of `seconds` since 1970-01-01 UTC, and of now. Call
// WarmLocalTime once outside any fault handler first: the time zone is then read, so a
// crash never reads it.
void WarmLocalTime();
struct tm SafeLocalTime(int64_t seconds);
struct tm SafeLocalTimeNow();

}  // namespace zovi::platform
