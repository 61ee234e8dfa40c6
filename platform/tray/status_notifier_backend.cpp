// The icon as a StatusNotifierItem on the session bus: a service name of its own
// ("org.kde.StatusNotifierItem-<pid>-<n>") with the object /StatusNotifierItem,
// registered with the StatusNotifierWatcher; the notification area reads the pixels
// from it and reports clicks to it.
//
// Threads: Add, Modify and Remove run on the owner window's thread. While the icon is
// shown, a bus thread of the backend serves the connection; it reads the icon's state
// under a lock and reaches the window only through PostIconCallback.
#include <errno.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>

#include "platform/base/utf8.h"
#include "platform/tray/notify_backend.h"
#include "platform/tray/status_notifier_bus.h"
#include "platform/tray/status_notifier_item.h"
#include "platform/tray/status_notifier_thread.h"

namespace zovi::platform::tray {
namespace {

// How long Add waits for the watcher to answer the registration.
constexpr auto kRegisterReplyTimeout = std::chrono::seconds(5);

constexpr const char* kWatcherOwnerRule =
    "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
    "member='NameOwnerChanged',arg0='org.kde.StatusNotifierWatcher'";

bool SameIcon(const std::shared_ptr<const ZoviIcon>& a, const std::shared_ptr<const ZoviIcon>& b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return a->width == b->width && a->height == b->height && a->argb == b->argb;
}

std::string NewServiceName() {
    static std::atomic<unsigned> counter{0};
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// Asks the watcher to show the item; `outcome` (may be null) learns whether it agreed.
void RegisterWithWatcher(DBusConnection* connection, const std::string& service,
                         std::shared_ptr<std::promise<bool>> outcome) {
    DBusMessage* call = dbus_message_new_method_call(kWatcherService, kWatcherPath, kWatcherInterface,
                                                     "RegisterStatusNotifierItem");
    const char* name = service.c_str();
    if (!call || !dbus_message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
        if (call) dbus_message_unref(call);
        if (outcome) outcome->set_value(false);
        return;
    }
    if (!outcome) {
        dbus_message_set_no_reply(call, TRUE);
        dbus_connection_send(connection, call, nullptr);
        dbus_message_unref(call);
        return;
    }
    DBusPendingCall* pending = nullptr;
    bool sent = dbus_connection_send_with_reply(connection, call, &pending, DBUS_TIMEOUT_USE_DEFAULT) && pending;
    dbus_message_unref(call);
    if (!sent) {
        outcome->set_value(false);
        return;
    }
    // The reply is taken on the bus thread; the waiting Add may have given up by then,
    // so the notification owns its promise.
    auto* holder = new std::shared_ptr<std::promise<bool>>(std::move(outcome));
    auto notify = [](DBusPendingCall* done, void* data) {
        DBusMessage* reply = dbus_pending_call_steal_reply(done);
        (*static_cast<std::shared_ptr<std::promise<bool>>*>(data))
            ->set_value(reply && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN);
        if (reply) dbus_message_unref(reply);
    };
    auto release = [](void* data) { delete static_cast<std::shared_ptr<std::promise<bool>>*>(data); };
    if (!dbus_pending_call_set_notify(pending, notify, holder, release)) {
        (*holder)->set_value(false);
        delete holder;
    }
    dbus_pending_call_unref(pending);
}

class StatusNotifierBackend final : public NotifyBackend, private ItemSource {
public:
    explicit StatusNotifierBackend(ConnectionPtr connection) : connection_(std::move(connection)) {}
    ~StatusNotifierBackend() override { Remove(); }

    bool Add(const IconState& state) override;
    bool Modify(const IconState& state) override;
    void Remove() override;

private:
    // Runs on the bus thread: takes the service name and shows the object.
    bool Publish();
    // Runs on the bus thread: the reverse of Publish.
    void Withdraw();
    static DBusHandlerResult OnBusSignal(DBusConnection* connection, DBusMessage* message, void* data);

    ItemLook Look() const override;
    void Click(UINT mouseMessage, POINT screenPoint) override;

    ConnectionPtr connection_;
    std::unique_ptr<BusThread> thread_;  // while shown; owner thread only
    std::string service_;                // set before the bus thread starts
    struct Published {
        bool ownsName = false;
        bool exported = false;
        bool filtered = false;
    } published_;  // bus thread only

    mutable std::mutex stateMutex_;
    IconState state_;  // under stateMutex_
};

bool StatusNotifierBackend::Add(const IconState& state) {
    if (thread_) return false;
    {
        std::lock_guard lock(stateMutex_);
        state_ = state;
    }
    service_ = NewServiceName();
    thread_ = std::make_unique<BusThread>(connection_.get());
    if (!thread_->Start()) {
        thread_.reset();
        return false;
    }
    auto outcome = std::make_shared<std::promise<bool>>();
    std::future<bool> registered = outcome->get_future();
    thread_->Post([this, outcome] {
        if (Publish()) {
            RegisterWithWatcher(connection_.get(), service_, outcome);
        } else {
            outcome->set_value(false);
        }
    });
    if (registered.wait_for(kRegisterReplyTimeout) == std::future_status::ready && registered.get()) return true;
    Remove();
    return false;
}

bool StatusNotifierBackend::Modify(const IconState& state) {
    if (!thread_) return false;
    bool iconChanged, tipChanged;
    {
        std::lock_guard lock(stateMutex_);
        iconChanged = !SameIcon(state_.icon, state.icon);
        tipChanged = state_.tip != state.tip;
        state_ = state;
    }
    // An unchanged state (a steady icon is set again and again) costs the area nothing.
    if (iconChanged || tipChanged) {
        thread_->Post([this, iconChanged, tipChanged] {
            if (iconChanged) EmitItemSignal(connection_.get(), "NewIcon");
            if (tipChanged) {
                EmitItemSignal(connection_.get(), "NewTitle");
                EmitItemSignal(connection_.get(), "NewToolTip");
            }
        });
    }
    return true;
}

void StatusNotifierBackend::Remove() {
    if (!thread_) return;
    thread_->Post([this] { Withdraw(); });
    thread_->Stop();
    thread_.reset();
}

bool StatusNotifierBackend::Publish() {
    DBusConnection* connection = connection_.get();
    BusError error;
    published_.ownsName = dbus_bus_request_name(connection, service_.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE,
                                                error.get()) == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
    if (!published_.ownsName) return false;
    published_.exported = ExportItem(connection, this);
    if (!published_.exported) return false;
    // A watcher that starts later (a restarted panel) learns of the item again.
    dbus_bus_add_match(connection, kWatcherOwnerRule, nullptr);
    published_.filtered = dbus_connection_add_filter(connection, OnBusSignal, this, nullptr);
    return true;
}

void StatusNotifierBackend::Withdraw() {
    DBusConnection* connection = connection_.get();
    if (published_.filtered) dbus_connection_remove_filter(connection, OnBusSignal, this);
    if (published_.exported) UnexportItem(connection);
    if (dbus_connection_get_is_connected(connection)) {
        if (published_.filtered) dbus_bus_remove_match(connection, kWatcherOwnerRule, nullptr);
        // Watchers drop an item whose name goes away.
        BusError error;
        if (published_.ownsName) dbus_bus_release_name(connection, service_.c_str(), error.get());
    }
    published_ = {};
}

DBusHandlerResult StatusNotifierBackend::OnBusSignal(DBusConnection* connection, DBusMessage* message,
                                                     void* data) {
    if (!dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged")) {
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }
    BusError error;
    const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    if (dbus_message_get_args(message, error.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                              DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
        std::string(name) == kWatcherService && *newOwner) {
        RegisterWithWatcher(connection, static_cast<StatusNotifierBackend*>(data)->service_, nullptr);
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

ItemLook StatusNotifierBackend::Look() const {
    std::lock_guard lock(stateMutex_);
    return ItemLook{program_invocation_short_name, WideToUtf8(state_.tip), state_.icon};
}

void StatusNotifierBackend::Click(UINT mouseMessage, POINT screenPoint) {
    IconState state;
    {
        std::lock_guard lock(stateMutex_);
        state = state_;
    }
    PostIconCallback(state, mouseMessage, screenPoint);
}

}  // namespace

std::unique_ptr<NotifyBackend> MakeStatusNotifierBackend() {
    ConnectionPtr connection = OpenSessionBus();
    if (!connection || !NameHasOwner(connection.get(), kWatcherService)) return nullptr;
    return std::make_unique<StatusNotifierBackend>(std::move(connection));
}

}  // namespace zovi::platform::tray
