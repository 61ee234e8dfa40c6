#include "core/files/path_string.h"

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::size_t PathFindFileNamePart(const std::wstring& path) {
    std::size_t position = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if ((IsPathSeparator(c) || c == L':') && i + 1 < path.size() &&
            !IsPathSeparator(path[i + 1]))
            position = i + 1;
    }
    return position;
}

std::size_t PathFindExtensionPart(const std::wstring& path) {
    std::size_t dot = path.size();
    for (std::size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c == L'.')
            dot = i;
        else if (c == L' ' || IsPathSeparator(c))
            dot = path.size();
    }
    return dot;
}

bool PathRemoveFileSpecInPlace(std::wstring& path) {
    // The root that always stays: "X:\", "X:", a leading "\" (or "\\" as a whole).
    std::size_t rootEnd = 0;
    if (path.size() >= 2 && path[1] == L':')
        rootEnd = path.size() >= 3 && IsPathSeparator(path[2]) ? 3 : 2;
    else if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]))
        rootEnd = 2;
    else if (!path.empty() && IsPathSeparator(path[0]))
        rootEnd = 1;
    std::size_t last = std::wstring::npos;
    for (std::size_t i = rootEnd; i < path.size(); ++i)
        if (IsPathSeparator(path[i])) last = i;
    const std::size_t cut = last == std::wstring::npos ? rootEnd : last;
    if (cut >= path.size()) return false;
    path.resize(cut);
    return true;
}

bool PathRemoveExtensionInPlace(std::wstring& path) {
    const std::size_t dot = PathFindExtensionPart(path);
    if (dot >= path.size()) return false;
    path.resize(dot);
    return true;
}

void PathRenameExtensionInPlace(std::wstring& path, const std::wstring& extension) {
    PathRemoveExtensionInPlace(path);
    path += extension;
}

bool PathIsRootPart(const std::wstring& path) {
    if (path.size() == 1 && IsPathSeparator(path[0])) return true;
    if (path.size() == 3 && path[1] == L':' && IsPathSeparator(path[2])) return true;
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
        std::size_t separators = 0;
        for (std::size_t i = 2; i < path.size(); ++i)
            if (path[i] == L'\\') ++separators;
        return path[2] != L'\\' && separators <= 1;
    }
    return false;
}

std::size_t CStringReplace(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return 0;
    std::size_t count = 0;
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        ++count;
    }
    return count;
}
