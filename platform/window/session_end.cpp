#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/window/message_loop.h"
#include "platform/window/window_internal.h"

namespace zovi::platform {

namespace {

constexpr int kSessionEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

int gSessionPipe[2] = {-1, -1};
std::atomic<void (*)(SessionEndCause)> gObserver{nullptr};

sigset_t SessionEndSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int number : kSessionEndSignals) sigaddset(&set, number);
    return set;
}

void OnSessionSignal(int) {
    const int saved = errno;
    char byte = 1;
    ssize_t ignored = write(gSessionPipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

}  // namespace

void HoldSessionEndSignals() {
    const sigset_t set = SessionEndSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void AwaitHeldSessionEnd() {
    // Polled, not waited for: a wait would take the signal, and unblock it meanwhile.
    const sigset_t set = SessionEndSet();
    for (;;) {
        sigset_t pending;
        sigpending(&pending);
        sigandset(&pending, &pending, &set);
        if (!sigisemptyset(&pending)) return;
        usleep(1000);
    }
}

void InstallSessionEndHandler() {
    if (gSessionPipe[0] < 0 && pipe2(gSessionPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    window_detail::MessageQueue& queue = window_detail::MessageQueue::Current();
    queue.EnableSessionEnd(gSessionPipe[0]);
    queue.UiDisplay();  // its loss ends the session
    struct sigaction action {};
    action.sa_handler = OnSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSessionEndSignals) sigaction(number, &action, nullptr);
    // A signal held since the program's start is delivered here, into the pipe.
    const sigset_t set = SessionEndSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void UninstallSessionEndHandler() {
    // Held again, with the handler left in place: a session end during the shutdown that
    // follows neither interrupts it nor kills a thread started while they were open.
    HoldSessionEndSignals();
    window_detail::MessageQueue::Current().EnableSessionEnd(-1);
}

void SetSessionEndObserver(void (*observer)(SessionEndCause cause)) { gObserver = observer; }

namespace window_detail {

void NotifySessionEnd(SessionEndCause cause) {
    if (auto observer = gObserver.load()) observer(cause);
}

}  // namespace window_detail

}  // namespace zovi::platform
