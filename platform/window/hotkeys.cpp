#include "platform/window/hotkeys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/window/hotkey_keys.h"
#include "platform/window/hotkey_repeat.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"
#include "platform/window/x_event_filter.h"
#include "platform/x11/x11_init.h"

namespace {

using zovi::platform::window_detail::CHotkeyRepeatFilter;

constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorWindowOfOtherThread = 1408;
constexpr DWORD kErrorHotkeyNotRegistered = 1419;
constexpr UINT kModifierFlags = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

struct Hotkey {
    HWND hwnd;
    int id;
    UINT modifiers;  // the MOD_* flags of the combination (MOD_NOREPEAT apart)
    UINT virtualKey;
    unsigned mask;    // the X modifiers of the combination
    KeyCode keycode;  // the grabbed key; 0 while not grabbed (after a keyboard map change
                      // left no key for it, or another client took it meanwhile)
    CHotkeyRepeatFilter repeat;
};

// A thread's hotkeys: registered, grabbed and delivered on that thread and its own
// connection only, so they need no lock. Two threads are two X clients: the server
// refuses a combination another thread holds as it does another program's.
struct ThreadHotkeys {
    Display* display = nullptr;
    Window root = 0;
    unsigned locks = 0;  // the lock modifiers of the current keyboard map
    int filterId = 0;
    bool detectableRepeat = false;
    std::vector<Hotkey> keys;
};

thread_local ThreadHotkeys t_hotkeys;

bool Usable(Display* display) { return display && !zovi::platform::x11::ConnectionLost(display); }

void Ungrab(const ThreadHotkeys& state, KeyCode keycode, unsigned mask) {
    if (keycode == 0 || !Usable(state.display)) return;
    zovi::platform::x11::CXErrorTrap trap(state.display);
    for (unsigned locks : zovi::platform::window_detail::LockVariants(state.locks)) {
        XUngrabKey(state.display, keycode, mask | locks, state.root);
    }
    trap.Failed();
}

// Grabs every lock variant of the combination; on failure none stays grabbed and the
// last error tells why (another client holds one of the variants: already registered).
bool Grab(const ThreadHotkeys& state, KeyCode keycode, unsigned mask) {
    if (!Usable(state.display)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // Errors of earlier requests go to whoever made them, not to this trap.
    XSync(state.display, False);
    int errorCode = 0;
    {
        zovi::platform::x11::CXErrorTrap trap(state.display);
        for (unsigned locks : zovi::platform::window_detail::LockVariants(state.locks)) {
            // Not owner_events: the key's press and release reach the root even when
            // one of our own windows has the focus.
            XGrabKey(state.display, keycode, mask | locks, state.root, False, GrabModeAsync, GrabModeAsync);
        }
        if (!trap.Failed()) return true;
        errorCode = trap.ErrorCode();
    }
    Ungrab(state, keycode, mask);
    SetLastError(errorCode == BadAccess ? ERROR_HOTKEY_ALREADY_REGISTERED : ERROR_INVALID_PARAMETER);
    return false;
}

KeyCode KeycodeOf(Display* display, UINT virtualKey) {
    const KeySym keysym = zovi::platform::window_detail::HotkeyKeysym(virtualKey);
    return keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
}

void Deliver(const Hotkey& key) {
    const LPARAM keys = MAKELPARAM(key.modifiers, key.virtualKey);
    if (key.hwnd) {
        PostMessageW(key.hwnd, WM_HOTKEY, static_cast<WPARAM>(key.id), keys);
    } else {
        PostThreadMessageW(GetCurrentThreadId(), WM_HOTKEY, static_cast<WPARAM>(key.id), keys);
    }
}

// The keyboard map changed: keys may sit on other keycodes, locks on other modifiers.
void GrabAgain(ThreadHotkeys& state) {
    for (Hotkey& key : state.keys) {
        Ungrab(state, key.keycode, key.mask);
        key.keycode = 0;
    }
    if (!Usable(state.display)) return;
    state.locks = zovi::platform::window_detail::LockModifierMask(state.display);
    for (Hotkey& key : state.keys) {
        const KeyCode keycode = KeycodeOf(state.display, key.virtualKey);
        if (keycode != 0 && Grab(state, keycode, key.mask)) key.keycode = keycode;
    }
}

void StopWhenEmpty(ThreadHotkeys& state) {
    if (!state.keys.empty() || state.filterId == 0) return;
    zovi::platform::RemoveXEventFilter(state.filterId);
    state.filterId = 0;
    state.display = nullptr;
    state.detectableRepeat = false;
}

// Drops the hotkeys of windows that no longer exist (ungrabbing them).
void DropGoneWindows(ThreadHotkeys& state) {
    std::erase_if(state.keys, [&](const Hotkey& key) {
        if (key.hwnd == 0 || zovi::platform::window_detail::FindRecord(key.hwnd)) return false;
        Ungrab(state, key.keycode, key.mask);
        return true;
    });
    StopWhenEmpty(state);
}

bool OnHotkeyEvent(XEvent& event) {
    ThreadHotkeys& state = t_hotkeys;
    switch (event.type) {
        case KeyPress:
        case KeyRelease: {
            if (event.xkey.window != state.root) return false;
            // Core modifiers only (no buttons, no keyboard group), whatever locks are on.
            const unsigned held = event.xkey.state & 0xFF & ~state.locks;
            bool ours = false;
            for (Hotkey& key : state.keys) {
                if (key.keycode == 0 || key.keycode != event.xkey.keycode) continue;
                ours = true;
                if (event.type == KeyRelease) {
                    key.repeat.Release();
                } else if (key.mask == held && key.repeat.Press()) {
                    Deliver(key);
                }
            }
            return ours;
        }
        case MappingNotify:
            if (event.xmapping.request != MappingPointer) {
                XRefreshKeyboardMapping(&event.xmapping);
                GrabAgain(state);
            }
            return false;  // the window layer refreshes its own key map too
        case DestroyNotify:
            if (std::any_of(state.keys.begin(), state.keys.end(),
                            [&](const Hotkey& key) { return key.hwnd == event.xdestroywindow.window; })) {
                DropGoneWindows(state);
            }
            return false;
        default:
            return false;
    }
}

// The connection hotkeys of `hwnd` (0: the calling thread) are grabbed on; null with the
// last error set when there is none for this thread.
Display* DisplayFor(HWND hwnd) {
    if (hwnd == 0) {
        Display* display = zovi::platform::ThreadDisplay();
        if (!display) SetLastError(ERROR_NOT_SUPPORTED);
        return display;
    }
    const auto record = zovi::platform::window_detail::FindRecord(hwnd);
    if (!record) {
        SetLastError(kErrorInvalidWindowHandle);
        return nullptr;
    }
    if (record->threadId != GetCurrentThreadId()) {
        SetLastError(kErrorWindowOfOtherThread);
        return nullptr;
    }
    if (!Usable(record->display)) {  // an offscreen window
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return record->display;
}

}  // namespace

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey) {
    if (modifiers & ~(kModifierFlags | MOD_NOREPEAT)) {
        SetLastError(kErrorInvalidFlags);
        return FALSE;
    }
    Display* display = DisplayFor(hwnd);
    if (!display) return FALSE;
    ThreadHotkeys& state = t_hotkeys;
    DropGoneWindows(state);
    if (state.display && state.display != display) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    const KeyCode keycode = KeycodeOf(display, virtualKey);
    if (keycode == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const unsigned mask = zovi::platform::window_detail::HotkeyModifierMask(modifiers);
    const bool taken = std::any_of(state.keys.begin(), state.keys.end(), [&](const Hotkey& key) {
        return (key.hwnd == hwnd && key.id == id) || (key.keycode == keycode && key.mask == mask);
    });
    if (taken) {
        SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
        return FALSE;
    }
    if (!state.display) {
        state.display = display;
        state.root = DefaultRootWindow(display);
        state.locks = zovi::platform::window_detail::LockModifierMask(display);
    }
    if (!Grab(state, keycode, mask)) {
        StopWhenEmpty(state);
        return FALSE;
    }
    if ((modifiers & MOD_NOREPEAT) && !state.detectableRepeat) {
        // A held key then repeats as presses alone, without a release between them.
        Bool supported = False;
        XkbSetDetectableAutoRepeat(display, True, &supported);
        state.detectableRepeat = true;
    }
    if (state.filterId == 0) state.filterId = zovi::platform::AddXEventFilter(&OnHotkeyEvent);
    state.keys.push_back(Hotkey{hwnd, id, modifiers & kModifierFlags, virtualKey, mask, keycode,
                                CHotkeyRepeatFilter((modifiers & MOD_NOREPEAT) != 0)});
    return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) {
    ThreadHotkeys& state = t_hotkeys;
    auto it = std::find_if(state.keys.begin(), state.keys.end(),
                           [&](const Hotkey& key) { return key.hwnd == hwnd && key.id == id; });
    if (it == state.keys.end()) {
        SetLastError(kErrorHotkeyNotRegistered);
        return FALSE;
    }
    Ungrab(state, it->keycode, it->mask);
    state.keys.erase(it);
    StopWhenEmpty(state);
    return TRUE;
}
