// Turns an archive into a C++ source that defines zovi::skin::kSkinZip and kSkinZipSize
// (declared in skin/skin_archive_data.h), so the skin links into the program.
#pragma once
#include <string>

namespace zovi::skinpack {

bool WriteEmbeddedSource(const std::string& archivePath, const std::string& outPath, std::string* error);

}  // namespace zovi::skinpack
