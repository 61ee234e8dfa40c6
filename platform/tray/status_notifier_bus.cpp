#include "platform/tray/status_notifier_bus.h"

#include <sys/stat.h>

#include <cstdlib>

namespace zovi::platform::tray {

void ConnectionCloser::operator()(DBusConnection* connection) const {
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
}

std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    std::string socketPath = std::string(runtime) + "/bus";
    struct stat info {};
    if (stat(socketPath.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return {};
    char* escaped = dbus_address_escape_value(socketPath.c_str());
    if (!escaped) return {};
    std::string result = std::string("unix:path=") + escaped;
    dbus_free(escaped);
    return result;
}

ConnectionPtr OpenSessionBus() {
    std::string address = SessionBusAddress();
    if (address.empty()) return nullptr;
    dbus_threads_init_default();  // the connection moves to a thread of its own
    BusError error;
    ConnectionPtr connection(dbus_connection_open_private(address.c_str(), error.get()));
    if (!connection) return nullptr;
    // A lost bus must not end the program.
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    if (!dbus_bus_register(connection.get(), error.get())) return nullptr;
    return connection;
}

bool NameHasOwner(DBusConnection* connection, const char* name) {
    BusError error;
    return dbus_bus_name_has_owner(connection, name, error.get()) && !error.IsSet();
}

}  // namespace zovi::platform::tray
