#include "platform/fs/private_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/base/last_error.h"
#include "platform/fs/win_file.h"

namespace zovi::platform {

namespace {

bool WriteAll(int fd, const void* bytes, size_t n) {
    const char* data = static_cast<const char*>(bytes);
    while (n > 0) {
        const ssize_t done = write(fd, data, n);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return false;
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        data += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

// The rename is durable once the folder's entry is on the disk too.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

bool ReplacePrivateFile(const std::wstring& path, const void* bytes, size_t n) {
    const std::string target = ToSystemPath(path);
    if (target.empty() || target.back() == '/') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string temp = target + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    bool ok = WriteAll(fd, bytes, n) && fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        SetLastErrorFromErrno(error);
        return false;
    }
    SyncFolderOf(target);
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace zovi::platform
