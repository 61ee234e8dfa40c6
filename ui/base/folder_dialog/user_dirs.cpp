#include "ui/base/folder_dialog/user_dirs.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "platform/base/utf8.h"
#include "platform/fs/folder_paths.h"

namespace DuiLib::folder_dialog {

namespace {
using namespace zovi::platform::folders;
struct Key {
    SpecialFolder kind;
    const char* variable;
};
constexpr Key kKeys[] = {
    {SpecialFolder::Desktop, "XDG_DESKTOP_DIR"},     {SpecialFolder::Documents, "XDG_DOCUMENTS_DIR"},
    {SpecialFolder::Downloads, "XDG_DOWNLOAD_DIR"},  {SpecialFolder::Music, "XDG_MUSIC_DIR"},
    {SpecialFolder::Pictures, "XDG_PICTURES_DIR"},   {SpecialFolder::Videos, "XDG_VIDEOS_DIR"},
};

std::string ConfigFile(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string folder = config && *config == '/' ? std::string(config) : home + "/.config";
    return folder + "/user-dirs.dirs";
}

// The file's lines of the form XDG_NAME_DIR="$HOME/…" or XDG_NAME_DIR="/…" (other
// lines are comments or not allowed by the format), with "$HOME" expanded and the
// backslash escapes removed.
std::map<std::string, std::string> ReadUserDirs(const std::string& home) {
    std::map<std::string, std::string> values;
    std::ifstream file(ConfigFile(home));
    std::string line;
    while (std::getline(file, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        const size_t equals = line.find('=', start);
        if (equals == std::string::npos || equals + 1 >= line.size() || line[equals + 1] != '"') continue;
        const size_t close = line.rfind('"');
        if (close <= equals + 1) continue;
        std::string raw = line.substr(equals + 2, close - equals - 2);
        std::string value;
        if (raw.rfind("$HOME", 0) == 0) {
            value = home;
            raw.erase(0, 5);
        } else if (raw.empty() || raw.front() != '/') {
            continue;
        }
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
            value += raw[i];
        }
        values[line.substr(start, equals - start)] = value;
    }
    return values;
}
}  // namespace

std::vector<SpecialFolderEntry> ExistingSpecialFolders() {
    const std::wstring home = HomeFolder();
    std::vector<SpecialFolderEntry> folders;
    if (IsFolder(home)) folders.push_back({SpecialFolder::Home, home});
    const std::string homeBytes = zovi::platform::EncodeUtf8Lossless(home);
    const auto values = ReadUserDirs(homeBytes);
    for (const Key& key : kKeys) {
        const auto found = values.find(key.variable);
        std::wstring path;
        if (found != values.end()) {
            path = NormalizeFolder(zovi::platform::DecodeUtf8Lossless(found->second));
        } else {
            path = key.kind == SpecialFolder::Desktop ? JoinFolder(home, L"Desktop") : home;
        }
        if (path != home && IsFolder(path)) folders.push_back({key.kind, path});
    }
    return folders;
}

}  // namespace DuiLib::folder_dialog
