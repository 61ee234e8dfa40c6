// A thread that serves one private D-Bus connection: it reads, dispatches incoming
// messages to the handlers registered on the connection (object paths, filters, replies
// to pending calls), writes, and runs the tasks other threads post to it.
//
// Threads: while the thread runs, only tasks posted to it (and the handlers it
// dispatches) touch the connection; before Start and after Stop the connection is the
// creator's again. Post and Stop may be called from any other thread.
#pragma once
#include <dbus/dbus.h>

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zovi::platform::tray {

class BusThread {
public:
    // `connection` stays the caller's and must outlive the thread.
    explicit BusThread(DBusConnection* connection);
    ~BusThread();  // Stop()
    BusThread(const BusThread&) = delete;
    BusThread& operator=(const BusThread&) = delete;

    // False when the thread could not be set up.
    bool Start();
    // Runs `task` on the thread soon (in posting order).
    void Post(std::function<void()> task);
    // Runs the tasks posted so far, sends what they queued, ends the thread and waits
    // for it.
    void Stop();

private:
    struct Queue {
        std::deque<std::function<void()>> tasks;
        bool stopping = false;
    };

    void Run();
    void Wake();
    // Waits until the wake descriptor or the bus connection has something.
    void WaitForWork();

    DBusConnection* connection_;
    int wakeFd_ = -1;
    std::mutex mutex_;
    Queue queue_;  // under mutex_
    std::thread thread_;
};

}  // namespace zovi::platform::tray
