#include "platform/tray/status_notifier_item.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/tray/status_notifier_bus.h"

namespace zovi::platform::tray {
namespace {

constexpr const char* kNoMenu = "/NO_DBUSMENU";

void AppendString(DBusMessageIter* iter, const std::string& text) {
    const char* value = text.c_str();
    dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &value);
}

void AppendInt(DBusMessageIter* iter, dbus_int32_t value) {
    dbus_message_iter_append_basic(iter, DBUS_TYPE_INT32, &value);
}

void AppendBool(DBusMessageIter* iter, bool value) {
    dbus_bool_t flag = value ? TRUE : FALSE;
    dbus_message_iter_append_basic(iter, DBUS_TYPE_BOOLEAN, &flag);
}

void AppendObjectPath(DBusMessageIter* iter, const char* path) {
    dbus_message_iter_append_basic(iter, DBUS_TYPE_OBJECT_PATH, &path);
}

// The tooltip (sa(iiay)ss): icon name, icon pixmaps, title, description.
void AppendToolTip(DBusMessageIter* iter, const ItemLook& look) {
    DBusMessageIter tip;
    dbus_message_iter_open_container(iter, DBUS_TYPE_STRUCT, nullptr, &tip);
    AppendString(&tip, "");
    AppendPixmaps(&tip, nullptr);
    AppendString(&tip, look.title);
    AppendString(&tip, "");
    dbus_message_iter_close_container(iter, &tip);
}

struct Property {
    const char* name;
    const char* signature;
    void (*write)(DBusMessageIter* iter, const ItemLook& look);
};

// Everything a notification area may read; the item names no themed icons and offers
// no D-Bus menu (the owner shows its own menu on ContextMenu).
const Property kProperties[] = {
    {"Category", "s", [](DBusMessageIter* i, const ItemLook&) { AppendString(i, "ApplicationStatus"); }},
    {"Id", "s", [](DBusMessageIter* i, const ItemLook& l) { AppendString(i, l.id); }},
    {"Title", "s", [](DBusMessageIter* i, const ItemLook& l) { AppendString(i, l.title); }},
    {"Status", "s", [](DBusMessageIter* i, const ItemLook&) { AppendString(i, "Active"); }},
    {"WindowId", "i", [](DBusMessageIter* i, const ItemLook&) { AppendInt(i, 0); }},
    {"IconName", "s", [](DBusMessageIter* i, const ItemLook&) { AppendString(i, ""); }},
    {"IconPixmap", "a(iiay)", [](DBusMessageIter* i, const ItemLook& l) { AppendPixmaps(i, l.icon.get()); }},
    {"OverlayIconName", "s", [](DBusMessageIter* i, const ItemLook&) { AppendString(i, ""); }},
    {"OverlayIconPixmap", "a(iiay)", [](DBusMessageIter* i, const ItemLook&) { AppendPixmaps(i, nullptr); }},
    {"AttentionIconName", "s", [](DBusMessageIter* i, const ItemLook&) { AppendString(i, ""); }},
    {"AttentionIconPixmap", "a(iiay)", [](DBusMessageIter* i, const ItemLook&) { AppendPixmaps(i, nullptr); }},
    {"AttentionMovieName", "s", [](DBusMessageIter* i, const ItemLook&) { AppendString(i, ""); }},
    {"ToolTip", "(sa(iiay)ss)", AppendToolTip},
    {"ItemIsMenu", "b", [](DBusMessageIter* i, const ItemLook&) { AppendBool(i, false); }},
    {"Menu", "o", [](DBusMessageIter* i, const ItemLook&) { AppendObjectPath(i, kNoMenu); }},
};

// Clicks the notification area reports, as the mouse messages a Windows shell posts.
struct ClickMethod {
    const char* member;
    UINT mouseMessage;
};
const ClickMethod kClickMethods[] = {
    {"Activate", WM_LBUTTONUP},
    {"ContextMenu", WM_RBUTTONUP},
    {"SecondaryActivate", WM_MBUTTONUP},
};

const Property* FindProperty(const char* name) {
    for (const Property& property : kProperties) {
        if (std::strcmp(property.name, name) == 0) return &property;
    }
    return nullptr;
}

void AppendVariant(DBusMessageIter* iter, const Property& property, const ItemLook& look) {
    DBusMessageIter variant;
    dbus_message_iter_open_container(iter, DBUS_TYPE_VARIANT, property.signature, &variant);
    property.write(&variant, look);
    dbus_message_iter_close_container(iter, &variant);
}

// A method call of `member`; a call without an interface matches any.
bool IsCall(DBusMessage* message, const char* interface, const char* member) {
    if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) return false;
    const char* called = dbus_message_get_member(message);
    const char* calledInterface = dbus_message_get_interface(message);
    return called && std::strcmp(called, member) == 0 &&
           (!calledInterface || std::strcmp(calledInterface, interface) == 0);
}

