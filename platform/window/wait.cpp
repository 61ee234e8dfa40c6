#include "platform/window/wait.h"

#include "platform/base/last_error.h"

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto* object = dynamic_cast<zovi::platform::WaitableObject*>(zovi::platform::ObjectFromHandle(handle));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}
