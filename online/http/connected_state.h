// Whether the online service can be reached: a real HEAD request to the API base with a
// short time-out, made on the caller's thread. The name does not resolve, the connect is
// refused or no answer came in time: FALSE. `reserved` must be 0.
#pragma once
#include "platform/base/wintypes.h"

inline constexpr DWORD INTERNET_CONNECTION_LAN = 0x02;

// The probe's time-out in milliseconds.
inline constexpr DWORD kConnectedStateTimeoutMs = 3000;

// TRUE with *flags = INTERNET_CONNECTION_LAN when the service answered; FALSE with
// *flags = 0 otherwise. `flags` may be null.
BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved);
