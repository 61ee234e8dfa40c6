// Conversions between wide text (UTF-32 wchar_t) and UTF-8, the system's 8-bit text.
#pragma once
#include <string>
#include <string_view>

namespace zovi::platform {

// Invalid or truncated UTF-8 sequences become U+FFFD; code points past U+10FFFF "?".
std::wstring Utf8ToWide(std::string_view text);

// Code points that cannot be encoded (surrogate values, values past U+10FFFF) become "?".
std::string WideToUtf8(std::wstring_view text);

}  // namespace zovi::platform
