// Replacing a small private file in one step: the bytes go to a new temporary file beside
// the target, readable and writable by the owner only, which is flushed to the disk and
// renamed over the target. A reader sees the old file or the new one whole, never a part,
// and a crash while writing leaves the old file in place.
#pragma once
#include <cstddef>
#include <string>

namespace zovi::platform {

// "\" and "/" are both separators. False with the last error set when the folder is
// missing or a step fails; the target is then unchanged and no temporary file is left.
bool ReplacePrivateFile(const std::wstring& path, const void* bytes, size_t n);

}  // namespace zovi::platform
