#include "core/digest/crc32.h"

#include <array>

namespace {

constexpr std::array<DWORD, 256> MakeTable() {
    std::array<DWORD, 256> table{};
    for (DWORD i = 0; i < 256; ++i) {
        DWORD c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr std::array<DWORD, 256> kTable = MakeTable();

}  // namespace

DWORD Crc32(const void* bytes, size_t n) {
    DWORD crc = 0xFFFFFFFFu;
    if (bytes == nullptr) return crc;
    const BYTE* p = static_cast<const BYTE*>(bytes);
    for (size_t i = 0; i < n; ++i) crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}
