// Menus (CreateMenu, CreatePopupMenu, AppendMenuW, GetSubMenu, DestroyMenu) and the
// pop-up menu loop (TrackPopupMenu): a self-drawn override-redirect window holding the
// pointer and keyboard grabs, with a nested loop that keeps the thread's timers and
// posted messages running. Menus live in this process only.
#pragma once
#include "platform/window/window_types.h"

inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_DISABLED = 0x0002;
inline constexpr UINT MF_POPUP = 0x0010;
inline constexpr UINT MF_SEPARATOR = 0x0800;

inline constexpr UINT TPM_LEFTALIGN = 0x0000;
inline constexpr UINT TPM_RIGHTBUTTON = 0x0002;
inline constexpr UINT TPM_NONOTIFY = 0x0080;
inline constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// MF_POPUP: `idOrSubMenu` is the sub-menu (owned by `menu` from then on).
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, const wchar_t* text);
HMENU GetSubMenu(HMENU menu, int position);
// Destroys the menu and its sub-menus.
BOOL DestroyMenu(HMENU menu);

// Shows `menu` with its top-left corner at the screen point (kept on the point's
// monitor) and runs until an item is chosen (release over it, or Return) or the menu is
// dismissed (a press outside, Escape, the grab lost). With TPM_RETURNCMD the chosen id
// is returned (0 when none) and, with TPM_NONOTIFY, nothing is sent; without it the id
// goes to `owner` as WM_COMMAND and the result is nonzero when an item was chosen.
// Always releases both grabs before it returns. `reserved` must be 0; `rect` is ignored.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

namespace zovi::platform {

// The override-redirect window of the menu the calling thread shows now, or 0.
HWND ActivePopupMenuWindow();

}  // namespace zovi::platform
