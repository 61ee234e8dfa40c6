#include "core/util/text_convert.h"

#include "platform/fs/utf8.h"

std::wstring AnsiToWide(const std::string& text) { return zovi::platform::Utf8ToWide(text); }

std::string WideToAnsi(const std::wstring& text) { return zovi::platform::WideToUtf8(text); }

std::wstring Utf8ToWide(const char* bytes, std::size_t n) {
    if (bytes == nullptr || n == 0) return {};
    return zovi::platform::Utf8ToWide(std::string_view(bytes, n));
}

std::string WideToUtf8(const std::wstring& text) { return zovi::platform::WideToUtf8(text); }
