// Folders as a folder chooser shows them: folder paths as the dialog shows them (absolute,
// normalised, no trailing "/" except the root), the sub-folders of a folder, and new
// folders named "New folder", "New folder (2)", … Wide paths carry any file name bytes
// (the lossless codec).
#pragma once
#include <string>
#include <vector>

namespace zovi::platform::folders {

// The user's home folder: $HOME, else the password database, else "/".
std::wstring HomeFolder();
// `path` made absolute and normal: "~" and "~/…" start at the home folder, "." and ".."
// are folded, trailing "/" dropped. "" stays "".
std::wstring NormalizeFolder(const std::wstring& path);
// The folder above; the root's parent is the root.
std::wstring ParentFolder(const std::wstring& folder);
std::wstring JoinFolder(const std::wstring& folder, const std::wstring& name);
bool IsFolder(const std::wstring& path);

struct SubfolderList {
    std::vector<std::wstring> names;  // sorted, case folded first; no dot-folders
    bool readable = true;
    bool permissionDenied = false;
};
SubfolderList ListSubfolders(const std::wstring& folder);

// Makes `baseName`, or `baseName (2)`, `(3)`, … whichever is free first, in `folder`;
// the new folder's path, or "" when none could be made.
std::wstring CreateNumberedFolder(const std::wstring& folder, const std::wstring& baseName);

}  // namespace zovi::platform::folders
