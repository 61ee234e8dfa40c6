// Folder creation. "\" and "/" are both separators. Paths longer than the fixed limits
// (259 and 260 characters) are refused with ERROR_FILENAME_EXCED_RANGE, never cut into
// another folder.
#pragma once
#include <string>

// Creates the folder `path` and every missing folder above it.
bool EnsureDirectory(const std::wstring& path);
// Creates every missing folder above the last component of `path`.
bool CreateParentDirectories(const std::wstring& path);
// The path must start with "\", "/" or a drive ("X:"), else ERROR_BAD_PATHNAME. Creates
// the whole chain; folders that exist already count as success.
bool CreateDirectoryRecursive(const std::wstring& path);
