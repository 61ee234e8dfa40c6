#include "platform/duilib/test/window_input.h"

#include <cwctype>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/manager/paint_manager.h"
#include "platform/duilib/core/window/window_impl_base.h"
#include "platform/window/window.h"

namespace DuiLib::test {

namespace {

// The key-state table as the platform keeps it: the high bit while down.
void SetKeyDown(UINT vk, bool down) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[vk & 0xFF] = down ? static_cast<BYTE>(state[vk & 0xFF] | 0x80) : static_cast<BYTE>(state[vk & 0xFF] & 0x7F);
    ::SetKeyboardState(state);
}

// As the loops do it: pre-translation, translation, dispatch.
void Deliver(MSG msg) {
    if (CPaintManagerUI::TranslateMessage(&msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void Pointer(HWND hwnd, UINT message, WPARAM buttons, POINT client) {
    POINT screen = client;
    ::ClientToScreen(hwnd, &screen);
    // The hit test and the cursor come first, unless the pointer is captured.
    if (::GetCapture() == 0) {
        const LRESULT code = ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
        if (!::IsWindow(hwnd)) return;
        ::SendMessageW(hwnd, WM_SETCURSOR, static_cast<WPARAM>(hwnd), MAKELPARAM(static_cast<WORD>(code), message));
        if (!::IsWindow(hwnd)) return;
    }
    Deliver(MSG{hwnd, message, buttons, MAKELPARAM(client.x, client.y), 0, screen});
    PumpUntilIdle();
}

}  // namespace

void PumpUntilIdle() {
    MSG msg{};
    // Bounded: a window that keeps posting to itself must not hang a test.
    for (int i = 0; i < 100000 && ::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Deliver(msg);
    }
}

void MoveTo(HWND hwnd, POINT client) { Pointer(hwnd, WM_MOUSEMOVE, 0, client); }

void ClickAt(HWND hwnd, POINT client) {
    Pointer(hwnd, WM_MOUSEMOVE, 0, client);
    SetKeyDown(VK_LBUTTON, true);
    Pointer(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, client);
    SetKeyDown(VK_LBUTTON, false);
    if (::IsWindow(hwnd)) Pointer(hwnd, WM_LBUTTONUP, 0, client);
}

bool Click(HWND hwnd, const wchar_t* name) {
    PumpUntilIdle();  // what the user sees: painted, so laid out after the latest changes
    auto* window = dynamic_cast<WindowImplBase*>(CWindowWnd::FromHandle(hwnd));
    CControlUI* control = window ? window->GetPaintManager().FindControl(name) : nullptr;
    if (!control) return false;
    const RECT& rc = control->GetPos();
    ClickAt(hwnd, POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    return true;
}

void DragFrom(HWND hwnd, POINT from, POINT to, int steps) {
    Pointer(hwnd, WM_MOUSEMOVE, 0, from);
    SetKeyDown(VK_LBUTTON, true);
    Pointer(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, from);
    // The window may move under the pointer: the client point follows it.
    RECT start{};
    ::GetWindowRect(hwnd, &start);
    for (int i = 1; i <= steps && ::IsWindow(hwnd); ++i) {
        RECT now{};
        ::GetWindowRect(hwnd, &now);
        const POINT screen{start.left + from.x + (to.x - from.x) * i / steps,
                           start.top + from.y + (to.y - from.y) * i / steps};
        Pointer(hwnd, WM_MOUSEMOVE, MK_LBUTTON, POINT{screen.x - now.left, screen.y - now.top});
    }
    SetKeyDown(VK_LBUTTON, false);
    if (!::IsWindow(hwnd)) return;
    RECT now{};
    ::GetWindowRect(hwnd, &now);
    Pointer(hwnd, WM_LBUTTONUP, 0, POINT{start.left + to.x - now.left, start.top + to.y - now.top});
}

void Key(HWND hwnd, UINT vk) {
    // The character of the key travels above the 32 bits of the key data, as the
    // platform's translation sends it.
    wchar_t character = 0;
    if (vk == VK_RETURN) character = L'\r';
    else if (vk == VK_ESCAPE) character = 0x1B;
    else if (vk == VK_TAB) character = L'\t';
    else if (vk == VK_BACK) character = L'\b';
    else if (vk == VK_SPACE || (vk >= '0' && vk <= '9')) character = static_cast<wchar_t>(vk);
    else if (vk >= 'A' && vk <= 'Z') character = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(vk)));
    SetKeyDown(vk, true);
    const LPARAM down = 1 | (static_cast<LPARAM>(character) << 32);
    Deliver(MSG{hwnd, WM_KEYDOWN, vk, down, 0, {}});
    PumpUntilIdle();
    SetKeyDown(vk, false);
    if (!::IsWindow(hwnd)) return;
    Deliver(MSG{hwnd, WM_KEYUP, vk, static_cast<LPARAM>(1 | (1u << 30) | (1u << 31)), 0, {}});
    PumpUntilIdle();
}

void Type(HWND hwnd, const wchar_t* text) {
    for (const wchar_t* c = text; c && *c && ::IsWindow(hwnd); ++c) {
        const wchar_t ch = *c;
        const bool letter = (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
        const bool digit = ch >= L'0' && ch <= L'9';
        if (!letter && !digit && ch != L' ') {
            Deliver(MSG{hwnd, WM_CHAR, static_cast<WPARAM>(ch), 1, 0, {}});
            PumpUntilIdle();
            continue;
        }
        const UINT vk = letter ? static_cast<UINT>(std::towupper(static_cast<wint_t>(ch))) : static_cast<UINT>(ch);
        const bool shift = ch >= L'A' && ch <= L'Z';
        if (shift) SetKeyDown(VK_SHIFT, true);
        SetKeyDown(vk, true);
        Deliver(MSG{hwnd, WM_KEYDOWN, vk, 1 | (static_cast<LPARAM>(ch) << 32), 0, {}});
        PumpUntilIdle();
        SetKeyDown(vk, false);
        if (shift) SetKeyDown(VK_SHIFT, false);
        Deliver(MSG{hwnd, WM_KEYUP, vk, static_cast<LPARAM>(1 | (1u << 30) | (1u << 31)), 0, {}});
        PumpUntilIdle();
    }
}

}  // namespace DuiLib::test
