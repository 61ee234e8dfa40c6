// Reads of the process's own memory that fail instead of faulting (an unmapped or
// unreadable address gives false), for use inside a signal handler.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::platform {

bool ReadOwnMemory(uintptr_t address, void* out, size_t size);

// Writes `size` bytes of the process's own memory at `address` to `fd` at `offset`.
// Pages that cannot be read are written as zeros. False when the file write fails.
bool WriteOwnMemory(int fd, uint64_t offset, uintptr_t address, size_t size);

}  // namespace zovi::platform