DBusHandlerResult Send(DBusConnection* connection, DBusMessage* reply) {
    if (!reply) return DBUS_HANDLER_RESULT_NEED_MEMORY;
    dbus_connection_send(connection, reply, nullptr);
    dbus_message_unref(reply);
    return DBUS_HANDLER_RESULT_HANDLED;
}

DBusHandlerResult SendError(DBusConnection* connection, DBusMessage* call, const char* name,
                            const std::string& text) {
    return Send(connection, dbus_message_new_error(call, name, text.c_str()));
}

DBusHandlerResult ReplyClick(DBusConnection* connection, DBusMessage* call, ItemSource* source,
                             UINT mouseMessage) {
    BusError error;
    dbus_int32_t x = 0, y = 0;
    if (!dbus_message_get_args(call, error.get(), DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y,
                               DBUS_TYPE_INVALID)) {
        return SendError(connection, call, DBUS_ERROR_INVALID_ARGS, "expected (ii)");
    }
    source->Click(mouseMessage, POINT{x, y});
    return Send(connection, dbus_message_new_method_return(call));
}

DBusHandlerResult ReplyGet(DBusConnection* connection, DBusMessage* call, ItemSource* source) {
    BusError error;
    const char* interface = nullptr;
    const char* name = nullptr;
    if (!dbus_message_get_args(call, error.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                               DBUS_TYPE_INVALID)) {
        return SendError(connection, call, DBUS_ERROR_INVALID_ARGS, "expected (ss)");
    }
    const Property* property = std::strcmp(interface, kItemInterface) == 0 ? FindProperty(name) : nullptr;
    if (!property) return SendError(connection, call, DBUS_ERROR_UNKNOWN_PROPERTY, std::string("no property ") + name);
    DBusMessage* reply = dbus_message_new_method_return(call);
    if (!reply) return DBUS_HANDLER_RESULT_NEED_MEMORY;
    DBusMessageIter iter;
    dbus_message_iter_init_append(reply, &iter);
    AppendVariant(&iter, *property, source->Look());
    return Send(connection, reply);
}

DBusHandlerResult ReplyGetAll(DBusConnection* connection, DBusMessage* call, ItemSource* source) {
    BusError error;
    const char* interface = nullptr;
    if (!dbus_message_get_args(call, error.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID)) {
        return SendError(connection, call, DBUS_ERROR_INVALID_ARGS, "expected (s)");
    }
    DBusMessage* reply = dbus_message_new_method_return(call);
    if (!reply) return DBUS_HANDLER_RESULT_NEED_MEMORY;
    DBusMessageIter iter, all;
    dbus_message_iter_init_append(reply, &iter);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "{sv}", &all);
    if (std::strcmp(interface, kItemInterface) == 0) {
        ItemLook look = source->Look();
        for (const Property& property : kProperties) {
            DBusMessageIter entry;
            dbus_message_iter_open_container(&all, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
            AppendString(&entry, property.name);
            AppendVariant(&entry, property, look);
            dbus_message_iter_close_container(&all, &entry);
        }
    }
    dbus_message_iter_close_container(&iter, &all);
    return Send(connection, reply);
}

