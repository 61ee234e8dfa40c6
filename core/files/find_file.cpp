#include "core/files/find_file.h"

#include "core/files/path_string.h"

bool CFindFile::First(const std::wstring& pattern) {
    Close();
    search_ = FindFirstFileW(pattern.c_str(), &data_);
    found_ = search_ != INVALID_HANDLE_VALUE;
    if (!found_) return false;
    wchar_t full[MAX_PATH];
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(pattern.c_str(), MAX_PATH, full, &name);
    if (length == 0 || length >= MAX_PATH) {
        folder_.clear();
    } else {
        folder_.assign(full, name != nullptr ? static_cast<size_t>(name - full) : length);
    }
    separator_ = L'/';
    for (wchar_t c : pattern)
        if (IsPathSeparator(c)) separator_ = c;
    return true;
}

bool CFindFile::Next() {
    if (search_ == INVALID_HANDLE_VALUE) return false;
    found_ = FindNextFileW(search_, &data_);
    return found_;
}

void CFindFile::Close() {
    if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
    search_ = INVALID_HANDLE_VALUE;
    found_ = false;
}

std::wstring CFindFile::GetFilePath() const {
    std::wstring path = folder_;
    if (!path.empty() && !IsPathSeparator(path.back())) path += separator_;
    path += data_.cFileName;
    return path.size() >= MAX_PATH ? std::wstring() : path;
}
