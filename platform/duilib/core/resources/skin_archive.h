// The skin: one zip archive built into the program (the "ZIP" resource 130), read from
// memory with minizip. For skin development, ZOVI_SKIN_DIR (honoured in every build,
// logged once when used) points at a folder read instead of the archive. Paths are
// case-sensitive; "\" is taken as "/". Called on the UI thread.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace DuiLib {

// The program hands over its built-in archive once at start (the bytes stay owned by the
// caller and must outlive every window). Without it, every lookup fails softly.
void SetSkinArchive(const unsigned char* data, size_t size);

// The bytes of a file of the skin. False (and one log line per path) when missing.
bool ReadSkinFile(const std::wstring& path, std::vector<unsigned char>* bytes);
// Whether the skin holds `path` (no log line).
bool SkinFileExists(const std::wstring& path);
// Every file path of the archive (for the skin lint).
std::vector<std::wstring> ListSkinFiles();

}  // namespace DuiLib
