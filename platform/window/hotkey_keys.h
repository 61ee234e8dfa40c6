// What a hotkey (a virtual key with MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN) grabs on
// the X server: the keysym of each key the hotkey control can produce, the core
// modifier mask of the modifier flags, and the lock modifiers a grab must ignore.
#pragma once
#include <X11/X.h>

#include <vector>

#include "platform/window/window_types.h"

struct _XDisplay;

namespace zovi::platform::window_detail {

// The keysym a hotkey on `virtualKey` grabs (the key's unshifted keysym); NoSymbol for
// codes without a key on X (mouse buttons, Fn, IME keys without a keysym).
KeySym HotkeyKeysym(UINT virtualKey);

// ShiftMask, ControlMask, Mod1Mask (Alt) and Mod4Mask (the Windows key) for MOD_* bits.
unsigned HotkeyModifierMask(UINT modifiers);

// The modifier masks of the lock keys (CapsLock, and NumLock and ScrollLock where the
// keyboard map has them as modifiers), ORed.
unsigned LockModifierMask(_XDisplay* display);

// Every combination of the lock masks in `locks` (0 first): the variants a grab takes so
// that it fires whatever locks are on.
std::vector<unsigned> LockVariants(unsigned locks);

}  // namespace zovi::platform::window_detail
