// Wide formatting with the system's meaning of the conversions: in a wide format "%s"
// and "%c" take wide arguments, "%S"/"%hs" and "%C"/"%hc" take narrow (UTF-8) ones, and
// "%I64d"/"%I64u"/"%I64x" take 64-bit integers. glibc's wide printf reads "%s" as narrow,
// so every wide Format goes through these functions.
#pragma once
#include <cstdarg>
#include <string>

namespace zovi::platform {

// The format rewritten for glibc's wide printf.
std::wstring ToGlibcWideFormat(const wchar_t* format);

// Formats like swprintf with the system's conversions. The result grows as needed; a
// format that cannot be formatted (a narrow argument that is not UTF-8, a result over
// 64 MiB) gives an empty string.
std::wstring FormatWide(const wchar_t* format, ...);
std::wstring FormatWideV(const wchar_t* format, va_list args);

}  // namespace zovi::platform
