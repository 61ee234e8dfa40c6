#include "tray/tray_messages.h"

#include "core/traylink/tray_link.h"
#include "platform/window/window.h"

const TrayMessages& GetTrayMessages() {
    static const TrayMessages messages = [] {
        UINT ids[8] = {};
        for (int i = 0; i < 8; ++i) ids[i] = RegisterWindowMessageW(kSharedMessageNames[i]);
        return TrayMessages{ids[0], ids[1], ids[2], ids[3], ids[4], ids[5], ids[6], ids[7]};
    }();
    return messages;
}
