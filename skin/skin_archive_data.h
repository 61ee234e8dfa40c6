// The built-in skin: skin.zip as built from skin/ and skin-src/, linked into the program
// (its "ZIP" resource 130). The program hands it to the UI library at start with
// DuiLib::SetSkinArchive(kSkinZip, kSkinZipSize).
#pragma once
#include <cstddef>

namespace zovi::skin {

extern const unsigned char kSkinZip[];
extern const size_t kSkinZipSize;

}  // namespace zovi::skin
