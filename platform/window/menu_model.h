// The menu objects behind HMENU (popup_menu.h) as the pop-up menu loop reads them: a
// copy of one menu's entries, and which entries a user may choose. Any thread; the
// objects are guarded by one lock of the process.
#pragma once
#include <string>
#include <vector>

#include "platform/window/window_types.h"

namespace zovi::platform::menu_detail {

struct MenuEntry {
    UINT flags = 0;  // MF_* as appended
    UINT id = 0;     // 0 for separators and sub-menus
    std::wstring text;
    bool separator = false;
    bool popup = false;    // opens a sub-menu
    bool disabled = false; // MF_GRAYED or MF_DISABLED
};

// A copy of the entries of a live menu; false for a handle that is not one.
bool CopyMenuEntries(HMENU menu, std::vector<MenuEntry>* entries);

// A string entry that is enabled and opens no sub-menu.
bool IsChoosable(const MenuEntry& entry);

// The next choosable entry from `from` in `step` (+1 down, -1 up) direction, wrapping
// round; from -1 going down starts at the first, going up at the last. -1 when none.
int NextChoosable(const std::vector<MenuEntry>& entries, int from, int step);

// The text as shown: "&&" becomes "&", a lone "&" (the mnemonic mark) is dropped.
std::wstring DisplayText(const std::wstring& text);

}  // namespace zovi::platform::menu_detail
