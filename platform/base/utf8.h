// The text codec: UTF-8 <-> wide (UTF-32 wchar_t) strings, the one place the program
// converts text (the "ANSI" 8-bit text of the system is UTF-8 here). The lossless form
// is for file names, command lines, process arguments and paths that leave the process;
// the replacing form is for display text, JSON and logs. utf8_core.h has the rules and
// the signal-safe forms into caller buffers.
#pragma once
#include <string>
#include <string_view>

#include "platform/base/utf8_core.h"

namespace zovi::platform {

// Replacing: invalid or truncated UTF-8 becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
// Replacing: a value UTF-8 cannot carry (a surrogate, past U+10FFFF) becomes "?".
std::string WideToUtf8(std::wstring_view text);

// Lossless: a byte that is not valid UTF-8 becomes U+DC80..U+DCFF.
std::wstring DecodeUtf8Lossless(std::string_view text);
// Lossless: U+DC80..U+DCFF become the bytes 0x80..0xFF they stand for; other values
// UTF-8 cannot carry become "?".
std::string EncodeUtf8Lossless(std::wstring_view text);

}  // namespace zovi::platform
