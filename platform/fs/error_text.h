// Message texts for the Win32 error codes in use (English, each ending in "\r\n" as the
// system's do) and for the HTTP layer's codes 12000-12999.
#pragma once
#include <cstdarg>

#include "platform/base/wintypes.h"

inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

// The HTTP layer's message source for FORMAT_MESSAGE_FROM_HMODULE (the stand-in of the
// loaded "wininet.dll" module).
const void* HttpErrorMessageModule();

// Copies the text for `code` into `buffer` (at most size - 1 characters and a zero) and
// returns its length. FORMAT_MESSAGE_FROM_SYSTEM searches the system table,
// FORMAT_MESSAGE_FROM_HMODULE with HttpErrorMessageModule() the HTTP table (both may be
// given; the module is searched first). Inserts are never expanded. 0 with
// ERROR_MR_MID_NOT_FOUND when no text exists, ERROR_INSUFFICIENT_BUFFER when it does not
// fit.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD code, DWORD languageId,
                     wchar_t* buffer, DWORD size, va_list* arguments);
