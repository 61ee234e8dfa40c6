// Windows of the desktop as the capture-source list and the window follower see them.
// Windows of other programs can vanish at any moment: every call fails soft.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/screen/screen_connection.h"

namespace zovi::platform {

// The top-level client windows, topmost first (_NET_CLIENT_LIST_STACKING when a window
// manager publishes it, else the root's children).
std::vector<HWND> ListTopLevelWindows(CScreenConnection& connection);

bool IsWindow(CScreenConnection& connection, HWND window);
// The window's rectangle on the root, decorations (_NET_FRAME_EXTENTS) included.
bool GetWindowRect(CScreenConnection& connection, HWND window, RECT* rect);
// The size of the window's own area; false when the window is gone.
bool GetClientSize(CScreenConnection& connection, HWND window, SIZE* size);
// Mapped and viewable.
bool IsWindowVisible(CScreenConnection& connection, HWND window);
// Iconified (WM_STATE) or hidden (_NET_WM_STATE_HIDDEN).
bool IsIconic(CScreenConnection& connection, HWND window);
// Override-redirect, or a window type other than normal and dialog (docks, desktops,
// menus, tooltips, splash screens...).
bool IsToolWindow(CScreenConnection& connection, HWND window);
// _NET_WM_NAME, else WM_NAME; empty when there is none.
std::wstring GetWindowTitle(CScreenConnection& connection, HWND window);
// The class part of WM_CLASS.
std::wstring GetWindowClassName(CScreenConnection& connection, HWND window);
// _NET_WM_PID; 0 when the window does not tell.
pid_t GetWindowProcessId(CScreenConnection& connection, HWND window);

// The file name of a process's program (/proc/<pid>/exe, else /proc/<pid>/comm).
bool GetProcessImageName(pid_t pid, std::string* name);
pid_t GetCurrentProcessId();

}  // namespace zovi::platform
