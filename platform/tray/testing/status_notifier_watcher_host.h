// A StatusNotifierHost for tests, acting on items as a desktop's notification area
// does: it reads an item's properties, calls its methods and hears its signals over a
// session bus connection of its own (DBUS_SESSION_BUS_ADDRESS). One thread uses it; each
// call blocks until the item answers (the item must be served on another thread).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/tray/status_notifier_bus.h"

namespace zovi::test {

class CTestStatusNotifierHost {
public:
    struct Pixmap {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> bytes;  // ARGB32, network byte order
    };
    // The item's properties as GetAll gives them.
    struct Item {
        std::string category, id, title, status, menu;
        bool itemIsMenu = true;
        std::vector<Pixmap> icon;
        std::string toolTipTitle;
    };

    CTestStatusNotifierHost();
    bool Ok() const { return connection_ != nullptr; }

    // Every property of the item `service`; nullopt when it does not answer well.
    std::optional<Item> Read(const std::string& service);
    // One string property through Properties.Get; the error's name when it fails.
    std::string GetString(const std::string& service, const char* property, std::string* errorName = nullptr);
    // Calls `method` (Activate, ContextMenu, SecondaryActivate) at a screen position;
    // false when the item answers with an error or not at all.
    bool Click(const std::string& service, const char* method, int x, int y);
    // The item's introspection XML; empty when it does not answer.
    std::string Introspect(const std::string& service);
    // True when `name` has an owner on the bus.
    bool HasOwner(const std::string& name);

    // Hears the signals of the item `service` from now on.
    bool Listen(const std::string& service);
    // Takes the next signal heard, waiting up to `timeoutMs`; its member name, or empty
    // on timeout.
    std::string NextSignal(int timeoutMs);

private:
    platform::tray::MessagePtr CallItem(const std::string& service, const char* interface, const char* method,
                                        int firstArgType, ...);

    platform::tray::ConnectionPtr connection_;
};

}  // namespace zovi::test
