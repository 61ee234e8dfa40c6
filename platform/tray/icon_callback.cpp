// A click on a notification-area icon, as its owner window learns of it.
#include "platform/tray/notify_backend.h"
#include "platform/window/post_at.h"

namespace zovi::platform::tray {

bool PostIconCallback(const IconState& state, UINT mouseMessage, POINT screenPoint) {
    if (!state.owner || !state.callbackMessage) return false;
    return PostMessageAt(state.owner, state.callbackMessage, state.id, mouseMessage, screenPoint) != FALSE;
}

}  // namespace zovi::platform::tray
