#include "ui/recording/wb_toolbar/wb_accelerators.h"

namespace DuiLib {

namespace {

constexpr UINT kF1 = 0x70;
constexpr UINT kF9 = 0x78;

constexpr WBAccelerator kTable[] = {
    {true, kF1 + 0, 2000},     {true, kF1 + 1, 2001}, {true, kF1 + 2, 2002},  {true, kF1 + 3, 2003},
    {true, kF1 + 4, 2004},     {true, kF1 + 5, 2005}, {false, VK_ESCAPE, 3000}, {true, kF9 + 0, 3001},
    {true, kF9 + 1, 3002},     {true, kF9 + 2, 3003}, {true, kF9 + 3, 3004},
};
constexpr WBAcceleratorTable kAccelerators{kTable};

bool IsDown(UINT vk) { return (::GetKeyState(static_cast<int>(vk)) & 0x8000) != 0; }

}  // namespace

HWBACCEL LoadWBAccelerators() { return &kAccelerators; }

bool TranslateWBAccelerator(HWND target, HWBACCEL table, const MSG* msg) {
    if (!table || !msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return false;
    const bool ctrl = IsDown(VK_CONTROL);
    if (IsDown(VK_SHIFT) || IsDown(VK_MENU)) return false;
    for (const WBAccelerator& entry : table->entries) {
        if (entry.vk != msg->wParam || entry.ctrl != ctrl) continue;
        ::SendMessageW(target, WM_COMMAND, MAKEWPARAM(entry.command, 1), 0);
        return true;
    }
    return false;
}

}  // namespace DuiLib
