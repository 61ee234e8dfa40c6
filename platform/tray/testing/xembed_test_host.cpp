#include "platform/tray/testing/xembed_test_host.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/x11/x11_init.h"

namespace zovi::test {
namespace {

namespace x11 = platform::x11;

constexpr long kRequestDock = 0;      // SYSTEM_TRAY_REQUEST_DOCK
constexpr long kEmbeddedNotify = 0;   // XEMBED_EMBEDDED_NOTIFY
constexpr unsigned long kXEmbedMapped = 1;
constexpr int kPadding = 4;
constexpr int kPanelSlots = 8;
constexpr unsigned long kPanelColour = 0x404040;

Atom Intern(Display* display, const char* name) { return XInternAtom(display, name, False); }

// The server's time now: the time stamp of a change to a property of `window`.
Time ServerTime(Display* display, Window window) {
    const Atom atom = Intern(display, "_ZOVI_TEST_TRAY_TIME");
    XChangeProperty(display, window, atom, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    do {
        XWindowEvent(display, window, PropertyChangeMask, &event);
    } while (event.xproperty.atom != atom);
    return event.xproperty.time;
}

// _XEMBED_INFO {version, flags}; flags 0 when the property is missing.
unsigned long XEmbedFlags(Display* display, Window icon) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long flags = 0;
    const Atom info = Intern(display, "_XEMBED_INFO");
    if (XGetWindowProperty(display, icon, info, 0, 2, False, info, &type, &format, &count, &after, &data) ==
            Success &&
        data && format == 32 && count >= 2)
        flags = reinterpret_cast<unsigned long*>(data)[1];
    if (data) XFree(data);
    return flags;
}

}  // namespace

CXEmbedTestHost::CXEmbedTestHost(const std::string& display, Observer observer, bool offerArgbVisual)
    : observer_(std::move(observer)) {
    display_ = x11::OpenDisplay(display.empty() ? nullptr : display.c_str());
    if (display_ && !TakeSelection(offerArgbVisual)) panel_ = 0;
}

CXEmbedTestHost::~CXEmbedTestHost() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        (void)!write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (stopFd_ >= 0) close(stopFd_);
    if (display_) x11::CloseDisplay(display_);
}

bool CXEmbedTestHost::TakeSelection(bool offerArgbVisual) {
    Display* d = display_;
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = kPanelColour;
    attributes.event_mask = SubstructureNotifyMask | PropertyChangeMask;
    const int width = kPadding + kPanelSlots * (kIconSize + kPadding);
    const Window panel = XCreateWindow(d, root, 0, 0, width, kIconSize + 2 * kPadding, 0, CopyFromParent,
                                       InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    const long orientation = 0;  // horizontal
    XChangeProperty(d, panel, Intern(d, "_NET_SYSTEM_TRAY_ORIENTATION"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&orientation), 1);
    XVisualInfo argb{};
    const bool withArgb = offerArgbVisual && XMatchVisualInfo(d, screen, 32, TrueColor, &argb);
    const long visual = static_cast<long>(XVisualIDFromVisual(withArgb ? argb.visual : DefaultVisual(d, screen)));
    XChangeProperty(d, panel, Intern(d, "_NET_SYSTEM_TRAY_VISUAL"), XA_VISUALID, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&visual), 1);
    XMapWindow(d, panel);

    const Time now = ServerTime(d, panel);
    const Atom selection = Intern(d, ("_NET_SYSTEM_TRAY_S" + std::to_string(screen)).c_str());
    XSetSelectionOwner(d, selection, panel, now);
    if (XGetSelectionOwner(d, selection) != panel) {
        XDestroyWindow(d, panel);
        XFlush(d);
        return false;
    }
    XEvent manager{};
    manager.xclient.type = ClientMessage;
    manager.xclient.window = root;
    manager.xclient.message_type = Intern(d, "MANAGER");
    manager.xclient.format = 32;
    manager.xclient.data.l[0] = static_cast<long>(now);
    manager.xclient.data.l[1] = static_cast<long>(selection);
    manager.xclient.data.l[2] = static_cast<long>(panel);
    XSendEvent(d, root, False, StructureNotifyMask, &manager);
    XFlush(d);
    panel_ = panel;
    return true;
}

void CXEmbedTestHost::Serve(int stopFd) {
    if (!display_ || !panel_) return;
    while (!x11::ConnectionLost(display_)) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            HandleEvent(event);
        }
        XFlush(display_);
        if (x11::ConnectionLost(display_)) return;
        pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            XPending(display_);  // lets Xlib notice the loss
            return;
        }
    }
}

