#include "platform/crash/safe_memory.h"

#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace zovi::platform {

namespace {
constexpr size_t kPage = 4096;

// Raw system calls: no library wrapper (nor a sanitizer's interceptor) looks at the bytes.
bool PwriteAll(int fd, const void* data, size_t size, uint64_t offset) {
    const auto* p = static_cast<const char*>(data);
    while (size) {
        long n = syscall(SYS_pwrite64, fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}
}  // namespace

bool ReadOwnMemory(uintptr_t address, void* out, size_t size) {
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    long n = syscall(SYS_process_vm_readv, getpid(), &local, 1UL, &remote, 1UL, 0UL);
    return n == static_cast<long>(size);
}

bool WriteOwnMemory(int fd, uint64_t offset, uintptr_t address, size_t size) {
    static char page[kPage];
    while (size) {
        size_t chunk = kPage - (address % kPage);
        if (chunk > size) chunk = size;
        if (ReadOwnMemory(address, page, chunk)) {
            if (!PwriteAll(fd, page, chunk, offset)) return false;
        } else {
            static const char zeros[kPage] = {};
            if (!PwriteAll(fd, zeros, chunk, offset)) return false;
        }
        address += chunk;
        offset += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace zovi::platform
