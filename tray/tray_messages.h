// The window messages the tray program shares with the main program, registered once
// before the program's entry and kept for its whole run.
#pragma once
#include "platform/window/window_types.h"

struct TrayMessages {
    UINT checkListener = 0;
    UINT showCapture = 0;
    UINT enableHotkeys = 0;
    UINT reloadSettings = 0;
    UINT terminate = 0;
    UINT keepAlive = 0;     // registered, never sent nor handled
    UINT gaBasicEvent = 0;  // registered, never sent nor handled
    UINT trayIconFlash = 0;
};

// The eight ids, registered in their shared order at the first call (0 without a display).
const TrayMessages& GetTrayMessages();
