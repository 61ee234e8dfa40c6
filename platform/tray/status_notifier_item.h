// The object a StatusNotifierItem shows on the bus, /StatusNotifierItem: the properties
// a notification area reads (the icon as ARGB32 pixmap data, the title and tooltip),
// the clicks it reports (Activate, ContextMenu), org.freedesktop.DBus.Properties and
// introspection. Runs on the thread that serves the connection.
#pragma once
#include <dbus/dbus.h>

#include <memory>
#include <string>

#include "platform/tray/notify_icon.h"

namespace zovi::platform::tray {

// What the item shows.
struct ItemLook {
    std::string id;     // the program's name
    std::string title;  // the tooltip, UTF-8
    std::shared_ptr<const ZoviIcon> icon;  // null: no pixels
};

// The item's owner: what it shows now, and where clicks go.
class ItemSource {
public:
    virtual ~ItemSource() = default;
    virtual ItemLook Look() const = 0;
    // A click reported by the notification area, at a screen position.
    virtual void Click(UINT mouseMessage, POINT screenPoint) = 0;
};

// Serves /StatusNotifierItem on `connection` from `source`; false when the path is
// taken or memory ran out.
bool ExportItem(DBusConnection* connection, ItemSource* source);
void UnexportItem(DBusConnection* connection);
// Sends the item's signal `member` (NewIcon, NewTitle, NewToolTip), which has no
// arguments.
void EmitItemSignal(DBusConnection* connection, const char* member);

// Appends an icon as the protocol's pixmap list a(iiay): one entry of width, height and
// ARGB32 bytes in network byte order; no entry for a null or empty icon.
void AppendPixmaps(DBusMessageIter* iter, const ZoviIcon* icon);

}  // namespace zovi::platform::tray
