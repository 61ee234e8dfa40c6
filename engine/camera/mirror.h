// Mirrors a BGR24 picture left to right, in place.
#pragma once
#include <cstdint>

namespace zovi::engine {

// Reverses every row of `height` rows, `stride` bytes apart, pixel by pixel (3-byte
// pixels): the pixel at x swaps with the one at width - 1 - x.
void MirrorBgr24Rows(uint8_t* pixels, int width, int stride, int height);

}  // namespace zovi::engine