void CXEmbedTestHost::ServeInBackground() {
    if (thread_.joinable() || !Owning()) return;
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { Serve(stopFd_); });
}

std::vector<unsigned long> CXEmbedTestHost::DockedIcons() const {
    std::lock_guard lock(mutex_);
    return docked_;
}

bool CXEmbedTestHost::WaitForDocked(const std::function<bool(const std::vector<unsigned long>&)>& condition,
                                    int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return condition(docked_); });
}

bool CXEmbedTestHost::IsDocked(unsigned long icon) const {
    std::lock_guard lock(mutex_);
    return std::find(docked_.begin(), docked_.end(), icon) != docked_.end();
}

void CXEmbedTestHost::HandleEvent(XEvent& event) {
    switch (event.type) {
    case ClientMessage:
        if (event.xclient.window == panel_ &&
            event.xclient.message_type == Intern(display_, "_NET_SYSTEM_TRAY_OPCODE") &&
            event.xclient.data.l[1] == kRequestDock)
            Dock(static_cast<unsigned long>(event.xclient.data.l[2]));
        break;
    case DestroyNotify:
        Undock(event.xdestroywindow.window);
        break;
    case ReparentNotify:
        if (event.xreparent.parent != panel_) Undock(event.xreparent.window);
        break;
    case PropertyNotify:
        if (event.xproperty.atom == Intern(display_, "_XEMBED_INFO")) ApplyMapFlag(event.xproperty.window);
        break;
    default:
        break;
    }
}

void CXEmbedTestHost::Dock(unsigned long icon) {
    if (IsDocked(icon)) return;
    Display* d = display_;
    x11::CXErrorTrap trap(d);
    // Like the panels of desktops: a docked icon outlives the panel (back on the root).
    XSelectInput(d, icon, StructureNotifyMask | PropertyChangeMask);
    XAddToSaveSet(d, icon);
    const int x = kPadding + (nextSlot_++ % kPanelSlots) * (kIconSize + kPadding);
    XReparentWindow(d, icon, panel_, x, kPadding);
    XResizeWindow(d, icon, kIconSize, kIconSize);
    XEvent notify{};
    notify.xclient.type = ClientMessage;
    notify.xclient.window = icon;
    notify.xclient.message_type = Intern(d, "_XEMBED");
    notify.xclient.format = 32;
    notify.xclient.data.l[0] = CurrentTime;
    notify.xclient.data.l[1] = kEmbeddedNotify;
    notify.xclient.data.l[3] = static_cast<long>(panel_);
    XSendEvent(d, icon, False, NoEventMask, &notify);
    if (XEmbedFlags(d, icon) & kXEmbedMapped) XMapRaised(d, icon);
    if (trap.Failed()) return;  // the icon went away meanwhile
    {
        std::lock_guard lock(mutex_);
        docked_.push_back(icon);
    }
    changed_.notify_all();
    if (observer_) observer_(true, icon);
}

void CXEmbedTestHost::Undock(unsigned long icon) {
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find(docked_.begin(), docked_.end(), icon);
        if (it == docked_.end()) return;
        docked_.erase(it);
    }
    changed_.notify_all();
    if (observer_) observer_(false, icon);
}

void CXEmbedTestHost::ApplyMapFlag(unsigned long icon) {
    if (!IsDocked(icon)) return;
    x11::CXErrorTrap trap(display_);
    if (XEmbedFlags(display_, icon) & kXEmbedMapped)
        XMapRaised(display_, icon);
    else
        XUnmapWindow(display_, icon);
}

WindowImage ReadWindowImage(const std::string& display, unsigned long window) {
    WindowImage image;
    Display* d = x11::OpenDisplay(display.empty() ? nullptr : display.c_str());
    if (!d) return image;
    {
        x11::CXErrorTrap trap(d);
        XWindowAttributes attributes{};
        XImage* picture = nullptr;
        if (XGetWindowAttributes(d, window, &attributes) && attributes.map_state == IsViewable)
            picture = XGetImage(d, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
        if (picture) {
            image.width = picture->width;
            image.height = picture->height;
            image.rgb.reserve(static_cast<size_t>(image.width) * image.height);
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x)
                    image.rgb.push_back(static_cast<std::uint32_t>(XGetPixel(picture, x, y) & 0xFFFFFF));
            XDestroyImage(picture);
        }
    }
    x11::CloseDisplay(d);
    return image;
}

bool SaveWindowImagePng(const WindowImage& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0) return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; ++y)
        std::copy_n(&image.rgb[static_cast<size_t>(y) * image.width], image.width,
                    reinterpret_cast<std::uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride));
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

}  // namespace zovi::test
