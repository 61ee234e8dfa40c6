#include "platform/tray/testing/status_notifier_watcher_host.h"

#include <chrono>
#include <cstdarg>
#include <cstring>

namespace zovi::test {

using platform::tray::BusError;
using platform::tray::kItemInterface;
using platform::tray::kItemPath;
using platform::tray::MessagePtr;

namespace {

constexpr int kCallTimeoutMs = 10'000;

std::string ReadString(DBusMessageIter* iter) {
    int type = dbus_message_iter_get_arg_type(iter);
    if (type != DBUS_TYPE_STRING && type != DBUS_TYPE_OBJECT_PATH) return {};
    const char* text = nullptr;
    dbus_message_iter_get_basic(iter, &text);
    return text ? text : "";
}

// a(iiay)
std::vector<CTestStatusNotifierHost::Pixmap> ReadPixmaps(DBusMessageIter* iter) {
    std::vector<CTestStatusNotifierHost::Pixmap> pixmaps;
    if (dbus_message_iter_get_arg_type(iter) != DBUS_TYPE_ARRAY) return pixmaps;
    DBusMessageIter list;
    dbus_message_iter_recurse(iter, &list);
    while (dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRUCT) {
        DBusMessageIter fields;
        dbus_message_iter_recurse(&list, &fields);
        CTestStatusNotifierHost::Pixmap pixmap;
        dbus_int32_t value = 0;
        dbus_message_iter_get_basic(&fields, &value);
        pixmap.width = value;
        dbus_message_iter_next(&fields);
        dbus_message_iter_get_basic(&fields, &value);
        pixmap.height = value;
        dbus_message_iter_next(&fields);
        DBusMessageIter bytes;
        dbus_message_iter_recurse(&fields, &bytes);
        const std::uint8_t* data = nullptr;
        int count = 0;
        dbus_message_iter_get_fixed_array(&bytes, &data, &count);
        pixmap.bytes.assign(data, data + count);
        pixmaps.push_back(std::move(pixmap));
        dbus_message_iter_next(&list);
    }
    return pixmaps;
}

// (sa(iiay)ss): the title is the third field.
std::string ReadToolTipTitle(DBusMessageIter* iter) {
    if (dbus_message_iter_get_arg_type(iter) != DBUS_TYPE_STRUCT) return {};
    DBusMessageIter fields;
    dbus_message_iter_recurse(iter, &fields);
    dbus_message_iter_next(&fields);
    dbus_message_iter_next(&fields);
    return ReadString(&fields);
}

void ReadProperty(const std::string& name, DBusMessageIter* value, CTestStatusNotifierHost::Item* item) {
    if (name == "Category") item->category = ReadString(value);
    if (name == "Id") item->id = ReadString(value);
    if (name == "Title") item->title = ReadString(value);
    if (name == "Status") item->status = ReadString(value);
    if (name == "Menu") item->menu = ReadString(value);
    if (name == "IconPixmap") item->icon = ReadPixmaps(value);
    if (name == "ToolTip") item->toolTipTitle = ReadToolTipTitle(value);
    if (name == "ItemIsMenu" && dbus_message_iter_get_arg_type(value) == DBUS_TYPE_BOOLEAN) {
        dbus_bool_t flag = TRUE;
        dbus_message_iter_get_basic(value, &flag);
        item->itemIsMenu = flag;
    }
}

}  // namespace

CTestStatusNotifierHost::CTestStatusNotifierHost() : connection_(platform::tray::OpenSessionBus()) {}

MessagePtr CTestStatusNotifierHost::CallItem(const std::string& service, const char* interface, const char* method,
                                             int firstArgType, ...) {
    MessagePtr call(dbus_message_new_method_call(service.c_str(), kItemPath, interface, method));
    if (!call) return nullptr;
    va_list args;
    va_start(args, firstArgType);
    bool appended = dbus_message_append_args_valist(call.get(), firstArgType, args);
    va_end(args);
    if (!appended) return nullptr;
    DBusPendingCall* pending = nullptr;
    if (!dbus_connection_send_with_reply(connection_.get(), call.get(), &pending, kCallTimeoutMs) || !pending) {
        return nullptr;
    }
    dbus_pending_call_block(pending);
    MessagePtr reply(dbus_pending_call_steal_reply(pending));
    dbus_pending_call_unref(pending);
    return reply;
}

std::optional<CTestStatusNotifierHost::Item> CTestStatusNotifierHost::Read(const std::string& service) {
    const char* interface = kItemInterface;
    MessagePtr reply =
        CallItem(service, platform::tray::kPropertiesInterface, "GetAll", DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID);
    if (!reply || dbus_message_get_type(reply.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN) return std::nullopt;
    DBusMessageIter iter, all;
    if (!dbus_message_iter_init(reply.get(), &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_ARRAY) {
        return std::nullopt;
    }
    Item item;
    dbus_message_iter_recurse(&iter, &all);
    while (dbus_message_iter_get_arg_type(&all) == DBUS_TYPE_DICT_ENTRY) {
        DBusMessageIter entry, value;
        dbus_message_iter_recurse(&all, &entry);
        std::string name = ReadString(&entry);
        dbus_message_iter_next(&entry);
        dbus_message_iter_recurse(&entry, &value);
        ReadProperty(name, &value, &item);
        dbus_message_iter_next(&all);
    }
    return item;
}

std::string CTestStatusNotifierHost::GetString(const std::string& service, const char* property,
                                               std::string* errorName) {
    const char* interface = kItemInterface;
    MessagePtr reply = CallItem(service, platform::tray::kPropertiesInterface, "Get", DBUS_TYPE_STRING, &interface,
                                DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID);
    if (errorName) *errorName = reply && dbus_message_get_error_name(reply.get()) ? dbus_message_get_error_name(reply.get()) : "";
    DBusMessageIter iter, value;
    if (!reply || dbus_message_get_type(reply.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
        !dbus_message_iter_init(reply.get(), &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_VARIANT) {
        return {};
    }
    dbus_message_iter_recurse(&iter, &value);
    return ReadString(&value);
}

bool CTestStatusNotifierHost::Click(const std::string& service, const char* method, int x, int y) {
    dbus_int32_t atX = x, atY = y;
    MessagePtr reply = CallItem(service, kItemInterface, method, DBUS_TYPE_INT32, &atX, DBUS_TYPE_INT32, &atY,
                                DBUS_TYPE_INVALID);
    return reply && dbus_message_get_type(reply.get()) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
}

std::string CTestStatusNotifierHost::Introspect(const std::string& service) {
    MessagePtr reply = CallItem(service, platform::tray::kIntrospectableInterface, "Introspect", DBUS_TYPE_INVALID);
    DBusMessageIter iter;
    if (!reply || !dbus_message_iter_init(reply.get(), &iter)) return {};
    return ReadString(&iter);
}

bool CTestStatusNotifierHost::HasOwner(const std::string& name) {
    return platform::tray::NameHasOwner(connection_.get(), name.c_str());
}

bool CTestStatusNotifierHost::Listen(const std::string& service) {
    std::string rule = "type='signal',interface='" + std::string(kItemInterface) + "',sender='" + service + "'";
    BusError error;
    dbus_bus_add_match(connection_.get(), rule.c_str(), error.get());
    return !error.IsSet();
}

std::string CTestStatusNotifierHost::NextSignal(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (MessagePtr message{dbus_connection_pop_message(connection_.get())}) {
            if (dbus_message_get_type(message.get()) == DBUS_MESSAGE_TYPE_SIGNAL &&
                dbus_message_has_interface(message.get(), kItemInterface)) {
                return dbus_message_get_member(message.get());
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !dbus_connection_read_write(connection_.get(), static_cast<int>(left.count()))) {
            return {};
        }
    }
}

}  // namespace zovi::test
