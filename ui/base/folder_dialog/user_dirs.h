// The user's special folders as xdg-user-dir names them: the home folder, then Desktop,
// Documents, Downloads, Music, Pictures and Videos from $XDG_CONFIG_HOME/user-dirs.dirs
// (default ~/.config). A folder the file does not set is the home folder (Desktop:
// ~/Desktop), as xdg-user-dir answers; folders that are the home folder again or do not
// exist are left out. Read afresh on every call.
#pragma once
#include <string>
#include <vector>

namespace DuiLib::folder_dialog {

enum class SpecialFolder { Home, Desktop, Documents, Downloads, Music, Pictures, Videos };

struct SpecialFolderEntry {
    SpecialFolder kind;
    std::wstring path;
};

std::vector<SpecialFolderEntry> ExistingSpecialFolders();

}  // namespace DuiLib::folder_dialog
