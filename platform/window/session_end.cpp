#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/window/message_loop.h"
#include "platform/window/window_internal.h"

namespace zovi::platform {

namespace {

int gSessionPipe[2] = {-1, -1};

void OnSessionSignal(int) {
    const int saved = errno;
    char byte = 1;
    ssize_t ignored = write(gSessionPipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

}  // namespace

void InstallSessionEndHandler() {
    if (gSessionPipe[0] < 0 && pipe2(gSessionPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    window_detail::MessageQueue::Current().EnableSessionEnd(gSessionPipe[0]);
    struct sigaction action {};
    action.sa_handler = OnSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void UninstallSessionEndHandler() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    window_detail::MessageQueue::Current().EnableSessionEnd(-1);
}

}  // namespace zovi::platform
