// The recorder's six system-wide hotkeys as the tray registers them, and the tray's
// language. A hotkey value is modifier bits × 256 + virtual-key code (1 Alt, 2 Control,
// 4 Shift, 8 Windows key); a virtual key of 0 means no hotkey.
#pragma once
#include <set>

#include "platform/window/hotkeys.h"

struct HotkeyRow {
    int id;                   // the command id forwarded to the main program
    const wchar_t* valueName;  // in the subkey "hotkey"
    DWORD defaultValue;
};

inline constexpr const wchar_t* kHotkeySubkey = L"hotkey";

// In the order they are registered.
inline constexpr HotkeyRow kHotkeyRows[] = {
    {33000, L"startRecord", 0x353},    // Ctrl+Alt+S
    {33001, L"pauseRecord", 0x350},    // Ctrl+Alt+P
    {33002, L"stopRecord", 0x351},     // Ctrl+Alt+Q
    {33004, L"cameraSwitch", 0x343},   // Ctrl+Alt+C
    {33003, L"voiceSwitch", 0x356},    // Ctrl+Alt+V
    {33005, L"toolbarSwitch", 0x354},  // Ctrl+Alt+T
};

// What RegisterHotKey is asked for a stored value: nothing when its virtual key is 0.
struct HotkeyGrab {
    bool wanted = false;
    UINT modifiers = 0;  // MOD_* bits, always with MOD_NOREPEAT
    UINT virtualKey = 0;
};

constexpr HotkeyGrab TranslateHotkeyValue(DWORD value) {
    const UINT virtualKey = value & 0xFF;
    if (virtualKey == 0) return {};
    return {true, ((value >> 8) & 0xFF) | MOD_NOREPEAT, virtualKey};
}

// Registers each row's stored value (writing the default for a missing or wrongly typed
// one) for `tray`; the ids that succeeded join `registered`. A combination that cannot
// be had (another program holds it, no such key) is left out silently.
void RegisterHotkeys(HWND tray, std::set<int>& registered);
// Unregisters every id in `registered`, in ascending order, and empties it.
void UnregisterHotkeys(HWND tray, std::set<int>& registered);
// Selects Chinese when the stored "lang" is exactly "zh-CN", else English.
void ApplyLanguage();
