#include "platform/window/lossless_utf8.h"

namespace zovi::platform {

namespace {

constexpr wchar_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF carry bytes 0x80..0xFF

// Length of the valid UTF-8 sequence at `p` (1..4), or 0 when it is not valid.
size_t ValidSequence(const unsigned char* p, size_t left, char32_t* out) {
    unsigned char c = p[0];
    size_t length;
    char32_t value, minimum;
    if (c < 0x80) {
        *out = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        length = 2, value = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, value = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, value = c & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *out = value;
    return length;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::wstring DecodeUtf8Lossless(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        char32_t c;
        size_t n = ValidSequence(p, left, &c);
        if (n == 0) {
            out += static_cast<wchar_t>(kEscapeBase + *p);
            n = 1;
        } else {
            out += static_cast<wchar_t>(c);
        }
        p += n;
        left -= n;
    }
    return out;
}

std::string EncodeUtf8Lossless(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<char32_t>(wc);
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out += static_cast<char>(c - kEscapeBase);
        } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

}  // namespace zovi::platform
