#include "tray/tray_menu.h"

#include "core/traylink/tray_link.h"
#include "platform/screen/monitor_from.h"
#include "platform/window/popup_menu.h"

namespace {

const TrayMenuRow kChineseRows[] = {
    {kCmdOpenMain, L"打开主界面"},
    {kCmdSettings, L"设置"},
    {kCmdHomePage, L"打开官网"},
    {0, L""},
    {kCmdExit, L"退出"},
    {0, nullptr},
};

const TrayMenuRow kEnglishRows[] = {
    {kCmdOpenMain, L"Open Zovi录屏"},
    {kCmdSettings, L"Options"},
    {kCmdHomePage, L"Homepage"},
    {0, L""},
    {kCmdExit, L"Exit"},
    {0, nullptr},
};

}  // namespace

UINT TrayMenuFor(const std::wstring& lang) { return lang == L"zh-CN" ? kTrayMenuChinese : kTrayMenuEnglish; }

const TrayMenuRow* TrayMenuRows(UINT menuId) {
    if (menuId == kTrayMenuChinese) return kChineseRows;
    if (menuId == kTrayMenuEnglish) return kEnglishRows;
    return nullptr;
}

HMENU LoadTrayMenu(UINT menuId) {
    const TrayMenuRow* rows = TrayMenuRows(menuId);
    if (!rows) return nullptr;
    HMENU popup = CreatePopupMenu();
    for (const TrayMenuRow* row = rows; row->text; ++row) {
        if (row->id == 0) {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(popup, MF_STRING, row->id, row->text);
        }
    }
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"TrayIcon_Popup");
    return menu;
}

POINT ClampMenuPoint(POINT point) {
    if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL)) return point;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info)) return point;
    if (point.x < info.rcWork.left) point.x = info.rcWork.left;
    if (point.x > info.rcWork.right) point.x = info.rcWork.right;
    return point;
}
