#include "platform/window/hotkey_keys.h"

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

#include "platform/window/hotkeys.h"
#include "platform/window/key_map.h"

namespace zovi::platform::window_detail {

namespace {

struct KeyRow {
    UINT virtualKey;
    KeySym keysym;
};

// Keys the key messages do not name (the key map covers letters, digits, F1-F24, the
// editing and navigation keys and the modifiers).
constexpr KeyRow kHotkeyOnlyKeys[] = {
    {0x03, XK_Cancel},
    {0x0C, XK_Clear},
    {0x13, XK_Pause},
    {0x15, XK_Hiragana_Katakana},  // Kana
    {0x19, XK_Kanji},
    {0x1C, XK_Henkan_Mode},  // Convert
    {0x1D, XK_Muhenkan},     // NonConvert
    {0x1F, XK_Mode_switch},
    {0x29, XK_Select},
    {0x2A, XK_Print},
    {0x2B, XK_Execute},
    {0x2C, XK_Print},  // PrintScreen
    {0x2F, XK_Help},
    {0x5D, XK_Menu},  // Apps
    {0x5F, XF86XK_Sleep},
    {0x60, XK_KP_0},
    {0x61, XK_KP_1},
    {0x62, XK_KP_2},
    {0x63, XK_KP_3},
    {0x64, XK_KP_4},
    {0x65, XK_KP_5},
    {0x66, XK_KP_6},
    {0x67, XK_KP_7},
    {0x68, XK_KP_8},
    {0x69, XK_KP_9},
    {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},
    {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide},
    {0x90, XK_Num_Lock},
    {0x91, XK_Scroll_Lock},
    {0xA0, XK_Shift_L},
    {0xA1, XK_Shift_R},
    {0xA2, XK_Control_L},
    {0xA3, XK_Control_R},
    {0xA4, XK_Alt_L},
    {0xA5, XK_Alt_R},
    {0xA6, XF86XK_Back},
    {0xA7, XF86XK_Forward},
    {0xA8, XF86XK_Refresh},
    {0xA9, XF86XK_Stop},
    {0xAA, XF86XK_Search},
    {0xAB, XF86XK_Favorites},
    {0xAC, XF86XK_HomePage},
    {0xAD, XF86XK_AudioMute},
    {0xAE, XF86XK_AudioLowerVolume},
    {0xAF, XF86XK_AudioRaiseVolume},
    {0xB0, XF86XK_AudioNext},
    {0xB1, XF86XK_AudioPrev},
    {0xB2, XF86XK_AudioStop},
    {0xB3, XF86XK_AudioPlay},
    {0xB4, XF86XK_Mail},
    {0xB5, XF86XK_AudioMedia},
    {0xB6, XF86XK_MyComputer},  // LaunchApp1
    {0xB7, XF86XK_Calculator},  // LaunchApp2
    {0xBA, XK_semicolon},
    {0xBB, XK_equal},  // the key of "+"
    {0xBC, XK_comma},
    {0xBD, XK_minus},
    {0xBE, XK_period},
    {0xBF, XK_slash},
    {0xC0, XK_grave},
    {0xDB, XK_bracketleft},
    {0xDC, XK_backslash},
    {0xDD, XK_bracketright},
    {0xDE, XK_apostrophe},
    {0xE2, XK_less},  // the extra key of European keyboards
};

// The key map read backwards: for each virtual key, the first keysym it comes from
// (Return before the keypad's Enter, the left modifier before the right one).
std::array<KeySym, 256> InvertKeyMap() {
    std::array<KeySym, 256> keysyms{};
    auto note = [&](KeySym sym) {
        const UINT vk = VirtualKeyFromKeysym(sym);
        if (vk != 0 && vk < keysyms.size() && keysyms[vk] == NoSymbol) keysyms[vk] = sym;
    };
    // Lower-case letters first: the keysym a letter key has without Shift.
    for (KeySym sym = XK_a; sym <= XK_z; ++sym) note(sym);
    for (KeySym sym = XK_space; sym <= XK_ydiaeresis; ++sym) note(sym);
    for (KeySym sym = 0xFF00; sym <= 0xFFFF; ++sym) note(sym);
    return keysyms;
}

unsigned ModifierMaskOfKeysym(Display* display, XModifierKeymap* map, KeySym sym) {
    const KeyCode code = XKeysymToKeycode(display, sym);
    if (code == 0) return 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == code) return 1u << modifier;
        }
    }
    return 0;
}

}  // namespace

KeySym HotkeyKeysym(UINT virtualKey) {
    static const std::array<KeySym, 256> fromKeyMap = InvertKeyMap();
    if (virtualKey >= fromKeyMap.size()) return NoSymbol;
    if (fromKeyMap[virtualKey] != NoSymbol) return fromKeyMap[virtualKey];
    for (const KeyRow& row : kHotkeyOnlyKeys) {
        if (row.virtualKey == virtualKey) return row.keysym;
    }
    return NoSymbol;
}

unsigned HotkeyModifierMask(UINT modifiers) {
    unsigned mask = 0;
    if (modifiers & MOD_ALT) mask |= Mod1Mask;
    if (modifiers & MOD_CONTROL) mask |= ControlMask;
    if (modifiers & MOD_SHIFT) mask |= ShiftMask;
    if (modifiers & MOD_WIN) mask |= Mod4Mask;
    return mask;
}

unsigned LockModifierMask(Display* display) {
    unsigned locks = LockMask;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) return locks;
    locks |= ModifierMaskOfKeysym(display, map, XK_Num_Lock);
    locks |= ModifierMaskOfKeysym(display, map, XK_Scroll_Lock);
    XFreeModifiermap(map);
    // A lock key mapped onto a modifier a hotkey uses would swallow that modifier.
    return locks & ~(ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
}

std::vector<unsigned> LockVariants(unsigned locks) {
    // Every subset of the set bits, counted up through the mask.
    std::vector<unsigned> variants{0};
    for (unsigned subset = (0 - locks) & locks; subset != 0; subset = (subset - locks) & locks) {
        variants.push_back(subset);
    }
    return variants;
}

}  // namespace zovi::platform::window_detail
