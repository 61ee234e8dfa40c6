#include "platform/fs/folder_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <system_error>

#include "platform/base/utf8.h"

namespace zovi::platform::folders {

namespace fs = std::filesystem;

namespace {
fs::path ToPath(const std::wstring& path) { return fs::path(zovi::platform::EncodeUtf8Lossless(path)); }
std::wstring FromPath(const fs::path& path) { return zovi::platform::DecodeUtf8Lossless(path.native()); }

bool FoldedLess(const std::wstring& a, const std::wstring& b) {
    const auto folded = [](wchar_t c) { return std::towlower(static_cast<wint_t>(c)); };
    const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](wchar_t x, wchar_t y) {
        return folded(x) < folded(y);
    });
    const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [&](wchar_t x, wchar_t y) {
        return folded(x) < folded(y);
    });
    return less || (!greater && a < b);
}
}  // namespace

std::wstring HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') {
        return NormalizeFolder(zovi::platform::DecodeUtf8Lossless(home));
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir == '/') {
        return NormalizeFolder(zovi::platform::DecodeUtf8Lossless(entry->pw_dir));
    }
    return L"/";
}

std::wstring NormalizeFolder(const std::wstring& path) {
    if (path.empty()) return path;
    std::wstring expanded = path;
    if (expanded == L"~" || expanded.rfind(L"~/", 0) == 0) expanded = HomeFolder() + expanded.substr(1);
    fs::path full = ToPath(expanded);
    if (full.is_relative()) {
        std::error_code error;
        full = fs::current_path(error) / full;
    }
    std::wstring text = FromPath(full.lexically_normal());
    while (text.size() > 1 && text.back() == L'/') text.pop_back();
    return text;
}

std::wstring ParentFolder(const std::wstring& folder) {
    const std::wstring normal = NormalizeFolder(folder);
    const size_t slash = normal.rfind(L'/');
    if (slash == std::wstring::npos || slash == 0) return L"/";
    return normal.substr(0, slash);
}

std::wstring JoinFolder(const std::wstring& folder, const std::wstring& name) {
    return folder == L"/" ? folder + name : folder + L"/" + name;
}

bool IsFolder(const std::wstring& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(ToPath(path), error);
}

SubfolderList ListSubfolders(const std::wstring& folder) {
    SubfolderList list;
    std::error_code error;
    fs::directory_iterator it(ToPath(folder), error);
    if (error) {
        list.readable = false;
        list.permissionDenied = error == std::errc::permission_denied;
        return list;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        const std::wstring name = FromPath(it->path().filename());
        std::error_code typeError;
        if (name.empty() || name.front() == L'.' || !it->is_directory(typeError)) continue;
        list.names.push_back(name);
    }
    std::sort(list.names.begin(), list.names.end(), FoldedLess);
    return list;
}

std::wstring CreateNumberedFolder(const std::wstring& folder, const std::wstring& baseName) {
    constexpr int kMaxNumber = 1000;
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::wstring name = number == 1 ? baseName : baseName + L" (" + std::to_wstring(number) + L")";
        const std::wstring path = JoinFolder(folder, name);
        std::error_code error;
        if (fs::create_directory(ToPath(path), error)) return path;
        // Taken (false without an error: by a folder; file_exists: by a file): try the
        // next number. Anything else (no rights, no space) is final.
        if (error && error != std::errc::file_exists) return L"";
    }
    return L"";
}

}  // namespace zovi::platform::folders
