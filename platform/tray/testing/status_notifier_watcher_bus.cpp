#include "platform/tray/testing/status_notifier_watcher_bus.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/process/process.h"

namespace zovi::test {

CPrivateSessionBus::CPrivateSessionBus() {
    if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS")) previousAddress_ = previous;
    platform::ChildProcess::Options options;
    options.pipeStdout = true;  // where it writes its address, once it listens
    daemon_ = platform::ChildProcess::Start(
        {"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address"}, options);
    if (!daemon_) return;
    std::string address;
    char c = 0;
    while (read(daemon_->StdoutFd(), &c, 1) == 1 && c != '\n') address += c;
    address_ = address;
    if (!address_.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

CPrivateSessionBus::~CPrivateSessionBus() {
    End();
    if (previousAddress_) {
        setenv("DBUS_SESSION_BUS_ADDRESS", previousAddress_->c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

void CPrivateSessionBus::End() {
    if (!daemon_ || daemon_->HasExited()) return;
    daemon_->Kill(SIGTERM);
    if (!daemon_->Wait(20'000)) {
        daemon_->Kill(SIGKILL);
        daemon_->Wait(-1);
    }
}

}  // namespace zovi::test
