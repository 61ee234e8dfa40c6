// Text conversions. The system's 8-bit "ANSI" text is UTF-8 here, so the ANSI
// conversions lose nothing; wide strings hold whole code points (no surrogate pairs).
#pragma once
#include <cstddef>
#include <string>

// 8-bit text (UTF-8) to wide; invalid sequences become U+FFFD.
std::wstring AnsiToWide(const std::string& text);
// Wide to 8-bit text (UTF-8); what cannot be encoded (a lone surrogate value) becomes "?".
std::string WideToAnsi(const std::wstring& text);
// UTF-8 to wide: invalid or truncated sequences give U+FFFD, code points from 0x110000
// give "?"; an empty input gives an empty string.
std::wstring Utf8ToWide(const char* bytes, std::size_t n);
// Wide to UTF-8; a surrogate value gives "?".
std::string WideToUtf8(const std::wstring& text);
