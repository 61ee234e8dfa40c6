// Wide (UTF-32 wchar_t) text to UTF-8 and UTF-16LE into caller buffers, with no
// allocation, so it may run inside a signal handler.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::platform {

// How code points that UTF-8 cannot carry are written.
enum class WideInvalid {
    Question,  // surrogates, U+FFFE, U+FFFF and values above U+10FFFF become "?"
    RawByte,   // U+DC80..U+DCFF become the byte they stand for (a path byte that was
               // not valid UTF-8); other invalid values become "?"
};

// Encodes one code point; returns the number of bytes written to out (1-4).
inline size_t EncodeUtf8Char(uint32_t c, char* out, WideInvalid invalid) {
    if (invalid == WideInvalid::RawByte && c >= 0xDC80 && c <= 0xDCFF) {
        out[0] = static_cast<char>(c & 0xFF);
        return 1;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF) c = '?';
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// Writes the UTF-8 form of `text` (null = empty) into out[0..capacity) with a
// terminator, cutting at a character boundary. Returns the length written (without the
// terminator). `capacity` must be at least 1.
inline size_t WideToUtf8(const wchar_t* text, char* out, size_t capacity,
                         WideInvalid invalid = WideInvalid::RawByte) {
    size_t length = 0;
    for (; text && *text; ++text) {
        char bytes[4];
        size_t n = EncodeUtf8Char(static_cast<uint32_t>(*text), bytes, invalid);
        if (length + n + 1 > capacity) break;
        for (size_t i = 0; i < n; ++i) out[length++] = bytes[i];
    }
    out[length] = '\0';
    return length;
}

// Decodes one UTF-8 character at p (not at its terminator) into *out and returns the
// bytes taken. A byte that does not start a valid sequence becomes U+DC80 + its low 7
// bits (the RawByte form above) and takes one byte.
inline size_t DecodeUtf8Char(const unsigned char* p, uint32_t* out) {
    uint32_t c = p[0];
    int extra = c < 0x80 ? 0 : (c >= 0xC2 && c < 0xE0) ? 1 : (c >= 0xE0 && c < 0xF0) ? 2
              : (c >= 0xF0 && c < 0xF5) ? 3 : -1;
    uint32_t value = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    bool valid = extra >= 0;
    for (int i = 1; valid && i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) valid = false;
        else value = (value << 6) | (p[i] & 0x3F);
    }
    if (!valid || (extra == 2 && value < 0x800) || (extra == 3 && value < 0x10000) ||
        (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        *out = 0xDC00 | c;
        return 1;
    }
    *out = value;
    return static_cast<size_t>(1 + extra);
}

// Decodes UTF-8 (null = empty) into out[0..capacity) with a terminator; returns the
// length written. `capacity` must be at least 1.
inline size_t Utf8ToWide(const char* text, wchar_t* out, size_t capacity) {
    size_t length = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p && length + 1 < capacity) {
        uint32_t c;
        p += DecodeUtf8Char(p, &c);
        out[length++] = static_cast<wchar_t>(c);
    }
    out[length] = L'\0';
    return length;
}

// Writes the UTF-16LE form of the UTF-8 text `text` into out (capacity in bytes); returns
// the number of bytes written. No terminator is written.
inline size_t Utf8ToUtf16Le(const char* text, uint8_t* out, size_t capacity) {
    size_t length = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p) {
        uint32_t c;
        p += DecodeUtf8Char(p, &c);
        uint16_t units[2] = {static_cast<uint16_t>(c), 0};
        size_t count = 1;
        if (c >= 0x10000) {
            units[0] = static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10));
            units[1] = static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            count = 2;
        }
        if (length + count * 2 > capacity) break;
        for (size_t i = 0; i < count; ++i) {
            out[length++] = static_cast<uint8_t>(units[i] & 0xFF);
            out[length++] = static_cast<uint8_t>(units[i] >> 8);
        }
    }
    return length;
}

}  // namespace zovi::platform
