// The alert sound (MessageBeep): the X server's bell. Servers without a speaker (Xvfb)
// stay silent, so the beeps given are also counted.
#pragma once
#include "platform/window/window_types.h"

// Rings the bell of the calling thread's X connection at its base volume; every `type`
// sounds the same. FALSE without a display.
BOOL MessageBeep(UINT type);

namespace zovi::platform {

// How many MessageBeep calls this process has made (with or without a display).
unsigned MessageBeepCount();

}  // namespace zovi::platform