std::string IntrospectionXml() {
    std::string xml =
        DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE
        "<node>\n"
        " <interface name=\"org.kde.StatusNotifierItem\">\n";
    for (const Property& property : kProperties) {
        xml += std::string("  <property name=\"") + property.name + "\" type=\"" + property.signature +
               "\" access=\"read\"/>\n";
    }
    for (const ClickMethod& method : kClickMethods) {
        xml += std::string("  <method name=\"") + method.member +
               "\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
               "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n";
    }
    xml +=
        "  <method name=\"Scroll\"><arg name=\"delta\" type=\"i\" direction=\"in\"/>"
        "<arg name=\"orientation\" type=\"s\" direction=\"in\"/></method>\n"
        "  <signal name=\"NewTitle\"/>\n  <signal name=\"NewIcon\"/>\n  <signal name=\"NewAttentionIcon\"/>\n"
        "  <signal name=\"NewOverlayIcon\"/>\n  <signal name=\"NewToolTip\"/>\n"
        "  <signal name=\"NewStatus\"><arg name=\"status\" type=\"s\"/></signal>\n"
        " </interface>\n"
        " <interface name=\"org.freedesktop.DBus.Properties\">\n"
        "  <method name=\"Get\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"out\"/></method>\n"
        "  <method name=\"GetAll\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"values\" type=\"a{sv}\" direction=\"out\"/></method>\n"
        "  <method name=\"Set\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"in\"/></method>\n"
        " </interface>\n"
        " <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
        "  <method name=\"Introspect\"><arg name=\"xml\" type=\"s\" direction=\"out\"/></method>\n"
        " </interface>\n"
        "</node>\n";
    return xml;
}

DBusHandlerResult ReplyIntrospect(DBusConnection* connection, DBusMessage* call) {
    DBusMessage* reply = dbus_message_new_method_return(call);
    if (!reply) return DBUS_HANDLER_RESULT_NEED_MEMORY;
    std::string xml = IntrospectionXml();
    const char* text = xml.c_str();
    dbus_message_append_args(reply, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
    return Send(connection, reply);
}

DBusHandlerResult HandleItemMessage(DBusConnection* connection, DBusMessage* message, void* data) {
    auto* source = static_cast<ItemSource*>(data);
    for (const ClickMethod& method : kClickMethods) {
        if (IsCall(message, kItemInterface, method.member)) {
            return ReplyClick(connection, message, source, method.mouseMessage);
        }
    }
    // A Windows shell reports no wheel over its icons, so neither do we.
    if (IsCall(message, kItemInterface, "Scroll")) return Send(connection, dbus_message_new_method_return(message));
    if (IsCall(message, kPropertiesInterface, "Get")) return ReplyGet(connection, message, source);
    if (IsCall(message, kPropertiesInterface, "GetAll")) return ReplyGetAll(connection, message, source);
    if (IsCall(message, kPropertiesInterface, "Set")) {
        return SendError(connection, message, DBUS_ERROR_PROPERTY_READ_ONLY, "the item's properties are read-only");
    }
    if (IsCall(message, kIntrospectableInterface, "Introspect")) return ReplyIntrospect(connection, message);
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

}  // namespace

void AppendPixmaps(DBusMessageIter* iter, const ZoviIcon* icon) {
    DBusMessageIter list;
    dbus_message_iter_open_container(iter, DBUS_TYPE_ARRAY, "(iiay)", &list);
    bool drawable = icon && icon->width > 0 && icon->height > 0 &&
                    icon->argb.size() == static_cast<size_t>(icon->width) * static_cast<size_t>(icon->height);
    if (drawable) {
        std::vector<unsigned char> bytes;
        bytes.reserve(icon->argb.size() * 4);
        for (std::uint32_t pixel : icon->argb) {
            for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(pixel >> shift));
        }
        DBusMessageIter pixmap, data;
        dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &pixmap);
        AppendInt(&pixmap, icon->width);
        AppendInt(&pixmap, icon->height);
        dbus_message_iter_open_container(&pixmap, DBUS_TYPE_ARRAY, "y", &data);
        const unsigned char* first = bytes.data();
        dbus_message_iter_append_fixed_array(&data, DBUS_TYPE_BYTE, &first, static_cast<int>(bytes.size()));
        dbus_message_iter_close_container(&pixmap, &data);
        dbus_message_iter_close_container(&list, &pixmap);
    }
    dbus_message_iter_close_container(iter, &list);
}

bool ExportItem(DBusConnection* connection, ItemSource* source) {
    static const DBusObjectPathVTable vtable = {nullptr, HandleItemMessage, nullptr, nullptr, nullptr, nullptr};
    return dbus_connection_register_object_path(connection, kItemPath, &vtable, source) != 0;
}

void UnexportItem(DBusConnection* connection) { dbus_connection_unregister_object_path(connection, kItemPath); }

void EmitItemSignal(DBusConnection* connection, const char* member) {
    DBusMessage* signal = dbus_message_new_signal(kItemPath, kItemInterface, member);
    if (!signal) return;
    dbus_connection_send(connection, signal, nullptr);
    dbus_message_unref(signal);
}

}  // namespace zovi::platform::tray
