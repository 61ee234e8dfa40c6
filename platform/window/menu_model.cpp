// Menu objects: lists of entries held by handle in a table of the process, so a stale
// or foreign handle is refused instead of followed.
#include "platform/window/menu_model.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/last_error.h"
#include "platform/window/popup_menu.h"

namespace zovi::platform::menu_detail {

namespace {

constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;

struct StoredEntry {
    MenuEntry entry;
    HMENU subMenu = nullptr;  // owned, for popup entries
};

struct MenuObject {
    std::vector<StoredEntry> entries;
    HMENU parent = nullptr;  // the menu whose entry owns this one
};

struct MenuTable {
    std::mutex lock;
    std::map<HMENU, std::unique_ptr<MenuObject>> menus;
    std::uintptr_t nextHandle = 0x4D000;
};

MenuTable& Table() {
    static auto* table = new MenuTable;
    return *table;
}

// With the table's lock held.
MenuObject* Find(MenuTable& table, HMENU menu) {
    auto it = table.menus.find(menu);
    return it == table.menus.end() ? nullptr : it->second.get();
}

HMENU NewMenu() {
    MenuTable& table = Table();
    std::lock_guard lock(table.lock);
    const auto handle = reinterpret_cast<HMENU>(table.nextHandle++);
    table.menus.emplace(handle, std::make_unique<MenuObject>());
    return handle;
}

// With the table's lock held: removes the menu and every sub-menu it owns.
void EraseTree(MenuTable& table, HMENU menu) {
    auto it = table.menus.find(menu);
    if (it == table.menus.end()) return;
    std::unique_ptr<MenuObject> object = std::move(it->second);
    table.menus.erase(it);
    for (const StoredEntry& stored : object->entries)
        if (stored.subMenu) EraseTree(table, stored.subMenu);
}

constexpr UINT kKnownFlags = MF_STRING | MF_GRAYED | MF_DISABLED | MF_POPUP | MF_SEPARATOR;

}  // namespace

bool CopyMenuEntries(HMENU menu, std::vector<MenuEntry>* entries) {
    MenuTable& table = Table();
    std::lock_guard lock(table.lock);
    const MenuObject* object = Find(table, menu);
    if (!object) return false;
    entries->clear();
    for (const StoredEntry& stored : object->entries) entries->push_back(stored.entry);
    return true;
}

bool IsChoosable(const MenuEntry& entry) { return !entry.separator && !entry.popup && !entry.disabled; }

int NextChoosable(const std::vector<MenuEntry>& entries, int from, int step) {
    const int count = static_cast<int>(entries.size());
    if (count == 0) return -1;
    int index = from;
    if (index < 0 || index >= count) index = step > 0 ? -1 : count;
    for (int tried = 0; tried < count; ++tried) {
        index = ((index + step) % count + count) % count;
        if (IsChoosable(entries[static_cast<size_t>(index)])) return index;
    }
    return -1;
}

std::wstring DisplayText(const std::wstring& text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') {
            shown.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == L'&') {
            shown.push_back(L'&');
            ++i;
        }
    }
    return shown;
}

}  // namespace zovi::platform::menu_detail

using namespace zovi::platform::menu_detail;

HMENU CreateMenu() { return NewMenu(); }

HMENU CreatePopupMenu() { return NewMenu(); }

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, const wchar_t* text) {
    if (flags & ~kKnownFlags) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MenuTable& table = Table();
    std::lock_guard lock(table.lock);
    MenuObject* object = Find(table, menu);
    if (!object) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    StoredEntry stored;
    stored.entry.flags = flags;
    stored.entry.disabled = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
    if (flags & MF_SEPARATOR) {
        stored.entry.separator = true;
    } else {
        stored.entry.text = text ? text : L"";
        if (flags & MF_POPUP) {
            const auto subMenu = reinterpret_cast<HMENU>(idOrSubMenu);
            MenuObject* sub = Find(table, subMenu);
            // A menu has one owner, and never holds itself.
            if (!sub || sub->parent || subMenu == menu) {
                SetLastError(ERROR_INVALID_MENU_HANDLE);
                return FALSE;
            }
            sub->parent = menu;
            stored.subMenu = subMenu;
            stored.entry.popup = true;
        } else {
            stored.entry.id = static_cast<UINT>(idOrSubMenu);
        }
    }
    object->entries.push_back(std::move(stored));
    return TRUE;
}

HMENU GetSubMenu(HMENU menu, int position) {
    MenuTable& table = Table();
    std::lock_guard lock(table.lock);
    const MenuObject* object = Find(table, menu);
    if (!object || position < 0 || position >= static_cast<int>(object->entries.size())) return nullptr;
    return object->entries[static_cast<size_t>(position)].subMenu;
}

BOOL DestroyMenu(HMENU menu) {
    MenuTable& table = Table();
    std::lock_guard lock(table.lock);
    MenuObject* object = Find(table, menu);
    if (!object) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    // A sub-menu destroyed on its own leaves its owner's list, so nothing points at it.
    if (MenuObject* parent = Find(table, object->parent)) {
        std::erase_if(parent->entries, [menu](const StoredEntry& stored) { return stored.subMenu == menu; });
    }
    EraseTree(table, menu);
    return TRUE;
}
