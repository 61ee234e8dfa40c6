// CRC-32 with the reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF and no final
// inversion: the bitwise NOT of the common (zlib) CRC-32.
#pragma once
#include <cstddef>
#include "platform/base/wintypes.h"

// A null pointer or n = 0 gives 0xFFFFFFFF.
DWORD Crc32(const void* bytes, size_t n);
