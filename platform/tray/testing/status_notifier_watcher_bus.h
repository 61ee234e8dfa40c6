// A private D-Bus session daemon for one test: `dbus-daemon --session` started on
// construction, its address put into DBUS_SESSION_BUS_ADDRESS for the test (the old
// value is restored on destruction), and stopped on destruction.
#pragma once
#include <memory>
#include <optional>
#include <string>

namespace zovi::platform {
class ChildProcess;
}

namespace zovi::test {

class CPrivateSessionBus {
public:
    CPrivateSessionBus();
    ~CPrivateSessionBus();
    CPrivateSessionBus(const CPrivateSessionBus&) = delete;
    CPrivateSessionBus& operator=(const CPrivateSessionBus&) = delete;

    // The bus address; empty when the daemon did not start.
    const std::string& Address() const { return address_; }
    // Stops the daemon now (its clients lose the bus); the environment keeps its address.
    void End();

private:
    std::unique_ptr<platform::ChildProcess> daemon_;
    std::string address_;
    std::optional<std::string> previousAddress_;
};

}  // namespace zovi::test
