// The tray icon's menu: its two in-code tables (Chinese 201, English 202, each one popup
// "TrayIcon_Popup"), the choice between them by the "lang" setting, and where the menu
// opens when the click lies outside every monitor.
#pragma once
#include <string>

#include "platform/window/window_types.h"

inline constexpr UINT kTrayMenuChinese = 201;
inline constexpr UINT kTrayMenuEnglish = 202;

// One row of a menu table; id 0 is a separator.
struct TrayMenuRow {
    UINT id;
    const wchar_t* text;
};

// Exactly "zh-CN" selects the Chinese menu; anything else (other cases, empty) English.
UINT TrayMenuFor(const std::wstring& lang);
// The rows of menu 201 or 202, ending with {0, nullptr}; null for any other id.
const TrayMenuRow* TrayMenuRows(UINT menuId);
// A menu whose first submenu holds the rows of `menuId`; null for an unknown id.
HMENU LoadTrayMenu(UINT menuId);

// A point outside every monitor gets its x clamped into the nearest monitor's work
// area; y never changes. A point on a monitor is returned as it is.
POINT ClampMenuPoint(POINT point);
