// The per-thread key-state table (GetKeyState), kept from the input messages taken.
#include <algorithm>

#include "platform/window/window_internal.h"

namespace zovi::platform::window_detail {

namespace {

constexpr BYTE kDown = 0x80;
constexpr BYTE kToggled = 0x01;

void SetDown(std::array<BYTE, 256>& table, UINT vk, bool down) {
    BYTE& entry = table[vk & 0xFF];
    if (down && !(entry & kDown)) entry ^= kToggled;  // a new press toggles
    entry = down ? (entry | kDown) : (entry & ~kDown);
}

}  // namespace

void UpdateKeyState(MessageQueue& queue, const MSG& msg, unsigned state) {
    auto& table = queue.keyState;
    // The event's state is from just before it: the modifiers and buttons held then.
    SetDown(table, VK_SHIFT, state & ShiftMask);
    SetDown(table, VK_CONTROL, state & ControlMask);
    SetDown(table, VK_MENU, state & Mod1Mask);
    SetDown(table, VK_LWIN, state & Mod4Mask);
    SetDown(table, VK_LBUTTON, state & Button1Mask);
    SetDown(table, VK_MBUTTON, state & Button2Mask);
    SetDown(table, VK_RBUTTON, state & Button3Mask);
    table[VK_CAPITAL] = (table[VK_CAPITAL] & kDown) | ((state & LockMask) ? kToggled : 0);
    // Then the change the message itself makes.
    switch (msg.message) {
        case WM_KEYDOWN: case WM_SYSKEYDOWN: SetDown(table, static_cast<UINT>(msg.wParam), true); break;
        case WM_KEYUP: case WM_SYSKEYUP: SetDown(table, static_cast<UINT>(msg.wParam), false); break;
        case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: SetDown(table, VK_LBUTTON, true); break;
        case WM_LBUTTONUP: SetDown(table, VK_LBUTTON, false); break;
        case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: SetDown(table, VK_RBUTTON, true); break;
        case WM_RBUTTONUP: SetDown(table, VK_RBUTTON, false); break;
        case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: SetDown(table, VK_MBUTTON, true); break;
        case WM_MBUTTONUP: SetDown(table, VK_MBUTTON, false); break;
        default: break;
    }
}

}  // namespace zovi::platform::window_detail

using zovi::platform::window_detail::MessageQueue;

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 0xFF) return 0;
    const BYTE entry = MessageQueue::Current().keyState[static_cast<size_t>(virtualKey)];
    return static_cast<SHORT>(static_cast<WORD>(((entry & 0x80) ? 0x8000 : 0) | (entry & 0x01)));
}

BOOL GetKeyboardState(BYTE* state) {
    if (!state) return FALSE;
    const auto& table = MessageQueue::Current().keyState;
    std::copy(table.begin(), table.end(), state);
    return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
    if (!state) return FALSE;
    auto& table = MessageQueue::Current().keyState;
    std::copy(state, state + table.size(), table.begin());
    return TRUE;
}
