#include "core/digest/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLineLength = 76;

int DecodeChar(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

size_t Base64EncodeGetRequiredLength(size_t n) {
    size_t fullChars = (n / 3) * 4;
    return fullChars + (fullChars / kLineLength) * 2 + ((n % 3) ? 4 : 0);
}

bool Base64Encode(const BYTE* src, size_t n, char* dst, size_t* dstLength) {
    if (dstLength == nullptr || (src == nullptr && n > 0)) return false;
    const size_t need = Base64EncodeGetRequiredLength(n);
    if (dst == nullptr || *dstLength < need) return false;
    char* out = dst;
    size_t lineChars = 0;
    size_t i = 0;
    for (; n - i >= 3; i += 3) {
        DWORD v = (DWORD(src[i]) << 16) | (DWORD(src[i + 1]) << 8) | src[i + 2];
        for (int s = 18; s >= 0; s -= 6) *out++ = kAlphabet[(v >> s) & 63];
        lineChars += 4;
        if (lineChars == kLineLength) {
            *out++ = '\r';
            *out++ = '\n';
            lineChars = 0;
        }
    }
    if (n - i == 1) {
        DWORD v = DWORD(src[i]) << 16;
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = '=';
        *out++ = '=';
    } else if (n - i == 2) {
        DWORD v = (DWORD(src[i]) << 16) | (DWORD(src[i + 1]) << 8);
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = '=';
    }
    *dstLength = size_t(out - dst);
    return true;
}

std::string Base64Encode(const void* src, size_t n) {
    std::string out(Base64EncodeGetRequiredLength(n), '\0');
    size_t length = out.size();
    if (!Base64Encode(static_cast<const BYTE*>(src), n, out.data(), &length)) return {};
    out.resize(length);
    return out;
}

std::string Base64Decode(const char* text, size_t n) {
    std::string out;
    if (text == nullptr) return out;
    DWORD group = 0;
    int count = 0;
    for (size_t i = 0; i < n && text[i] != '\0'; ++i) {
        int v = DecodeChar(text[i]);
        if (v < 0) continue;
        group = (group << 6) | DWORD(v);
        if (++count == 4) {
            out.push_back(char(group >> 16));
            out.push_back(char(group >> 8));
            out.push_back(char(group));
            group = 0;
            count = 0;
        }
    }
    if (count == 2) {
        out.push_back(char(group >> 4));
    } else if (count == 3) {
        out.push_back(char(group >> 10));
        out.push_back(char(group >> 2));
    }
    return out;
}
