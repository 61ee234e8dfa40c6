// The session bus as the StatusNotifierItem icon (and the test watcher and host) use it:
// the protocol's names, private libdbus-1 connections that are never auto-launched, and
// small owners for libdbus objects.
#pragma once
#include <dbus/dbus.h>

#include <memory>
#include <string>

namespace zovi::platform::tray {

inline constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
inline constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
inline constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";
inline constexpr const char* kItemPath = "/StatusNotifierItem";
inline constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
inline constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
inline constexpr const char* kIntrospectableInterface = "org.freedesktop.DBus.Introspectable";

// Closes and drops a private connection.
struct ConnectionCloser {
    void operator()(DBusConnection* connection) const;
};
using ConnectionPtr = std::unique_ptr<DBusConnection, ConnectionCloser>;

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using MessagePtr = std::unique_ptr<DBusMessage, MessageUnref>;

// A DBusError that frees itself.
class BusError {
public:
    BusError() { dbus_error_init(&error_); }
    ~BusError() { dbus_error_free(&error_); }
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    DBusError* get() { return &error_; }
    bool IsSet() const { return dbus_error_is_set(&error_) != 0; }

private:
    DBusError error_;
};

// The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the user bus socket
// "$XDG_RUNTIME_DIR/bus" when it exists; empty when there is none. Never "autolaunch:",
// which would start a bus bound to the X display.
std::string SessionBusAddress();

// A new private connection to the session bus, registered (it has its unique name);
// null when there is no bus or it cannot be reached. The caller's thread owns it.
ConnectionPtr OpenSessionBus();

// True when `name` has an owner on the bus (a blocking round trip).
bool NameHasOwner(DBusConnection* connection, const char* name);

}  // namespace zovi::platform::tray
