// BrowseForFolder: the program's folder chooser as one call. Runs the dialog modally over
// `owner` (0 or a dead handle: none) and returns the chosen folder without a trailing
// "/", or nothing after Cancel, Escape, the close button or a failure. UI thread only.
#pragma once
#include <optional>
#include <string>

#include "platform/window/window_types.h"

namespace DuiLib {

// `startFolder` "" or missing: the home folder. `title` "": "Choose a folder".
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& startFolder = {},
                                            const std::wstring& title = {});

}  // namespace DuiLib
