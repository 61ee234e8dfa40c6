// Sprites: state images side by side in one strip, cut again by the layouts' `source`
// rectangles (the check box: normal at x 0, hot 16, disabled 32, selected-disabled 48,
// selected 80, selected-hot 96, in a 112x16 strip).
#pragma once
#include <string>
#include <vector>

namespace zovi::skinpack {

struct SpritePart {
    int x = 0;         // left edge in the strip; the top is 0
    std::string path;  // a PNG
};

// A transparent strip of width x height with each part copied in at its place. Fails
// when a part cannot be read or does not fit.
bool AssembleSprite(int width, int height, const std::vector<SpritePart>& parts, const std::string& outPath,
                    std::string* error);

}  // namespace zovi::skinpack
