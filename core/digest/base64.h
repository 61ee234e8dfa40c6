// Base64 with the RFC 4648 alphabet and "=" padding. The characters made from complete
// 3-byte groups are cut into lines of 76; CR LF follows every complete line of 76 (also
// the last one), none follows a shorter last line, and the padded group made from the one
// or two remaining bytes follows directly.
#pragma once
#include <cstddef>
#include <string>
#include "platform/base/wintypes.h"

// The characters Base64Encode writes for n input bytes.
size_t Base64EncodeGetRequiredLength(size_t n);

// Encodes n bytes into dst, whose capacity *dstLength gives; on success *dstLength is the
// count written (no terminating NUL). False, writing nothing, when dst is too small.
bool Base64Encode(const BYTE* src, size_t n, char* dst, size_t* dstLength);
std::string Base64Encode(const void* src, size_t n);

// Decodes up to the end or a NUL: characters outside the alphabet ("=", CR, LF, others)
// are skipped; every four alphabet characters give three bytes, a last group of two or
// three characters one or two bytes.
std::string Base64Decode(const char* text, size_t n);
