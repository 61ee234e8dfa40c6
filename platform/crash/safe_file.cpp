#include "platform/crash/safe_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zovi::platform {

namespace {

constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kFolderMode = 0755;

int OpenRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

int SafeCreateFile(const char* path, SafeCreate how, bool* nameTaken) {
    if (nameTaken) *nameTaken = false;
    if (!path || !*path) return -1;
    int flags = O_WRONLY | O_CREAT;
    switch (how) {
        case SafeCreate::kNew: flags |= O_EXCL; break;
        case SafeCreate::kReplace: flags |= O_TRUNC; break;
        case SafeCreate::kAppend: flags |= O_APPEND; break;
    }
    int fd = OpenRetrying(path, flags, kOwnerOnly);
    if (fd < 0 && nameTaken) *nameTaken = errno == EEXIST;
    return fd;
}

int SafeCreateUniqueFile(char* path, size_t suffixLength) {
    if (!path) return -1;
    return mkostemps(path, static_cast<int>(suffixLength), O_CLOEXEC);
}

int SafeOpenToRead(const char* path) {
    if (!path || !*path) return -1;
    return OpenRetrying(path, O_RDONLY, 0);
}

std::ptrdiff_t SafeRead(int fd, void* buffer, size_t size) {
    ssize_t got;
    do {
        got = read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

bool SafeWriteAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    size_t at = 0;
    while (at < size) {
        ssize_t n = write(fd, bytes + at, size - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

void SafeClose(int fd) {
    // A close is never retried: the descriptor is released even when interrupted.
    if (fd >= 0) close(fd);
}

bool SafeDeleteFile(const char* path) { return path && *path && unlink(path) == 0; }

bool SafeExamine(const char* path, SafeFileFacts* facts) {
    struct stat info{};
    if (!path || !*path || stat(path, &info) != 0) return false;
    facts->folder = S_ISDIR(info.st_mode);
    facts->ownerCanWrite = (info.st_mode & S_IWUSR) != 0;
    facts->size = static_cast<uint64_t>(info.st_size);
    facts->modified = static_cast<int64_t>(info.st_mtime);
    return true;
}

bool SafeCreateParentFolders(const char* path) {
    if (!path || path[0] != '/') return false;
    char folder[4096];
    size_t length = std::strlen(path);
    if (length >= sizeof folder) return false;
    std::memcpy(folder, path, length + 1);
    char* last = std::strrchr(folder, '/');
    if (last == folder) return true;
    *last = '\0';
    for (char* p = folder + 1;; ++p) {
        if (*p == '/' || *p == '\0') {
            char saved = *p;
            *p = '\0';
            if (mkdir(folder, kFolderMode) != 0 && errno != EEXIST) return false;
            *p = saved;
            if (saved == '\0') break;
        }
    }
    return true;
}

}  // namespace zovi::platform
