#include "platform/base/utf8.h"

namespace zovi::platform {

namespace {

std::wstring Decode(std::string_view text, Utf8Form form) {
    std::wstring out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        char32_t c = 0;
        const size_t n = DecodeUtf8Char(p, left, &c, form);
        p += n, left -= n;
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

std::string Encode(std::wstring_view text, Utf8Form form) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        char bytes[4] = {};
        out.append(bytes, EncodeUtf8Char(static_cast<char32_t>(wc), bytes, form));
    }
    return out;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) { return Decode(text, Utf8Form::Replacing); }

std::string WideToUtf8(std::wstring_view text) { return Encode(text, Utf8Form::Replacing); }

std::wstring DecodeUtf8Lossless(std::string_view text) { return Decode(text, Utf8Form::Lossless); }

std::string EncodeUtf8Lossless(std::wstring_view text) { return Encode(text, Utf8Form::Lossless); }

}  // namespace zovi::platform
