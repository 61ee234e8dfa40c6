// The two ways an icon reaches the notification area, behind one interface: a
// StatusNotifierItem over D-Bus, or an XEmbed tray icon window.
#pragma once
#include <memory>
#include <string>

#include "platform/tray/notify_icon.h"

namespace zovi::platform::tray {

// What one icon shows and where its clicks go.
struct IconState {
    HWND owner = 0;
    UINT id = 0;
    UINT callbackMessage = 0;  // 0: clicks are not reported
    std::shared_ptr<const ZoviIcon> icon;  // null: an empty icon
    std::wstring tip;
};

class NotifyBackend {
public:
    virtual ~NotifyBackend() = default;
    // Shows the icon; false when this backend's notification area is not there.
    virtual bool Add(const IconState& state) = 0;
    // Shows the new state (a repaint of the icon; the tooltip).
    virtual bool Modify(const IconState& state) = 0;
    // Takes the icon away (also done by the destructor).
    virtual void Remove() = 0;
};

// The XEmbed icon: null never; Add fails while no panel owns _NET_SYSTEM_TRAY_S<screen>.
std::unique_ptr<NotifyBackend> MakeXEmbedBackend();
// The StatusNotifierItem: null when no StatusNotifierWatcher is registered on the
// session bus (or there is no session bus).
std::unique_ptr<NotifyBackend> MakeStatusNotifierBackend();

// Posts a click to the icon's owner with the click's screen position as the message's
// position (GetMessagePos while it is handled). Any thread.
bool PostIconCallback(const IconState& state, UINT mouseMessage, POINT screenPoint);

}  // namespace zovi::platform::tray
