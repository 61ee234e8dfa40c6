#include "platform/base/computer_name.h"

#include <limits.h>
#include <unistd.h>

#include <string>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"

BOOL GetComputerNameW(wchar_t* buffer, DWORD* size) {
    if (buffer == nullptr || size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof(host) - 1) != 0) {
        zovi::platform::SetLastErrorFromErrno();
        return FALSE;
    }
    const std::wstring name = zovi::platform::Utf8ToWide(host);
    if (name.size() + 1 > *size) {
        *size = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    name.copy(buffer, name.size());
    buffer[name.size()] = L'\0';
    *size = static_cast<DWORD>(name.size());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
