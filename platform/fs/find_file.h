// Folder searches with Windows wildcards ("*", "?"; "*.*" also matches names without a
// dot) and lexical full paths.
#pragma once
#include "platform/fs/win_file.h"

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    wchar_t cFileName[MAX_PATH];
};

// "." and ".." are reported as on Windows. A name that does not fit MAX_PATH is skipped.
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches, or
// ERROR_PATH_NOT_FOUND when the folder is missing.
HANDLE FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data);
// FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE search);

inline constexpr DWORD ERROR_NO_MORE_FILES = 18;

// The absolute form of `path` (relative to the working folder), "." and ".." resolved
// lexically; the file need not exist. Copies it into `buffer` with its terminating zero
// and returns its length; when `size` is too small, returns the size needed (with the
// zero) and copies nothing. `filePart` (optional) points after the last separator.
DWORD GetFullPathNameW(const wchar_t* path, DWORD size, wchar_t* buffer, wchar_t** filePart);

namespace zovi::platform {

// Windows wildcard match of a file name, without regard to case.
bool MatchesWildcard(const std::wstring& pattern, const std::wstring& name);

}  // namespace zovi::platform
