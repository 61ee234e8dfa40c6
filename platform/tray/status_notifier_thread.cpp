#include "platform/tray/status_notifier_thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/base/thread.h"

namespace zovi::platform::tray {

BusThread::BusThread(DBusConnection* connection) : connection_(connection) {}

BusThread::~BusThread() {
    Stop();
    if (wakeFd_ >= 0) close(wakeFd_);
}

bool BusThread::Start() {
    if (thread_.joinable()) return true;
    if (wakeFd_ < 0) wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) return false;
    {
        std::lock_guard lock(mutex_);
        queue_.stopping = false;
    }
    thread_ = StartThread([this] { Run(); });
    return true;
}

void BusThread::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        queue_.tasks.push_back(std::move(task));
    }
    Wake();
}

void BusThread::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        queue_.stopping = true;
    }
    Wake();
    thread_.join();
}

void BusThread::Wake() {
    std::uint64_t one = 1;
    // A full counter already means "wake up".
    [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
}

void BusThread::Run() {
    for (;;) {
        Queue work;
        {
            std::lock_guard lock(mutex_);
            std::swap(work, queue_);
            // Only the tasks move: the stop request stays until the loop ends.
            queue_.stopping = work.stopping;
        }
        for (auto& task : work.tasks) task();
        if (work.stopping) {
            if (dbus_connection_get_is_connected(connection_)) dbus_connection_flush(connection_);
            return;
        }
        while (dbus_connection_dispatch(connection_) == DBUS_DISPATCH_DATA_REMAINS) {
        }
        WaitForWork();
    }
}

void BusThread::WaitForWork() {
    int busFd = -1;
    bool connected = dbus_connection_get_is_connected(connection_);
    if (connected && !dbus_connection_get_unix_fd(connection_, &busFd)) connected = false;
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {busFd, POLLIN, 0}};
    if (connected && dbus_connection_has_messages_to_send(connection_)) fds[1].events |= POLLOUT;
    // A lost bus is left out: its descriptor would report a hang-up for ever.
    if (poll(fds, connected ? 2 : 1, -1) < 0 && errno != EINTR) return;
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t got = read(wakeFd_, &count, sizeof count);
    }
    if (connected && fds[1].revents) dbus_connection_read_write(connection_, 0);
}

}  // namespace zovi::platform::tray
