// The keyboard's keysyms as Win32 virtual-key codes and characters: the one table the
// key messages use.
#pragma once
#include <X11/X.h>

#include "platform/window/window_types.h"

namespace zovi::platform::window_detail {

// The virtual-key code of an unshifted keysym; 0 for keys without one.
UINT VirtualKeyFromKeysym(KeySym sym);
// The character a (shifted) keysym produces; 0 for none.
wchar_t KeysymCharacter(KeySym sym);

}  // namespace zovi::platform::window_detail
