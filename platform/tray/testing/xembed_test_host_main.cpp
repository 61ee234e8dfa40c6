// A notification area for program tests: serves the X server of $DISPLAY until SIGTERM
// or SIGINT (or the server's end), printing one line per change on stdout:
// "manager 0x<panel>" once it owns the tray selection, then "docked 0x<window>" and
// "undocked 0x<window>". Exits 1 when the selection could not be taken.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>

#include "platform/tray/testing/xembed_test_host.h"

int main() {
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &endSignals, nullptr);
    const int endFd = signalfd(-1, &endSignals, SFD_CLOEXEC);

    zovi::test::CXEmbedTestHost host({}, [](bool docked, unsigned long icon) {
        std::printf("%s 0x%lx\n", docked ? "docked" : "undocked", icon);
        std::fflush(stdout);
    });
    if (!host.Owning()) {
        std::fprintf(stderr, "xembed_test_host: cannot own the tray selection\n");
        return 1;
    }
    std::printf("manager 0x%lx\n", host.Panel());
    std::fflush(stdout);
    host.Serve(endFd);
    close(endFd);
    return 0;
}
