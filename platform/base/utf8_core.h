// The core of the text codec: UTF-8 <-> wide (UTF-32 wchar_t) one character at a time,
// and whole texts into caller buffers (UTF-8, wide, UTF-16LE). No allocation, no locale,
// no library call: safe inside a signal handler. utf8.h builds the string forms on it.
//
// Two forms:
//  - Lossless (file names, command lines, process arguments, paths that leave the
//    process): a byte that is not part of valid UTF-8 decodes to U+DC80..U+DCFF and
//    encodes back to that byte, so any byte string survives a round trip.
//  - Replacing (display text, JSON, logs): each invalid or truncated piece of UTF-8
//    decodes to one U+FFFD.
// A wide value UTF-8 cannot carry (a surrogate other than a lossless byte escape, a
// value past U+10FFFF) encodes as "?" in both forms. The invalid pieces are the maximal
// subparts of the Unicode standard: an overlong form, an encoded surrogate or a value
// past U+10FFFF is invalid from its first wrong byte on, so each of its bytes is a piece.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::platform {

enum class Utf8Form { Lossless, Replacing };

inline constexpr char32_t kReplacementChar = 0xFFFD;
inline constexpr char32_t kByteEscapeFirst = 0xDC80;  // stands for byte 0x80
inline constexpr char32_t kByteEscapeLast = 0xDCFF;   // stands for byte 0xFF

// One step of decoding: a character (valid) or an invalid piece of `length` bytes.
struct Utf8Step {
    char32_t value;
    size_t length;
    bool valid;
};

// Decodes the character at p[0..left) (left >= 1).
constexpr Utf8Step DecodeUtf8Step(const unsigned char* p, size_t left) {
    const unsigned char lead = p[0];
    if (lead < 0x80) return {lead, 1, true};
    size_t length = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // shorter forms are overlong
        if (lead == 0xED) high = 0x9F;  // U+D800..U+DFFF are no characters
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return {kReplacementChar, 1, false};  // a continuation byte, C0, C1, F5..FF
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= left || p[i] < low || p[i] > high) return {kReplacementChar, i, false};
        value = (value << 6) | (p[i] & 0x3F);
        low = 0x80, high = 0xBF;
    }
    return {value, length, true};
}

// Writes the UTF-8 form of `c` to out[0..4); returns the bytes written (1-4).
constexpr size_t EncodeUtf8Char(char32_t c, char* out, Utf8Form form) {
    if (form == Utf8Form::Lossless && c >= kByteEscapeFirst && c <= kByteEscapeLast) {
        out[0] = static_cast<char>(c & 0xFF);
        return 1;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = U'?';
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

// Decodes the character at p[0..left) (left >= 1) in `form`: *out gets the character,
// the return value is the bytes taken. Lossless takes one byte of an invalid piece at a
// time (each becomes its escape); Replacing takes the whole piece for one U+FFFD.
constexpr size_t DecodeUtf8Char(const unsigned char* p, size_t left, char32_t* out, Utf8Form form) {
    const Utf8Step step = DecodeUtf8Step(p, left);
    if (step.valid) {
        *out = step.value;
        return step.length;
    }
    if (form == Utf8Form::Lossless) {
        *out = kByteEscapeFirst - 0x80 + p[0];
        return 1;
    }
    *out = kReplacementChar;
    return step.length;
}

// Length of a zero-terminated narrow text (null = empty).
constexpr size_t TerminatedLength(const char* text) {
    size_t length = 0;
    while (text && text[length]) ++length;
    return length;
}

// Writes the UTF-8 form of the zero-terminated `text` (null = empty) into
// out[0..capacity) with a terminator, cut at a character boundary. Returns the length
// written (without the terminator). `capacity` must be at least 1.
constexpr size_t WideToUtf8Into(const wchar_t* text, char* out, size_t capacity, Utf8Form form) {
    size_t length = 0;
    for (; text && *text; ++text) {
        char bytes[4] = {};
        const size_t n = EncodeUtf8Char(static_cast<char32_t>(*text), bytes, form);
        if (length + n + 1 > capacity) break;
        for (size_t i = 0; i < n; ++i) out[length++] = bytes[i];
    }
    out[length] = '\0';
    return length;
}

// Decodes the zero-terminated UTF-8 `text` (null = empty) into out[0..capacity) with a
// terminator; returns the length written. `capacity` must be at least 1.
constexpr size_t Utf8ToWideInto(const char* text, wchar_t* out, size_t capacity, Utf8Form form) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t left = TerminatedLength(text);
    size_t length = 0;
    while (left > 0 && length + 1 < capacity) {
        char32_t c = 0;
        const size_t n = DecodeUtf8Char(p, left, &c, form);
        p += n, left -= n;
        out[length++] = static_cast<wchar_t>(c);
    }
    out[length] = L'\0';
    return length;
}

// Writes the UTF-16LE form of the zero-terminated UTF-8 `text` (null = empty) into
// out[0..capacity) (capacity in bytes), cut at a character boundary; returns the bytes
// written. No terminator. In the lossless form a byte escape is written as its own
// (lone surrogate) unit, so the byte can still be told.
constexpr size_t Utf8ToUtf16LeInto(const char* text, uint8_t* out, size_t capacity, Utf8Form form) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t left = TerminatedLength(text);
    size_t length = 0;
    while (left > 0) {
        char32_t c = 0;
        const size_t n = DecodeUtf8Char(p, left, &c, form);
        p += n, left -= n;
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
