#include "platform/fs/find_file.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cwctype>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/fs/file_object.h"

namespace zovi::platform {

namespace {

wchar_t Fold(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool Match(const wchar_t* p, const wchar_t* n) {
    // Iterative glob with backtracking over the last "*".
    const wchar_t* star = nullptr;
    const wchar_t* resume = nullptr;
    while (*n != 0) {
        if (*p == L'?' || (*p != 0 && *p != L'*' && Fold(*p) == Fold(*n))) {
            ++p, ++n;
        } else if (*p == L'*') {
            star = p++;
            resume = n;
        } else if (star != nullptr) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == L'*') ++p;
    return *p == 0;
}

struct SearchObject : KernelObject {
    ~SearchObject() override {
        if (dir != nullptr) closedir(dir);
    }
    DIR* dir = nullptr;
    std::string folder;  // system form, ends in "/"
    std::wstring pattern;
};

// Fills `data` from the next matching entry; false at the end.
bool NextMatch(SearchObject& search, WIN32_FIND_DATAW* data) {
    while (dirent* entry = readdir(search.dir)) {
        const std::wstring name = DecodeUtf8Lossless(entry->d_name);
        if (name.size() >= MAX_PATH || !MatchesWildcard(search.pattern, name)) continue;
        struct stat info;
        if (stat((search.folder + entry->d_name).c_str(), &info) != 0) continue;
        FillFromStat(info, data);
        name.copy(data->cFileName, name.size());
        data->cFileName[name.size()] = 0;
        return true;
    }
    return false;
}

}  // namespace

bool MatchesWildcard(const std::wstring& pattern, const std::wstring& name) {
    if (pattern == L"*.*" || pattern == L"*") return true;
    if (Match(pattern.c_str(), name.c_str())) return true;
    // "name.*" also matches "name" (a name without an extension has an empty one).
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, L".*") == 0 &&
        name.find(L'.') == std::wstring::npos)
        return Match(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

}  // namespace zovi::platform

using namespace zovi::platform;

HANDLE FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
    if (pattern == nullptr || *pattern == 0 || data == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::wstring whole = NormalizeSeparators(pattern);
    const size_t slash = whole.rfind(L'/');
    auto search = new SearchObject;
    search->pattern = slash == std::wstring::npos ? whole : whole.substr(slash + 1);
    const std::wstring folder = slash == std::wstring::npos ? L"./" : whole.substr(0, slash + 1);
    search->folder = EncodeUtf8Lossless(folder);
    search->dir = opendir(search->folder.c_str());
    if (search->dir == nullptr) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                         : Win32ErrorFromErrno(errno));
        delete search;
        return INVALID_HANDLE_VALUE;
    }
    if (search->pattern.empty() || !NextMatch(*search, data)) {
        delete search;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return static_cast<KernelObject*>(search);
}

BOOL FindNextFileW(HANDLE handle, WIN32_FIND_DATAW* data) {
    auto* search = dynamic_cast<SearchObject*>(ObjectFromHandle(handle));
    if (search == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!NextMatch(*search, data)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    if (dynamic_cast<SearchObject*>(ObjectFromHandle(handle)) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(handle);
}

DWORD GetFullPathNameW(const wchar_t* path, DWORD size, wchar_t* buffer, wchar_t** filePart) {
    if (path == nullptr || *path == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring whole = NormalizeSeparators(path);
    if (whole[0] != L'/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof(cwd)) == nullptr) {
            SetLastErrorFromErrno();
            return 0;
        }
        whole = DecodeUtf8Lossless(cwd) + L"/" + whole;
    }
    // Resolve "." and ".." lexically; keep a trailing separator.
    const bool trailing = whole.back() == L'/';
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= whole.size()) {
        size_t end = whole.find(L'/', start);
        if (end == std::wstring::npos) end = whole.size();
        std::wstring part = whole.substr(start, end - start);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    std::wstring result;
    for (const auto& part : parts) result += L"/" + part;
    if (result.empty() || trailing) result += L"/";
    if (size <= result.size() || buffer == nullptr) return static_cast<DWORD>(result.size() + 1);
    result.copy(buffer, result.size());
    buffer[result.size()] = 0;
    if (filePart != nullptr) {
        const size_t slash = result.rfind(L'/');
        *filePart = slash + 1 < result.size() ? buffer + slash + 1 : nullptr;
    }
    return static_cast<DWORD>(result.size());
}
