#include "platform/process/session_bus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace zovi::platform {

void PreventSessionBusAutolaunch() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return;
    // The per-user bus a systemd session offers, where libdbus would look before it
    // autolaunches; else a transport libdbus does not know (newer versions know it as
    // "no bus"), which fails at once.
    std::string chosen = "disabled:";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string socket = std::string(runtime) + "/bus";
        struct stat info {};
        if (stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) chosen = "unix:path=" + socket;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", chosen.c_str(), 1);
}

}  // namespace zovi::platform
