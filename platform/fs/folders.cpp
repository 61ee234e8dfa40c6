#include "platform/fs/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/base/utf8.h"

using namespace zovi::platform;

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) return home;
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return {};
}

std::string ConfigFolder(const std::string& home) {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        return config;
    return home.empty() ? std::string() : home + "/.config";
}

// XDG_VIDEOS_DIR from user-dirs.dirs: a line XDG_VIDEOS_DIR="$HOME/Videos".
std::string VideosFolder(const std::string& home) {
    std::ifstream dirs(ConfigFolder(home) + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
        const std::string key = "XDG_VIDEOS_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/' && value != home && value != home + "/")
            return value;
    }
    return home.empty() ? std::string() : home + "/Videos";
}

bool MakeFolderChain(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

DWORD CopyOut(const std::wstring& value, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr || size <= value.size()) return static_cast<DWORD>(value.size() + 1);
    value.copy(buffer, value.size());
    buffer[value.size()] = 0;
    return static_cast<DWORD>(value.size());
}

std::uint32_t Fnv1a(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace

BOOL SHGetSpecialFolderPathW(void* /*owner*/, wchar_t* path, int csidl, BOOL create) {
    const std::string home = HomeFolder();
    std::string folder;
    switch (csidl) {
        case CSIDL_PROFILE: folder = home; break;
        case CSIDL_MYVIDEO: folder = VideosFolder(home); break;
        case CSIDL_WINDOWS: folder = "/"; break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    if (folder.empty() || folder[0] != '/') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    const std::wstring wide = DecodeUtf8Lossless(folder);
    if (wide.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    struct stat info;
    if (create && stat(folder.c_str(), &info) != 0 && !MakeFolderChain(folder)) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    wide.copy(path, wide.size());
    path[wide.size()] = 0;
    return TRUE;
}

DWORD GetTempPathW(DWORD size, wchar_t* buffer) {
    std::wstring folder = L"/tmp/";
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp == '/') {
        folder = DecodeUtf8Lossless(tmp);
        if (folder.back() != L'/') folder += L'/';
    }
    return CopyOut(folder, buffer, size);
}

DWORD GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, DWORD size) {
    const char* value = name == nullptr ? nullptr : std::getenv(EncodeUtf8Lossless(name).c_str());
    if (value == nullptr) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return CopyOut(DecodeUtf8Lossless(value), buffer, size);
}

DWORD GetModuleFileNameW(void* module, wchar_t* buffer, DWORD size) {
    if (module != nullptr || buffer == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) {
        SetLastErrorFromErrno();
        return 0;
    }
    const std::wstring wide = DecodeUtf8Lossless(std::string(path, static_cast<size_t>(length)));
    if (wide.size() >= size) {
        wide.copy(buffer, size - 1);
        buffer[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(wide.size());
}

BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD /*volumeNameSize*/,
                           DWORD* serialNumber, DWORD* maxComponentLength, DWORD* flags,
                           wchar_t* fileSystemName, DWORD /*fileSystemNameSize*/) {
    if (root == nullptr || volumeName != nullptr || maxComponentLength != nullptr ||
        flags != nullptr || fileSystemName != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::uint32_t serial = 0;
    std::string machineId;
    if (std::ifstream file("/etc/machine-id"); file && std::getline(file, machineId) &&
                                               !machineId.empty()) {
        serial = Fnv1a(machineId);
    } else {
        struct statfs info;
        if (statfs("/", &info) != 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        int words[2];
        static_assert(sizeof(words) == sizeof(info.f_fsid));
        std::memcpy(words, &info.f_fsid, sizeof(words));
        serial = static_cast<std::uint32_t>(words[0]) ^ static_cast<std::uint32_t>(words[1]);
    }
    if (serialNumber != nullptr) *serialNumber = serial;
    return TRUE;
}
