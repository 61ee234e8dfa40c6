// Waiting on kernel objects (WaitForSingleObject). Objects that can be waited on derive
// from WaitableObject.
#pragma once
#include "platform/base/wintypes.h"
#include "platform/fs/handle.h"

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

namespace zovi::platform {

class WaitableObject : public KernelObject {
public:
    // WAIT_OBJECT_0 when acquired or signalled within `milliseconds`, else WAIT_TIMEOUT.
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

}  // namespace zovi::platform

// WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED (ERROR_INVALID_HANDLE) for a handle that
// cannot be waited on. INFINITE waits for ever.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
