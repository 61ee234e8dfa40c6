#include "core/files/data_folder.h"

#include "core/files/directories.h"
#include "core/files/path_string.h"
#include "core/regvalues/reg_values.h"
#include "platform/base/wformat.h"
#include "platform/fs/folders.h"

namespace {

std::wstring FoldSeparators(std::wstring path) {
    while (CStringReplace(path, L"\\\\", L"\\") > 0) {
    }
    if (!path.empty() && IsPathSeparator(path.back())) path.pop_back();
    return path;
}

std::wstring Subfolder(const wchar_t* name) {
    const std::wstring path = GetDataRootPath() + L"/" + name;
    EnsureDirectory(path);
    return path;
}

}  // namespace

std::wstring GetDataRootPath() {
    std::wstring root;
    if (ReadRegString(root, kDataRootOverrideValue, nullptr) && !root.empty()) {
        root = FoldSeparators(root);
        // A drive placeholder has no meaning here: "*:\x" is "\x", "*:" the file system root.
        if (root.size() >= 2 && root[0] == L'*' && root[1] == L':' &&
            (root.size() == 2 || IsPathSeparator(root[2])))
            root = root.size() == 2 ? std::wstring(L"/") : root.substr(2);
        for (wchar_t& c : root)
            if (c == L'\\') c = L'/';
        EnsureDirectory(root);
        return root;
    }
    wchar_t profile[MAX_PATH];
    root = SHGetSpecialFolderPathW(nullptr, profile, CSIDL_PROFILE, TRUE) ? std::wstring(profile)
                                                                          : kFallbackProfileRoot;
    root = FoldSeparators(root) + L"/" + kDataFolderName;
    for (wchar_t& c : root)
        if (c == L'\\') c = L'/';
    EnsureDirectory(root);
    return root;
}

std::wstring GetLogDirectory() { return Subfolder(L"Log"); }
std::wstring GetStorageDirectory() { return Subfolder(L"Storage"); }
std::wstring GetCrashesDirectory() { return Subfolder(L"Crashes"); }
std::wstring GetAccountDataPath() { return GetDataRootPath() + L"/Data"; }

std::wstring GetTempDir() {
    wchar_t buffer[MAX_PATH - 1];
    std::wstring folder;
    const DWORD length = GetTempPathW(MAX_PATH - 1, buffer);
    if (length > 0 && length < MAX_PATH - 1) {
        folder.assign(buffer, length);
    } else {
        for (const wchar_t* name : {L"TEMP", L"TMP"}) {
            const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
            if (size == 0) continue;
            std::wstring value(size, L'\0');
            const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
            if (got == 0 || got >= size) continue;
            folder.assign(value.data(), got);
            break;
        }
        if (folder.empty()) folder = L"/tmp/";
    }
    if (!IsPathSeparator(folder.back())) folder += L'/';
    return folder;
}

std::wstring GetVolumeDeviceId() {
    wchar_t windows[MAX_PATH];
    std::wstring root = L"/";
    if (SHGetSpecialFolderPathW(nullptr, windows, CSIDL_WINDOWS, FALSE)) {
        root = windows;
        // Cut back to the root of that folder.
        while (!PathIsRootPart(root) && PathRemoveFileSpecInPlace(root)) {
        }
        if (root.empty()) root = L"/";
    }
    DWORD serial = 0;
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        serial = 0;
    std::wstring id = zovi::platform::FormatWide(L"%lu", static_cast<unsigned long>(serial));
    if (id.size() > 64) id.resize(64);
    return id;
}
