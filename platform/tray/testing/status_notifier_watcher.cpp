#include "platform/tray/testing/status_notifier_watcher.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace zovi::test {

using platform::tray::BusError;
using platform::tray::kWatcherInterface;

namespace {

constexpr const char* kNameOwnerRule =
    "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged'";

void EmitWatcherSignal(DBusConnection* connection, const char* member, const std::string& item) {
    DBusMessage* signal = dbus_message_new_signal(platform::tray::kWatcherPath, kWatcherInterface, member);
    if (!signal) return;
    const char* name = item.c_str();
    dbus_message_append_args(signal, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    dbus_connection_send(connection, signal, nullptr);
    dbus_message_unref(signal);
}

void Reply(DBusConnection* connection, DBusMessage* reply) {
    if (!reply) return;
    dbus_connection_send(connection, reply, nullptr);
    dbus_message_unref(reply);
}

}  // namespace

CTestStatusNotifierWatcher::CTestStatusNotifierWatcher(Answer answer)
    : answer_(answer), connection_(platform::tray::OpenSessionBus()) {
    if (!connection_) return;
    DBusConnection* connection = connection_.get();
    BusError error;
    if (dbus_bus_request_name(connection, platform::tray::kWatcherService, DBUS_NAME_FLAG_DO_NOT_QUEUE,
                              error.get()) != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        return;
    }
    static const DBusObjectPathVTable vtable = {nullptr, OnWatcherCall, nullptr, nullptr, nullptr, nullptr};
    dbus_connection_register_object_path(connection, platform::tray::kWatcherPath, &vtable, this);
    dbus_bus_add_match(connection, kNameOwnerRule, nullptr);
    dbus_connection_add_filter(connection, OnBusSignal, this, nullptr);
    auto thread = std::make_unique<platform::tray::BusThread>(connection);
    if (thread->Start()) thread_ = std::move(thread);
}

CTestStatusNotifierWatcher::~CTestStatusNotifierWatcher() {
    thread_.reset();  // stops serving before the connection closes
    if (connection_) dbus_connection_remove_filter(connection_.get(), OnBusSignal, this);
}

std::vector<std::string> CTestStatusNotifierWatcher::Items() const {
    std::lock_guard lock(mutex_);
    return records_.items;
}

std::vector<std::string> CTestStatusNotifierWatcher::Registrations() const {
    std::lock_guard lock(mutex_);
    return records_.registrations;
}

template <typename Predicate>
bool CTestStatusNotifierWatcher::WaitFor(Predicate predicate, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return predicate(records_); });
}

bool CTestStatusNotifierWatcher::WaitForItemCount(size_t count, int timeoutMs) const {
    return WaitFor([count](const Records& records) { return records.items.size() == count; }, timeoutMs);
}

bool CTestStatusNotifierWatcher::WaitForRegistrationCount(size_t count, int timeoutMs) const {
    return WaitFor([count](const Records& records) { return records.registrations.size() >= count; }, timeoutMs);
}

void CTestStatusNotifierWatcher::Record(const std::string& item, bool shown) {
    std::lock_guard lock(mutex_);
    records_.registrations.push_back(item);
    if (shown && std::find(records_.items.begin(), records_.items.end(), item) == records_.items.end()) {
        records_.items.push_back(item);
    }
    changed_.notify_all();
}

bool CTestStatusNotifierWatcher::Drop(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto gone = std::remove(records_.items.begin(), records_.items.end(), name);
    if (gone == records_.items.end()) return false;
    records_.items.erase(gone, records_.items.end());
    changed_.notify_all();
    return true;
}

DBusHandlerResult CTestStatusNotifierWatcher::OnWatcherCall(DBusConnection* connection, DBusMessage* message,
                                                            void* data) {
    auto* self = static_cast<CTestStatusNotifierWatcher*>(data);
    bool item = dbus_message_is_method_call(message, kWatcherInterface, "RegisterStatusNotifierItem");
    bool host = dbus_message_is_method_call(message, kWatcherInterface, "RegisterStatusNotifierHost");
    if (!item && !host) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    BusError error;
    const char* service = nullptr;
    if (!dbus_message_get_args(message, error.get(), DBUS_TYPE_STRING, &service, DBUS_TYPE_INVALID)) {
        Reply(connection, dbus_message_new_error(message, DBUS_ERROR_INVALID_ARGS, "expected (s)"));
        return DBUS_HANDLER_RESULT_HANDLED;
    }
    if (!item) {
        Reply(connection, dbus_message_new_method_return(message));
        return DBUS_HANDLER_RESULT_HANDLED;
    }
    // An object path alone names an object of the caller.
    std::string name = service[0] == '/' ? dbus_message_get_sender(message) : service;
    self->Record(name, self->answer_ == Answer::kAccept);
    switch (self->answer_) {
    case Answer::kAccept:
        Reply(connection, dbus_message_new_method_return(message));
        EmitWatcherSignal(connection, "StatusNotifierItemRegistered", name);
        break;
    case Answer::kRefuse:
        Reply(connection, dbus_message_new_error(message, DBUS_ERROR_FAILED, "refused"));
        break;
    case Answer::kNever:
        self->unanswered_.emplace_back(dbus_message_ref(message));
        break;
    }
    return DBUS_HANDLER_RESULT_HANDLED;
}

DBusHandlerResult CTestStatusNotifierWatcher::OnBusSignal(DBusConnection* connection, DBusMessage* message,
                                                          void* data) {
    if (!dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged")) {
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }
    BusError error;
    const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    if (dbus_message_get_args(message, error.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                              DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
        !*newOwner && static_cast<CTestStatusNotifierWatcher*>(data)->Drop(name)) {
        EmitWatcherSignal(connection, "StatusNotifierItemUnregistered", name);
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

}  // namespace zovi::test
