#include "platform/fs/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "platform/fs/file_object.h"

using namespace zovi::platform;

namespace {

struct MappingObject : KernelObject {
    ~MappingObject() override { ::close(fd); }
    int fd = -1;
    bool writable = false;
};

// Views by address, so UnmapViewOfFile knows their lengths. Never destroyed.
struct ViewTable {
    std::mutex lock;
    std::map<const void*, std::size_t> lengths;
};

ViewTable& Views() {
    static auto* table = new ViewTable;
    return *table;
}

}  // namespace

HANDLE CreateFileMappingW(HANDLE file, void* /*security*/, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, const wchar_t* name) {
    FileObject* object = FileFromHandle(file);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (name != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (protect != PAGE_READONLY && protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    struct stat info;
    if (fstat(object->fd, &info) != 0) {
        SetLastErrorFromErrno();
        return nullptr;
    }
    const auto wanted = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
    if (wanted == 0 && info.st_size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);  // an empty file cannot be mapped
        return nullptr;
    }
    if (wanted > static_cast<std::uint64_t>(info.st_size)) {
        if (protect != PAGE_READWRITE) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        if (ftruncate(object->fd, static_cast<off_t>(wanted)) != 0) {
            SetLastErrorFromErrno();
            return nullptr;
        }
    }
    const int fd = fcntl(object->fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return nullptr;
    }
    auto* mapping = new MappingObject;
    mapping->fd = fd;
    mapping->writable = protect == PAGE_READWRITE;
    SetLastError(ERROR_SUCCESS);
    return static_cast<KernelObject*>(mapping);
}

void* MapViewOfFile(HANDLE handle, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                    std::size_t length) {
    auto* mapping = dynamic_cast<MappingObject*>(ObjectFromHandle(handle));
    if (mapping == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const bool write = (access & FILE_MAP_WRITE) != 0;
    if (write && !mapping->writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const auto offset = (static_cast<std::uint64_t>(offsetHigh) << 32) | offsetLow;
    if (length == 0) {
        struct stat info;
        if (fstat(mapping->fd, &info) != 0) {
            SetLastErrorFromErrno();
            return nullptr;
        }
        if (offset >= static_cast<std::uint64_t>(info.st_size)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        length = static_cast<std::size_t>(info.st_size - offset);
    }
    void* view = mmap(nullptr, length, write ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED,
                      mapping->fd, static_cast<off_t>(offset));
    if (view == MAP_FAILED) {
        SetLastErrorFromErrno();
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(Views().lock);
    Views().lengths[view] = length;
    return view;
}

BOOL UnmapViewOfFile(const void* address) {
    std::size_t length;
    {
        std::lock_guard<std::mutex> guard(Views().lock);
        auto it = Views().lengths.find(address);
        if (it == Views().lengths.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        length = it->second;
        Views().lengths.erase(it);
    }
    munmap(const_cast<void*>(address), length);
    return TRUE;
}
