// MD5 (RFC 1321).
#pragma once
#include <cstddef>
#include <string>
#include "platform/base/wintypes.h"

// The working record of a digest. After Md5Digest its first 16 bytes hold the digest and
// the rest is wiped.
struct Md5Context {
    BYTE bytes[88];
    const BYTE* Digest() const { return bytes; }
};

// Hashes n bytes; the 16-byte digest is left at the start of the context.
void Md5Digest(Md5Context& context, const void* bytes, size_t n);

// The digest of n bytes as 32 lower-case hexadecimal characters, high nibble first.
void Md5HexDigest(Md5Context& context, const void* bytes, size_t n, std::wstring& out);
