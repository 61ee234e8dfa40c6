#include "platform/process/session_bus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zovi::platform {
namespace {

std::string BusAddress() {
    const char* value = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return value ? value : "";
}

// Without an address, the per-user bus socket is named when there is one, else an
// address that fails at once; a set address is kept.
TEST(SessionBus, AnAddressIsAlwaysSetSoNothingAutolaunches) {
    const std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("zovi-bus-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(runtime);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    PreventSessionBusAutolaunch();
    EXPECT_EQ(BusAddress(), "disabled:");

    const std::string socketPath = (runtime / "bus").string();
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    PreventSessionBusAutolaunch();
    EXPECT_EQ(BusAddress(), "unix:path=" + socketPath);

    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/elsewhere", 1);
    PreventSessionBusAutolaunch();
    EXPECT_EQ(BusAddress(), "unix:path=/elsewhere");

    close(listener);
    std::filesystem::remove_all(runtime);
}

}  // namespace
}  // namespace zovi::platform
