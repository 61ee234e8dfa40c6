#include "core/files/directories.h"

#include "core/files/path_string.h"
#include "platform/fs/win_file.h"

namespace {

constexpr size_t kParentCopyLimit = MAX_PATH - 1;  // 259 characters
constexpr size_t kRecursiveCopyLimit = MAX_PATH;   // 260 characters

bool CreatedOrExists(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

}  // namespace

bool EnsureDirectory(const std::wstring& path) {
    std::wstring copy = path;
    if (copy.empty() || !IsPathSeparator(copy.back())) copy += L'/';
    return CreateParentDirectories(copy);
}

bool CreateParentDirectories(const std::wstring& path) {
    if (path.size() > kParentCopyLimit) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::wstring parent = path;
    PathRemoveFileSpecInPlace(parent);
    return CreateDirectoryRecursive(parent);
}

bool CreateDirectoryRecursive(const std::wstring& path) {
    const bool rooted = (!path.empty() && IsPathSeparator(path[0])) ||
                        (path.size() >= 2 && path[1] == L':' &&
                         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')));
    if (!rooted) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return true;
    if (error == ERROR_FILENAME_EXCED_RANGE) return false;
    if (path.size() > kRecursiveCopyLimit) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::wstring copy = path;
    if (!IsPathSeparator(copy.back())) copy += L'/';
    // Every prefix ending at a separator after the root: "X:\" is three characters, "/" one.
    const size_t first = path[0] != L'\\' && path[0] != L'/' ? 3 : 1;
    for (size_t i = first; i < copy.size(); ++i) {
        if (!IsPathSeparator(copy[i])) continue;
        if (!CreatedOrExists(copy.substr(0, i))) return false;
    }
    return true;
}
