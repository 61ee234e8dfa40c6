#include "engine/camera/mirror.h"

#include <cstddef>
#include <utility>

namespace zovi::engine {

void MirrorBgr24Rows(uint8_t* pixels, int width, int stride, int height) {
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width / 2; ++x) {
            uint8_t* a = row + 3 * x;
            uint8_t* b = row + 3 * (width - 1 - x);
            std::swap(a[0], b[0]);
            std::swap(a[1], b[1]);
            std::swap(a[2], b[2]);
        }
    }
}

}  // namespace zovi::engine
