#include "platform/crash/fixed_text.h"

#include "platform/base/utf8_core.h"

namespace zovi::platform {

CFixedText& CFixedText::Add(const char* text, size_t length) {
    for (size_t i = 0; i < length && length_ + 1 < capacity_; ++i) buffer_[length_++] = text[i];
    if (capacity_) buffer_[length_] = '\0';
    return *this;
}

CFixedText& CFixedText::Add(const char* text) {
    size_t length = 0;
    while (text && text[length]) ++length;
    return Add(text, length);
}

CFixedText& CFixedText::AddChar(char c) { return Add(&c, 1); }

CFixedText& CFixedText::AddWide(const wchar_t* text) {
    if (capacity_) length_ += WideToUtf8Into(text, buffer_ + length_, capacity_ - length_, Utf8Form::Lossless);
    return *this;
}

CFixedText& CFixedText::AddUnsigned(uint64_t value) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n) AddChar(digits[--n]);
    return *this;
}

CFixedText& CFixedText::AddSigned(int64_t value) {
    if (value < 0) {
        AddChar('-');
        return AddUnsigned(~static_cast<uint64_t>(value) + 1);
    }
    return AddUnsigned(static_cast<uint64_t>(value));
}

CFixedText& CFixedText::AddHex(uint64_t value, int minDigits) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    } while (value);
    for (int i = n; i < minDigits; ++i) AddChar('0');
    while (n) AddChar(digits[--n]);
    return *this;
}

CFixedText& CFixedText::AddAltHex(uint64_t value) {
    if (value == 0) return AddChar('0');
    Add("0x");
    return AddHex(value);
}

CFixedText& CFixedText::AddPadded(uint64_t value, int digits) {
    char out[24];
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return Add(out, static_cast<size_t>(digits));
}

}  // namespace zovi::platform
