#include "platform/crash/safe_process.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>


namespace zovi::platform {

int SafeProcessId() { return static_cast<int>(getpid()); }

int SafeThreadId() { return static_cast<int>(syscall(SYS_gettid)); }

void SafePause(unsigned milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

void SafeWaitForever() {
    for (;;) pause();
}

size_t SafeOwnProgramPath(char* out, size_t capacity) {
    if (!out || capacity == 0) return 0;
    ssize_t length = readlink("/proc/self/exe", out, capacity - 1);
    size_t kept = length > 0 ? static_cast<size_t>(length) : 0;
    out[kept] = '\0';
    return kept;
}

void WarmLocalTime() { SafeLocalTimeNow(); }

struct tm SafeLocalTime(int64_t seconds) {
    time_t t = static_cast<time_t>(seconds);
    struct tm local{};
    localtime_r(&t, &local);
    return local;
}

struct tm SafeLocalTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return SafeLocalTime(now.tv_sec);
}

}  // namespace zovi::platform
