// The RC2 block cipher (RFC 2268), electronic codebook, in place.
#pragma once
#include <cstddef>
#include "platform/base/wintypes.h"

// The 64 expanded 16-bit key words.
struct Rc2Context {
    WORD key[64];
};

// Expands a key of 1 to 128 bytes. Effective bits 0 mean 1024; the reduction step of the
// expansion runs only below 1024 bits. False for a key length outside 1..128 or
// effective bits above 1024.
bool Rc2SetKey(Rc2Context& context, const BYTE* key, size_t keyLength, UINT effectiveBits);

// Encipher / decipher ceil(n / 8) 8-byte blocks in place, each on its own; the buffer
// must extend to a multiple of 8 bytes. Returns the bytes processed.
size_t Rc2Encrypt(const Rc2Context& context, BYTE* buffer, size_t n);
size_t Rc2Decrypt(const Rc2Context& context, BYTE* buffer, size_t n);
