// The notification-area icon (Shell_NotifyIconW) and small icons (HICON). An icon is
// shown by the desktop's notification area: a StatusNotifierItem on the session bus when
// a StatusNotifierWatcher is registered there, else an XEmbed system-tray icon window
// docked into the panel that owns _NET_SYSTEM_TRAY_S<screen>. NIM_ADD fails (FALSE) when
// neither is there, so the caller may retry. Clicks reach the owner window as its
// callback message, posted with wParam = uID and lParam = the plain mouse message
// (WM_LBUTTONUP, WM_RBUTTONUP, WM_MOUSEMOVE); the message's position (GetMessagePos) is
// the click's. Only the owner window's thread calls it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/window/window_types.h"

// An icon: straight-alpha ARGB pixels (0xAARRGGBB), row by row.
struct ZoviIcon {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};
using HICON = const ZoviIcon*;

// Decodes a PNG held in memory into a new icon; null when it is no PNG.
HICON CreateIconFromPng(const unsigned char* data, size_t size);
BOOL DestroyIcon(HICON icon);

inline constexpr DWORD NIM_ADD = 0x0;
inline constexpr DWORD NIM_MODIFY = 0x1;
inline constexpr DWORD NIM_DELETE = 0x2;
inline constexpr UINT NIF_MESSAGE = 0x1;
inline constexpr UINT NIF_ICON = 0x2;
inline constexpr UINT NIF_TIP = 0x4;

struct NOTIFYICONDATAW {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;        // null shows an empty (transparent) icon
    wchar_t szTip[128];
};

// NIM_ADD: a new icon for (hWnd, uID); FALSE when it exists or no notification area is
// there. NIM_MODIFY: changes what uFlags names (the icon repaints). NIM_DELETE: removes
// it. The icon's pixels are copied: the caller may destroy hIcon afterwards.
BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data);
