#include "platform/window/key_map.h"

#include <X11/keysym.h>

namespace zovi::platform::window_detail {

UINT VirtualKeyFromKeysym(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return static_cast<UINT>('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z) return static_cast<UINT>(sym);
    if (sym >= XK_0 && sym <= XK_9) return static_cast<UINT>(sym);
    if (sym >= XK_F1 && sym <= XK_F24) return static_cast<UINT>(VK_F1 + (sym - XK_F1));
    switch (sym) {
        case XK_BackSpace: return VK_BACK;
        case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
        case XK_Return: case XK_KP_Enter: return VK_RETURN;
        case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
        case XK_Control_L: case XK_Control_R: return VK_CONTROL;
        case XK_Alt_L: case XK_Alt_R: return VK_MENU;
        case XK_Super_L: return VK_LWIN;
        case XK_Super_R: return VK_RWIN;
        case XK_Caps_Lock: return VK_CAPITAL;
        case XK_Escape: return VK_ESCAPE;
        case XK_space: return VK_SPACE;
        case XK_Prior: return VK_PRIOR;
        case XK_Next: return VK_NEXT;
        case XK_End: return VK_END;
        case XK_Home: return VK_HOME;
        case XK_Left: return VK_LEFT;
        case XK_Up: return VK_UP;
        case XK_Right: return VK_RIGHT;
        case XK_Down: return VK_DOWN;
        case XK_Insert: return VK_INSERT;
        case XK_Delete: return VK_DELETE;
        default: return 0;
    }
}

wchar_t KeysymCharacter(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<wchar_t>(sym);
    if ((sym & 0xFF000000) == 0x01000000) return static_cast<wchar_t>(sym & 0x00FFFFFF);
    switch (sym) {
        case XK_Return: case XK_KP_Enter: return L'\r';
        case XK_BackSpace: return L'\b';
        case XK_Tab: return L'\t';
        case XK_Escape: return 0x1B;
        default: return 0;
    }
}

}  // namespace zovi::platform::window_detail
