#include "platform/fs/win_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/base/utf8.h"
#include "platform/fs/file_object.h"
#include "platform/fs/share_lock.h"

namespace zovi::platform {

std::wstring NormalizeSeparators(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

std::string ToSystemPath(const std::wstring& path) {
    return EncodeUtf8Lossless(NormalizeSeparators(path));
}

FILETIME FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL +
                                static_cast<std::uint64_t>(nanoseconds / 100);
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

FileObject* FileFromHandle(HANDLE handle) {
    return dynamic_cast<FileObject*>(ObjectFromHandle(handle));
}

}  // namespace zovi::platform

using namespace zovi::platform;

namespace {

bool Fail() {
    SetLastErrorFromErrno();
    return false;
}

bool NullPath(const wchar_t* path) {
    if (path != nullptr && *path != 0) return false;
    SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
    return true;
}

}  // namespace

BOOL CloseHandle(HANDLE handle) {
    KernelObject* object = ObjectFromHandle(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete object;
    return TRUE;
}

HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* /*security*/,
                   DWORD disposition, DWORD /*attributes*/, HANDLE /*templateFile*/) {
    if (NullPath(path)) return INVALID_HANDLE_VALUE;
    int flags = O_CLOEXEC;
    const bool reading = (access & GENERIC_READ) != 0;
    const bool appending = (access & FILE_APPEND_DATA) != 0 && (access & GENERIC_WRITE) == 0;
    const bool writing = (access & GENERIC_WRITE) != 0 || appending;
    flags |= reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    if (appending) flags |= O_APPEND;
    switch (disposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        // Emptying waits for the share check: a file another open guards stays whole.
        case CREATE_ALWAYS: flags |= O_CREAT; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING: break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    const std::string systemPath = ToSystemPath(path);
    bool existed = false;
    struct stat info;
    if (stat(systemPath.c_str(), &info) == 0) {
        existed = true;
        if (S_ISDIR(info.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    int fd;
    do {
        fd = open(systemPath.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EEXIST)
            SetLastError(ERROR_FILE_EXISTS);
        else if (errno == ENOENT && disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    // Only regular files are guarded: devices (/dev/null) are shared by every process.
    struct stat opened;
    const bool regular = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
    int shareLockFd = -1;
    if (regular && !reading) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        shareLockFd = open(self.c_str(), O_RDONLY | O_CLOEXEC);
    }
    auto* object = new FileObject(fd, shareLockFd);
    // A write-only file we may not read keeps no share locks (it cannot hold them).
    const int lockFd = !regular ? -1 : reading ? fd : shareLockFd;
    if (lockFd >= 0 && !AcquireShareLocks(lockFd, reading, writing, share)) {
        const DWORD error = GetLastError();
        delete object;
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (regular && writing && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) &&
        ftruncate(fd, 0) != 0) {
        SetLastErrorFromErrno();
        delete object;
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return static_cast<KernelObject*>(object);
}

namespace {

off_t OffsetOf(const OVERLAPPED* overlapped) {
    return static_cast<off_t>((static_cast<std::uint64_t>(overlapped->OffsetHigh) << 32) |
                              overlapped->Offset);
}

}  // namespace

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    FileObject* object = FileFromHandle(file);
    if (read != nullptr) *read = 0;
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD total = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (total < toRead) {
        const ssize_t n = overlapped != nullptr
                              ? ::pread(object->fd, bytes + total, toRead - total, OffsetOf(overlapped) + total)
                              : ::read(object->fd, bytes + total, toRead - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (read != nullptr) *read = total;
            return Fail();
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (read != nullptr) *read = total;
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped) {
    FileObject* object = FileFromHandle(file);
    if (written != nullptr) *written = 0;
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD total = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (total < toWrite) {
        const ssize_t n = overlapped != nullptr
                              ? ::pwrite(object->fd, bytes + total, toWrite - total, OffsetOf(overlapped) + total)
                              : ::write(object->fd, bytes + total, toWrite - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written != nullptr) *written = total;
            return Fail();
        }
        if (n == 0) {
            if (written != nullptr) *written = total;
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    if (written != nullptr) *written = total;
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LONGLONG distance, LONGLONG* newPosition, DWORD method) {
    FileObject* object = FileFromHandle(file);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const off_t position = lseek(object->fd, distance, whence);
    if (position < 0) return Fail();
    if (newPosition != nullptr) *newPosition = position;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, LONGLONG* size) {
    FileObject* object = FileFromHandle(file);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    struct stat info;
    if (fstat(object->fd, &info) != 0) return Fail();
    *size = info.st_size;
    return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
    FileObject* object = FileFromHandle(file);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const off_t position = lseek(object->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(object->fd, position) != 0) return Fail();
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    FileObject* object = FileFromHandle(file);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return fsync(object->fd) == 0 ? TRUE : Fail();
}

BOOL CreateDirectoryW(const wchar_t* path, void* /*security*/) {
    if (NullPath(path)) return FALSE;
    return mkdir(ToSystemPath(path).c_str(), 0777) == 0 ? TRUE : Fail();
}

BOOL RemoveDirectoryW(const wchar_t* path) {
    if (NullPath(path)) return FALSE;
    return rmdir(ToSystemPath(path).c_str()) == 0 ? TRUE : Fail();
}

BOOL DeleteFileW(const wchar_t* path) {
    if (NullPath(path)) return FALSE;
    const std::string systemPath = ToSystemPath(path);
    struct stat info;
    if (lstat(systemPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return unlink(systemPath.c_str()) == 0 ? TRUE : Fail();
}

BOOL MoveFileW(const wchar_t* from, const wchar_t* to) { return MoveFileExW(from, to, 0); }

BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags) {
    if (NullPath(from) || NullPath(to)) return FALSE;
    if ((flags & ~MOVEFILE_REPLACE_EXISTING) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string source = ToSystemPath(from);
    const std::string target = ToSystemPath(to);
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
        return renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0
                   ? TRUE
                   : Fail();
    }
    struct stat info;
    if (lstat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return rename(source.c_str(), target.c_str()) == 0 ? TRUE : Fail();
}

BOOL GetFileAttributesExW(const wchar_t* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (NullPath(path)) return FALSE;
    if (infoLevel != GetFileExInfoStandard || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat info;
    if (stat(ToSystemPath(path).c_str(), &info) != 0) return Fail();
    FillFromStat(info, data);
    return TRUE;
}

DWORD GetFileAttributesW(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path, GetFileExInfoStandard, &data) ? data.dwFileAttributes
                                                                    : INVALID_FILE_ATTRIBUTES;
}
