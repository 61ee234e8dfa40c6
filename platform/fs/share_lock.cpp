#include "platform/fs/share_lock.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/base/last_error.h"

namespace zovi::platform {

namespace {

// Lock bytes: far above any file size, so no record lock of the file's users meets them.
constexpr off_t kLockBase = off_t(0x7FFFFFFF00000000LL);
constexpr off_t kHoldsRead = kLockBase + 0;
constexpr off_t kHoldsWrite = kLockBase + 1;
constexpr off_t kDeniesRead = kLockBase + 2;
constexpr off_t kDeniesWrite = kLockBase + 3;

bool Lock(int fd, off_t byte, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    int result;
    do {
        result = fcntl(fd, F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// True when another open description holds a lock on the byte.
bool HeldByOther(int fd, off_t byte) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = byte;
    probe.l_len = 1;
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
    return probe.l_type != F_UNLCK;
}

void ReleaseAll(int fd) {
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockBase;
    lock.l_len = 4;
    fcntl(fd, F_OFD_SETLK, &lock);
}

}  // namespace

bool AcquireShareLocks(int lockFd, bool reads, bool writes, DWORD share) {
    const bool deniesRead = (share & 0x1) == 0;   // FILE_SHARE_READ
    const bool deniesWrite = (share & 0x2) == 0;  // FILE_SHARE_WRITE
    // Announce first, check after: of two racing opens at least one sees the other.
    const struct {
        bool wanted;
        off_t byte;
    } held[] = {{reads, kHoldsRead}, {writes, kHoldsWrite}, {deniesRead, kDeniesRead}, {deniesWrite, kDeniesWrite}};
    for (const auto& lock : held) {
        if (lock.wanted && !Lock(lockFd, lock.byte, F_RDLCK)) {
            const int err = errno;
            ReleaseAll(lockFd);
            // A file system without such locks (some network mounts) opens unguarded,
            // as it did before share modes were held.
            if (err == EINVAL || err == ENOLCK || err == EOPNOTSUPP) return true;
            SetLastErrorFromErrno(err);
            return false;
        }
    }
    const bool conflict = (reads && HeldByOther(lockFd, kDeniesRead)) ||
                          (writes && HeldByOther(lockFd, kDeniesWrite)) ||
                          (deniesRead && HeldByOther(lockFd, kHoldsRead)) ||
                          (deniesWrite && HeldByOther(lockFd, kHoldsWrite));
    if (conflict) {
        ReleaseAll(lockFd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    return true;
}

}  // namespace zovi::platform
