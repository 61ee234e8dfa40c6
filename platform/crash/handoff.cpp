#include "platform/crash/handoff.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace zovi::platform {

namespace {

// Marks every descriptor from 3 up close-on-exec (the status pipe included: it closes at
// a successful execve and stays usable when execve fails).
void CloseInheritedOnExec() {
    if (syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
    // Kernels before 5.11: every possible descriptor one by one.
    struct rlimit limit{};
    rlim_t top = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                     ? limit.rlim_cur
                     : 65536;
    for (rlim_t fd = 3; fd < top; ++fd) fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
}

[[noreturn]] void ExecOrReport(const char* path, char* const argv[], char* const envp[], int statusFd) {
    CloseInheritedOnExec();
    execve(path, argv, envp);
    int error = errno;
    ssize_t ignored = write(statusFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

}  // namespace

bool StartProgramSignalSafe(const char* path, char* const argv[], char* const envp[], bool detach) {
    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0) return false;
    pid_t child = _Fork();
    if (child < 0) {
        close(status[0]);
        close(status[1]);
        return false;
    }
    if (child == 0) {
        close(status[0]);
        if (detach) {
            pid_t grandchild = _Fork();
            if (grandchild > 0) _exit(0);
            if (grandchild < 0) {
                int error = errno;
                ssize_t ignored = write(status[1], &error, sizeof error);
                (void)ignored;
                _exit(127);
            }
        }
        ExecOrReport(path, argv, envp, status[1]);
    }
    close(status[1]);
    if (detach) {
        int ignored = 0;
        while (waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
        }
    }
    // End of file: execve closed the pipe; data: the errno of a failed execve.
    int error = 0;
    ssize_t got;
    do {
        got = read(status[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(status[0]);
    return got == 0;
}

size_t EnvironmentWith(char* extra, char** out, size_t capacity) {
    size_t count = 0;
    for (char** p = environ; p && *p && count + 2 < capacity; ++p) out[count++] = *p;
    out[count++] = extra;
    out[count] = nullptr;
    return count;
}

}  // namespace zovi::platform
