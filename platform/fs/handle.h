// Handles of the Win32-shaped calls: a HANDLE points to a kernel-object stand-in that
// CloseHandle destroys. Layers that hand out handles derive their objects from
// KernelObject.
#pragma once
#include "platform/base/wintypes.h"

using HANDLE = void*;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

namespace zovi::platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// The object behind a handle, or null for a null or invalid handle.
inline KernelObject* ObjectFromHandle(HANDLE handle) {
    return handle == nullptr || handle == INVALID_HANDLE_VALUE
               ? nullptr
               : static_cast<KernelObject*>(handle);
}

}  // namespace zovi::platform

// Destroys the object behind the handle. FALSE (ERROR_INVALID_HANDLE) for a null or
// invalid handle.
BOOL CloseHandle(HANDLE handle);
