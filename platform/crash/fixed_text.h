// Text built in a fixed buffer with no allocation (for use inside a signal handler):
// strings, decimal and hexadecimal numbers, wide text as UTF-8. Output that does not fit
// is cut off.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::platform {

class CFixedText {
public:
    CFixedText(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) { Clear(); }

    CFixedText& Add(const char* text);
    CFixedText& Add(const char* text, size_t length);
    CFixedText& AddChar(char c);
    // UTF-8 of a wide text in the lossless form (null adds nothing).
    CFixedText& AddWide(const wchar_t* text);
    CFixedText& AddUnsigned(uint64_t value);
    CFixedText& AddSigned(int64_t value);
    // Lower-case hexadecimal with at least `minDigits` digits and no prefix.
    CFixedText& AddHex(uint64_t value, int minDigits = 1);
    // "%#lx": "0x" + hexadecimal, or "0" for zero.
    CFixedText& AddAltHex(uint64_t value);
    // Zero-padded decimal of exactly `digits` digits (for dates).
    CFixedText& AddPadded(uint64_t value, int digits);

    const char* Text() const { return buffer_; }
    size_t Length() const { return length_; }
    void Clear() {
        length_ = 0;
        if (capacity_) buffer_[0] = '\0';
    }

private:
    char* buffer_;
    size_t capacity_;
    size_t length_ = 0;
};

// A fixed text with its own storage.
template <size_t N>
class CFixedString : public CFixedText {
public:
    CFixedString() : CFixedText(storage_, N) {}
    CFixedString(const CFixedString&) = delete;
    CFixedString& operator=(const CFixedString&) = delete;

private:
    char storage_[N];
};

}  // namespace zovi::platform
