#include <X11/Xatom.h>

#include <cstring>
#include <functional>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/window/present.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

namespace {

// This thread's connection for reaching other processes' windows.
struct Messenger {
    Display* display = nullptr;
    bool tried = false;
    Window replyWindow = 0;
    ~Messenger();
};

// Set once the thread's messenger is gone (thread exit, including the main thread's
// before static destruction); later calls then find no display instead of a destroyed
// object.
thread_local bool tMessengerGone = false;

Messenger::~Messenger() {
    tMessengerGone = true;
    if (display) x11::CloseDisplay(display);
}

Messenger* ThreadMessenger() {
    if (tMessengerGone) return nullptr;
    thread_local Messenger messenger;
    if (!messenger.tried) {
        messenger.tried = true;
        messenger.display = x11::OpenDisplay();
    }
    return &messenger;
}

struct AtomCache {
    std::mutex lock;
    std::map<std::string, Atom> atoms;
};
AtomCache& Atoms() {
    static auto* cache = new AtomCache;
    return *cache;
}

std::string ReadUtf8Property(Display* display, Window window, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (format == 8) out.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return out;
}

// Calls `visit` for the top-level windows: the window manager's client list when it
// publishes one, else every window of the tree (a reparenting manager puts ours under
// frames). Stops when `visit` returns true.
bool VisitTopLevel(Display* display, const std::function<bool(Window)>& visit) {
    Window root = DefaultRootWindow(display);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, root, GetAtom(display, "_NET_CLIENT_LIST"), 0, 65536, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success &&
        data && format == 32 && count > 0) {
        std::vector<Window> windows(reinterpret_cast<Window*>(data), reinterpret_cast<Window*>(data) + count);
        XFree(data);
        for (Window window : windows) {
            if (visit(window)) return true;
        }
        return false;
    }
    if (data) XFree(data);
    std::function<bool(Window, int)> walk = [&](Window parent, int depth) {
        Window rootReturn = 0, parentReturn = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &n)) return false;
        std::vector<Window> list(children, children + n);
        if (children) XFree(children);
        // Topmost first.
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            if (visit(*it)) return true;
            if (depth < 3 && walk(*it, depth + 1)) return true;
        }
        return false;
    };
    return walk(root, 0);
}

// Without a server, offscreen windows' programs still get one id per name (in this
// process only: there are no others to talk to).
UINT OffscreenMessageId(const wchar_t* name) {
    static std::mutex lock;
    static auto* ids = new std::map<std::wstring, UINT>;
    std::lock_guard guard(lock);
    auto [it, added] = ids->emplace(name, static_cast<UINT>(0xC000 + ids->size()));
    return it->second;
}

// The first top-level offscreen window of the class (and title, when given).
HWND FindOffscreenWindow(const wchar_t* className, const wchar_t* windowName) {
    if (!className && !windowName) return 0;
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    for (const auto& [hwnd, record] : registry.windows) {
        if (record->style & WS_CHILD) continue;
        if (className && record->className != className) continue;
        if (windowName && record->title != windowName) continue;
        return hwnd;
    }
    return 0;
}

}  // namespace

Atom GetAtom(Display* display, const char* name) {
    AtomCache& cache = Atoms();
    {
        std::lock_guard lock(cache.lock);
        auto it = cache.atoms.find(name);
        if (it != cache.atoms.end()) return it->second;
    }
    Atom atom = XInternAtom(display, name, False);
    std::lock_guard lock(cache.lock);
    cache.atoms[name] = atom;
    return atom;
}

Display* MessengerDisplay() {
    Messenger* messenger = ThreadMessenger();
    if (!messenger || x11::ConnectionLost(messenger->display)) return nullptr;
    return messenger->display;
}

Window MessengerReplyWindow() {
    Display* display = MessengerDisplay();
    if (!display) return 0;
    Messenger* messenger = ThreadMessenger();
    if (!messenger->replyWindow) {
        XSetWindowAttributes attributes{};
        attributes.event_mask = 0;
        messenger->replyWindow = XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, InputOnly,
                                               CopyFromParent, CWEventMask, &attributes);
        XFlush(display);
    }
    return messenger->replyWindow;
}

bool SendClientMessage(Display* display, Window target, const char* type, const long data[5]) {
    if (!display || !target) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = GetAtom(display, type);
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    x11::CXErrorTrap trap(display);
    XSendEvent(display, target, False, NoEventMask, &event);
    return !trap.Failed();  // waits for the server: a vanished window fails here
}

}  // namespace zovi::platform::window_detail

using namespace zovi::platform::window_detail;

BOOL IsWindow(HWND hwnd) {
    if (!hwnd) return FALSE;
    if (FindRecord(hwnd)) return TRUE;
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display) return FALSE;
    zovi::platform::x11::CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    Status ok = XGetWindowAttributes(display, hwnd, &attributes);
    return !trap.Failed() && ok ? TRUE : FALSE;
}

UINT RegisterWindowMessageW(const wchar_t* name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Display* display = MessengerDisplay();
    if (!display && zovi::platform::OffscreenWindowsInUse()) return OffscreenMessageId(name);
    if (!display) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    const std::string utf8 = zovi::platform::WideToUtf8(name);
    return static_cast<UINT>(0xC000 + GetAtom(display, utf8.c_str()));
}

HWND FindWindowW(const wchar_t* className, const wchar_t* windowName) {
    if (zovi::platform::OffscreenWindowsInUse()) return FindOffscreenWindow(className, windowName);
    Display* display = MessengerDisplay();
    if (!display || (!className && !windowName)) return 0;
    const std::string wantClass = className ? zovi::platform::WideToUtf8(className) : "";
    const std::string wantName = windowName ? zovi::platform::WideToUtf8(windowName) : "";
    const Atom classAtom = GetAtom(display, kClassAtom);
    const Atom nameAtom = GetAtom(display, "_NET_WM_NAME");
    HWND found = 0;
    zovi::platform::x11::CXErrorTrap trap(display);  // windows may vanish while we look
    VisitTopLevel(display, [&](Window window) {
        std::string cls = ReadUtf8Property(display, window, classAtom);
        if (cls.empty()) return false;
        if (className && cls != wantClass) return false;
        if (windowName && ReadUtf8Property(display, window, nameAtom) != wantName) return false;
        found = window;
        return true;
    });
    trap.Failed();
    return found;
}

namespace zovi::platform {

bool HasDisplay() { return MessengerDisplay() != nullptr; }

DWORD WindowProcessId(HWND hwnd) {
    Display* display = MessengerDisplay();
    if (!display || !hwnd) return 0;
    x11::CXErrorTrap trap(display);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    DWORD pid = 0;
    if (XGetWindowProperty(display, hwnd, GetAtom(display, "_NET_WM_PID"), 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 32 && count == 1) pid = static_cast<DWORD>(*reinterpret_cast<long*>(data));
        XFree(data);
    }
    trap.Failed();
    return pid;
}

}  // namespace zovi::platform
