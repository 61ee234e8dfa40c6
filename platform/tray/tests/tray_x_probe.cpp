#include "platform/tray/tests/tray_x_probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>

#include "platform/x11/x11_init.h"

namespace zovi::test {
namespace {

namespace x11 = platform::x11;

std::vector<IconCallback>& Recorded() {
    static std::vector<IconCallback> recorded;
    return recorded;
}

LRESULT OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kIconCallbackMessage) {
        const DWORD position = GetMessagePos();
        Recorded().push_back({wParam, lParam,
                              POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)}});
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* OwnerClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = L"ZoviTrayIconOwnerTest";
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? L"ZoviTrayIconOwnerTest" : nullptr;
}

// A connection of the probe's own to $DISPLAY, closed at the end of the scope.
class Probe {
public:
    Probe() : display_(x11::OpenDisplay()) {}
    ~Probe() {
        if (display_) x11::CloseDisplay(display_);
    }
    Display* operator*() const { return display_; }
    explicit operator bool() const { return display_ != nullptr; }

private:
    Display* display_;
};

std::string ReadName(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    x11::CXErrorTrap trap(display, false);
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        name.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    return name;
}

unsigned long FindBelow(Display* display, Window parent, const std::string& name) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    {
        x11::CXErrorTrap trap(display, false);
        if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    }
    unsigned long found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (ReadName(display, children[i]) == name)
            found = children[i];
        else
            found = FindBelow(display, children[i], name);
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

CIconOwner::CIconOwner() {
    Recorded().clear();
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, OwnerClass(), L"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr,
                            nullptr);
}

CIconOwner::~CIconOwner() {
    if (hwnd_) DestroyWindow(hwnd_);
}

const std::vector<IconCallback>& CIconOwner::Callbacks() const { return Recorded(); }

void CIconOwner::ClearCallbacks() { Recorded().clear(); }

bool PumpUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const UINT_PTR tick = SetTimer(0, 0, 20, nullptr);  // wakes GetMessageW to look again
    bool met = condition();
    while (!met && std::chrono::steady_clock::now() < deadline) {
        MSG msg;
        if (GetMessageW(&msg, 0, 0, 0) <= 0) break;
        DispatchMessageW(&msg);
        met = condition();
    }
    KillTimer(0, tick);
    return met;
}

std::vector<unsigned char> MakePng(int width, int height, const std::function<std::uint32_t(int x, int y)>& argb) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_flush(surface);
    unsigned char* rows = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(rows + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            // Cairo keeps premultiplied colour.
            const std::uint32_t pixel = argb(x, y);
            const std::uint32_t alpha = pixel >> 24;
            auto channel = [&](int shift) { return (((pixel >> shift) & 0xFF) * alpha / 255) << shift; };
            row[x] = (alpha << 24) | channel(16) | channel(8) | channel(0);
        }
    }
    cairo_surface_mark_dirty(surface);
    std::vector<unsigned char> png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<std::vector<unsigned char>*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

NOTIFYICONDATAW IconData(HWND owner, UINT id, UINT flags, HICON icon, const wchar_t* tip) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = flags;
    data.uCallbackMessage = kIconCallbackMessage;
    data.hIcon = icon;
    std::wcsncpy(data.szTip, tip, std::size(data.szTip) - 1);
    return data;
}

POINT WindowOrigin(unsigned long window) {
    Probe probe;
    POINT origin{};
    if (!probe) return origin;
    Window child = 0;
    int x = 0, y = 0;
    x11::CXErrorTrap trap(*probe, false);
    if (XTranslateCoordinates(*probe, window, DefaultRootWindow(*probe), 0, 0, &x, &y, &child)) origin = {x, y};
    return origin;
}

std::string WindowName(unsigned long window) {
    Probe probe;
    return probe ? ReadName(*probe, window) : std::string();
}

int WindowDepth(unsigned long window) {
    Probe probe;
    if (!probe) return 0;
    XWindowAttributes attributes{};
    x11::CXErrorTrap trap(*probe, false);
    return XGetWindowAttributes(*probe, window, &attributes) ? attributes.depth : 0;
}

bool WindowExists(unsigned long window) { return WindowDepth(window) != 0; }

unsigned long FindWindowByName(const std::string& name) {
    Probe probe;
    return probe ? FindBelow(*probe, DefaultRootWindow(*probe), name) : 0;
}

unsigned long TopLevelOf(unsigned long window) {
    Probe probe;
    if (!probe) return 0;
    x11::CXErrorTrap trap(*probe, false);
    while (true) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(*probe, window, &root, &parent, &children, &count)) return 0;
        if (children) XFree(children);
        if (parent == root || parent == 0) return window;
        window = parent;
    }
}

void ClickAt(POINT point, unsigned int button) {
    Probe probe;
    if (!probe) return;
    XTestFakeMotionEvent(*probe, DefaultScreen(*probe), point.x, point.y, CurrentTime);
    XTestFakeButtonEvent(*probe, button, True, CurrentTime);
    XTestFakeButtonEvent(*probe, button, False, CurrentTime);
    XSync(*probe, False);
}

}  // namespace zovi::test
