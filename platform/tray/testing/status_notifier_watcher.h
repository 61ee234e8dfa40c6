// A StatusNotifierWatcher for tests, as a desktop's notification area runs one: it owns
// "org.kde.StatusNotifierWatcher" on the session bus of DBUS_SESSION_BUS_ADDRESS,
// records the items that register (RegisterStatusNotifierItem) and drops an item whose
// bus name goes away. Served on a thread of its own; its queries may be called from any
// thread.
#pragma once
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tray/status_notifier_bus.h"
#include "platform/tray/status_notifier_thread.h"

namespace zovi::test {

class CTestStatusNotifierWatcher {
public:
    // How it answers RegisterStatusNotifierItem.
    enum class Answer {
        kAccept,
        kRefuse,  // an error reply: the item is not recorded as shown
        kNever,   // no reply at all, as a hung watcher
    };

    explicit CTestStatusNotifierWatcher(Answer answer = Answer::kAccept);
    ~CTestStatusNotifierWatcher();
    CTestStatusNotifierWatcher(const CTestStatusNotifierWatcher&) = delete;
    CTestStatusNotifierWatcher& operator=(const CTestStatusNotifierWatcher&) = delete;

    // True once it owns the watcher name and serves it.
    bool Ok() const { return thread_ != nullptr; }
    // The items registered now (their bus names), in registration order (accepted ones
    // only).
    std::vector<std::string> Items() const;
    // Every registration call so far, repeated ones included.
    std::vector<std::string> Registrations() const;
    // Waits up to `timeoutMs` until Items() has `count` entries; false on timeout.
    bool WaitForItemCount(size_t count, int timeoutMs) const;
    // Waits up to `timeoutMs` until there were `count` registration calls.
    bool WaitForRegistrationCount(size_t count, int timeoutMs) const;

private:
    struct Records {
        std::vector<std::string> items;
        std::vector<std::string> registrations;
    };

    static DBusHandlerResult OnWatcherCall(DBusConnection* connection, DBusMessage* message, void* data);
    static DBusHandlerResult OnBusSignal(DBusConnection* connection, DBusMessage* message, void* data);
    void Record(const std::string& item, bool shown);
    bool Drop(const std::string& name);  // false when `name` was no item
    template <typename Predicate>
    bool WaitFor(Predicate predicate, int timeoutMs) const;

    const Answer answer_;
    platform::tray::ConnectionPtr connection_;
    std::vector<platform::tray::MessagePtr> unanswered_;  // bus thread only
    std::unique_ptr<platform::tray::BusThread> thread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Records records_;  // under mutex_
};

}  // namespace zovi::test
