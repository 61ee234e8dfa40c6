#include "core/digest/md5.h"

#include <cstring>

namespace {

struct Md5State {
    DWORD a, b, c, d;
};

inline DWORD Rotl(DWORD x, int s) { return (x << s) | (x >> (32 - s)); }

// Per-round shift amounts and the sine-derived constants of the standard.
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr DWORD kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};

void Transform(Md5State& st, const BYTE block[64]) {
    DWORD m[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = DWORD(block[i * 4]) | (DWORD(block[i * 4 + 1]) << 8) |
               (DWORD(block[i * 4 + 2]) << 16) | (DWORD(block[i * 4 + 3]) << 24);
    }
    DWORD a = st.a, b = st.b, c = st.c, d = st.d;
    for (int i = 0; i < 64; ++i) {
        DWORD f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        DWORD next = b + Rotl(a + f + kSine[i] + m[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    st.a += a;
    st.b += b;
    st.c += c;
    st.d += d;
}

void PutLe32(BYTE* out, DWORD v) {
    for (int i = 0; i < 4; ++i) out[i] = BYTE(v >> (8 * i));
}

}  // namespace

void Md5Digest(Md5Context& context, const void* bytes, size_t n) {
    Md5State st{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const BYTE* p = static_cast<const BYTE*>(bytes);
    size_t done = 0;
    for (; p != nullptr && n - done >= 64; done += 64) Transform(st, p + done);

    // The tail, the 0x80 marker, zero fill and the bit length in one or two blocks.
    BYTE tail[128] = {};
    size_t rest = (p == nullptr) ? 0 : n - done;
    if (rest > 0) std::memcpy(tail, p + done, rest);
    tail[rest] = 0x80;
    size_t tailLen = (rest < 56) ? 64 : 128;
    ULONGLONG bits = ULONGLONG(p == nullptr ? 0 : n) * 8;
    for (int i = 0; i < 8; ++i) tail[tailLen - 8 + i] = BYTE(bits >> (8 * i));
    Transform(st, tail);
    if (tailLen == 128) Transform(st, tail + 64);

    std::memset(context.bytes, 0, sizeof(context.bytes));
    PutLe32(context.bytes, st.a);
    PutLe32(context.bytes + 4, st.b);
    PutLe32(context.bytes + 8, st.c);
    PutLe32(context.bytes + 12, st.d);
}

void Md5HexDigest(Md5Context& context, const void* bytes, size_t n, std::wstring& out) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    Md5Digest(context, bytes, n);
    out.clear();
    out.reserve(32);
    for (int i = 0; i < 16; ++i) {
        out.push_back(kDigits[context.bytes[i] >> 4]);
        out.push_back(kDigits[context.bytes[i] & 15]);
    }
}
