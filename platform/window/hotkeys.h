// System-wide hotkeys (RegisterHotKey, UnregisterHotKey): a key combination grabbed on
// the root window for every lock-key variant (CapsLock, NumLock and both), delivered as
// WM_HOTKEY(id, MAKELPARAM(modifiers, virtual key)) posted to the registering window.
// Only the window's own thread registers and unregisters; a combination another X
// client holds fails that registration alone (ERROR_HOTKEY_ALREADY_REGISTERED), as does
// a second registration of an id for the same window or of a combination this process
// holds already. With MOD_NOREPEAT a held key gives one WM_HOTKEY until it is released.
#pragma once
#include "platform/window/window_types.h"

inline constexpr UINT WM_HOTKEY = 0x0312;
inline constexpr UINT MOD_ALT = 0x0001;
inline constexpr UINT MOD_CONTROL = 0x0002;
inline constexpr UINT MOD_SHIFT = 0x0004;
inline constexpr UINT MOD_WIN = 0x0008;
inline constexpr UINT MOD_NOREPEAT = 0x4000;
inline constexpr DWORD ERROR_HOTKEY_ALREADY_REGISTERED = 1409;

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey);
BOOL UnregisterHotKey(HWND hwnd, int id);
