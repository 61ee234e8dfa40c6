#include "platform/process/child_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/last_error.h"

namespace zovi::platform {

bool WriteAll(int fd, const void* data, size_t size) {
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            SetLastError(errno == EPIPE ? ERROR_BROKEN_PIPE : Win32ErrorFromErrno(errno));
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ssize_t ReadSome(int fd, void* buffer, size_t size) {
    ssize_t got;
    do {
        got = read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) SetLastErrorFromErrno();
    return got;
}

size_t ReadFull(int fd, void* buffer, size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    size_t total = 0;
    while (total < size) {
        ssize_t got = ReadSome(fd, bytes + total, size - total);
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    return total;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool ProbeNewFile(const std::string& path) {
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        // With O_CREAT a missing name can only be a missing folder.
        SetLastError(errno == EEXIST   ? ERROR_FILE_EXISTS
                     : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                       : Win32ErrorFromErrno(errno));
        return false;
    }
    close(fd);
    unlink(path.c_str());
    return true;
}

void IgnoreBrokenPipeSignal() { signal(SIGPIPE, SIG_IGN); }

namespace {

int g_nullInput = -1;
volatile sig_atomic_t g_terminated = 0;

void EndInput(int) {
    const int saved = errno;
    g_terminated = 1;
    if (g_nullInput >= 0) dup2(g_nullInput, STDIN_FILENO);
    errno = saved;
}

}  // namespace

bool TreatTerminationAsEndOfInput() {
    IgnoreBrokenPipeSignal();
    if (g_nullInput < 0) g_nullInput = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (g_nullInput < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    struct sigaction action {};
    action.sa_handler = EndInput;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a blocked read returns and reads again
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &action, nullptr);
    return true;
}

bool TerminationRequested() { return g_terminated != 0; }

double EndedChildrenCpuSeconds() {
    struct rusage usage {};
    if (getrusage(RUSAGE_CHILDREN, &usage) != 0) return 0;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace zovi::platform
