// Packs files into a zip archive that is byte-for-byte the same for the same inputs:
// entries sorted by name (byte order), one fixed time stamp, fixed attributes, deflate at
// the best level, no comments and no extra fields.
#pragma once
#include <string>
#include <vector>

#include "skin/skinpack/manifest.h"

namespace zovi::skinpack {

// 1 January 1980 00:00, the earliest DOS date: the stamp of every entry.
inline constexpr unsigned long kFixedDosDate = (1ul << 21) | (1ul << 16);

// A name the archive may hold: not empty, "/"-separated, no "\", no leading or trailing
// "/", no empty, "." or ".." segment.
bool IsValidEntryName(const std::string& name);

// Writes the archive to `outPath` (replacing it only on success). Fails on an invalid or
// repeated name, an unreadable file, or a minizip error.
bool PackArchive(std::vector<PackEntry> entries, const std::string& outPath, std::string* error);

}  // namespace zovi::skinpack
