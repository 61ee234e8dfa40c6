// The object behind a file handle, and stat results as Win32 records (inside the file
// layer only).
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs/handle.h"
#include "platform/fs/win_file.h"

namespace zovi::platform {

struct FileObject : KernelObject {
    explicit FileObject(int descriptor, int shareLockDescriptor = -1)
        : fd(descriptor), shareLockFd(shareLockDescriptor) {}
    ~FileObject() override {
        if (shareLockFd >= 0) ::close(shareLockFd);
        ::close(fd);
    }
    int fd;
    // A second, readable open of the file holding the share locks when `fd` is write-only
    // (a shared lock needs a readable descriptor); -1 when `fd` holds them itself.
    int shareLockFd;
};

FileObject* FileFromHandle(HANDLE handle);

// The attributes, times and size of a stat result into a Win32 attribute record.
template <class Data>
void FillFromStat(const struct stat& info, Data* data) {
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if ((info.st_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    data->dwFileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    data->ftCreationTime = FileTimeFromUnix(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
    data->ftLastAccessTime = FileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    data->ftLastWriteTime = FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    const auto size = static_cast<std::uint64_t>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
}

}  // namespace zovi::platform
