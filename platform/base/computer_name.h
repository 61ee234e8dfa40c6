// The computer's name (the GetComputerNameW stand-in): the system's host name.
#pragma once
#include "platform/base/wintypes.h"

inline constexpr DWORD ERROR_BUFFER_OVERFLOW = 111;

// Copies the host name and a terminating zero into `buffer`, whose capacity in characters
// *size gives, and sets *size to the name's length. A buffer too small: FALSE with
// ERROR_BUFFER_OVERFLOW and *size set to the capacity needed (zero included).
BOOL GetComputerNameW(wchar_t* buffer, DWORD* size);
