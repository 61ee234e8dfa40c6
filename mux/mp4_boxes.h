// Walks the boxes of an MP4 file held in memory: the header boxes the muxer patches, and
// the top-level layout (ftyp, moov, then moof and mdat per fragment).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>

namespace zovi::mux {

inline uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

struct Mp4Box {
    size_t start = 0;
    size_t end = 0;  // one past the box
    char type[5] = {};
    bool Is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

// Calls `visit` for each complete box in [begin, end); stops at the first that does not
// fit (a 64-bit or open-ended size is not used by the boxes our files hold).
inline void ForEachMp4Box(const uint8_t* bytes, size_t begin, size_t end,
                          const std::function<void(const Mp4Box&)>& visit) {
    size_t at = begin;
    while (at + 8 <= end) {
        const uint32_t size = Be32(bytes + at);
        if (size < 8 || size > end - at) return;
        Mp4Box box;
        box.start = at;
        box.end = at + size;
        std::memcpy(box.type, bytes + at + 4, 4);
        visit(box);
        at = box.end;
    }
}

}  // namespace zovi::mux
