#include "platform/screen/top_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/base/utf8.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

Atom AtomOf(Display* display, const char* name) { return XInternAtom(display, name, False); }

// Reads a property of 32-bit items (longs in Xlib's representation).
std::vector<long> ReadLongs(Display* display, Window window, Atom property, Atom type) {
    std::vector<long> values;
    x11::CXErrorTrap trap(display);
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 65536, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data && format == 32) {
        const long* items = reinterpret_cast<const long*>(data);
        values.assign(items, items + count);
    }
    if (data) XFree(data);
    if (trap.Failed()) values.clear();
    return values;
}

}  // namespace

std::vector<HWND> ListTopLevelWindows(CScreenConnection& connection) {
    Display* display = connection.Display();
    std::vector<HWND> windows;
    const Atom stacking = XInternAtom(display, "_NET_CLIENT_LIST_STACKING", True);
    if (stacking) {
        for (long id : ReadLongs(display, connection.Root(), stacking, XA_WINDOW))
            windows.push_back(static_cast<HWND>(id));
    }
    if (windows.empty()) {
        x11::CXErrorTrap trap(display);
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, connection.Root(), &rootReturn, &parent, &children, &count))
            windows.assign(children, children + count);
        if (children) XFree(children);
    }
    // Both lists run bottom to top.
    return {windows.rbegin(), windows.rend()};
}

bool IsWindow(CScreenConnection& connection, HWND window) {
    if (!window) return false;
    x11::CXErrorTrap trap(connection.Display());
    XWindowAttributes attributes{};
    return XGetWindowAttributes(connection.Display(), window, &attributes) && !trap.Failed();
}

bool GetWindowRect(CScreenConnection& connection, HWND window, RECT* rect) {
    if (!window) return false;
    Display* display = connection.Display();
    x11::CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        !XTranslateCoordinates(display, window, connection.Root(), 0, 0, &x, &y, &child) ||
        trap.Failed())
        return false;
    const std::vector<long> extents =
        ReadLongs(display, window, AtomOf(display, "_NET_FRAME_EXTENTS"), XA_CARDINAL);
    const bool framed = extents.size() == 4;
    *rect = {x - static_cast<LONG>(framed ? extents[0] : 0),
             y - static_cast<LONG>(framed ? extents[2] : 0),
             x + attributes.width + static_cast<LONG>(framed ? extents[1] : 0),
             y + attributes.height + static_cast<LONG>(framed ? extents[3] : 0)};
    return true;
}

bool GetClientSize(CScreenConnection& connection, HWND window, SIZE* size) {
    x11::CXErrorTrap trap(connection.Display());
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(connection.Display(), window, &attributes) || trap.Failed())
        return false;
    *size = {attributes.width, attributes.height};
    return true;
}

bool IsWindowVisible(CScreenConnection& connection, HWND window) {
    x11::CXErrorTrap trap(connection.Display());
    XWindowAttributes attributes{};
    return XGetWindowAttributes(connection.Display(), window, &attributes) && !trap.Failed() &&
           attributes.map_state == IsViewable;
}

bool IsIconic(CScreenConnection& connection, HWND window) {
    Display* display = connection.Display();
    const Atom wmState = AtomOf(display, "WM_STATE");
    const std::vector<long> state = ReadLongs(display, window, wmState, wmState);
    if (!state.empty() && state[0] == IconicState) return true;
    const Atom hidden = AtomOf(display, "_NET_WM_STATE_HIDDEN");
    for (long atom : ReadLongs(display, window, AtomOf(display, "_NET_WM_STATE"), XA_ATOM))
        if (static_cast<Atom>(atom) == hidden) return true;
    return false;
}

bool IsToolWindow(CScreenConnection& connection, HWND window) {
    Display* display = connection.Display();
    {
        x11::CXErrorTrap trap(display);
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, window, &attributes) || trap.Failed()) return true;
        if (attributes.override_redirect) return true;
    }
    const std::vector<long> types =
        ReadLongs(display, window, AtomOf(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM);
    if (types.empty()) return false;
    const Atom normal = AtomOf(display, "_NET_WM_WINDOW_TYPE_NORMAL");
    const Atom dialog = AtomOf(display, "_NET_WM_WINDOW_TYPE_DIALOG");
    for (long type : types)
        if (static_cast<Atom>(type) == normal || static_cast<Atom>(type) == dialog) return false;
    return true;
}

std::wstring GetWindowTitle(CScreenConnection& connection, HWND window) {
    Display* display = connection.Display();
    x11::CXErrorTrap trap(display);
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string utf8;
    if (XGetWindowProperty(display, window, AtomOf(display, "_NET_WM_NAME"), 0, 65536, False,
                           AtomOf(display, "UTF8_STRING"), &actualType, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        utf8.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    if (utf8.empty()) {
        XTextProperty property{};
        if (XGetWMName(display, window, &property) && property.value) {
            char** list = nullptr;
            int items = 0;
            if (Xutf8TextPropertyToTextList(display, &property, &list, &items) >= Success &&
                list && items > 0)
                utf8 = list[0];
            if (list) XFreeStringList(list);
            XFree(property.value);
        }
    }
    if (trap.Failed()) return {};
    return Utf8ToWide(utf8);
}

std::wstring GetWindowClassName(CScreenConnection& connection, HWND window) {
    x11::CXErrorTrap trap(connection.Display());
    XClassHint hint{};
    std::string name;
    if (XGetClassHint(connection.Display(), window, &hint)) {
        if (hint.res_class) name = hint.res_class;
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
    }
    if (trap.Failed()) return {};
    return Utf8ToWide(name);
}

pid_t GetWindowProcessId(CScreenConnection& connection, HWND window) {
    Display* display = connection.Display();
    const std::vector<long> pid =
        ReadLongs(display, window, AtomOf(display, "_NET_WM_PID"), XA_CARDINAL);
    return pid.empty() ? 0 : static_cast<pid_t>(pid[0]);
}

bool GetProcessImageName(pid_t pid, std::string* name) {
    if (pid <= 0) return false;
    const std::string base = "/proc/" + std::to_string(pid);
    char target[4096];
    const ssize_t length = readlink((base + "/exe").c_str(), target, sizeof(target) - 1);
    if (length > 0) {
        target[length] = 0;
        const char* slash = std::strrchr(target, '/');
        *name = slash ? slash + 1 : target;
        return !name->empty();
    }
    std::ifstream comm(base + "/comm");
    std::string line;
    if (!std::getline(comm, line) || line.empty()) return false;
    *name = line;
    return true;
}

pid_t GetCurrentProcessId() { return getpid(); }

}  // namespace zovi::platform
