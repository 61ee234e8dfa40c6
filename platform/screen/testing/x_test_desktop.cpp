#include "platform/screen/testing/x_test_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/x11/x11_init.h"

namespace zovi::platform::testing {

namespace {

Display* Shared() {
    static Display* display = x11::OpenDisplay();
    return display;
}

std::mutex g_lock;

}  // namespace

std::unique_ptr<CTestWindow> CTestWindow::Create(const RECT& rect, uint32_t rgb,
                                                 bool overrideRedirect) {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    if (!display) return nullptr;
    XSetWindowAttributes attributes{};
    attributes.background_pixel = rgb;
    attributes.override_redirect = overrideRedirect ? True : False;
    attributes.backing_store = NotUseful;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Window window = XCreateWindow(display, DefaultRootWindow(display), rect.left, rect.top,
                                  width, height, 0, 24, InputOutput,
                                  DefaultVisual(display, DefaultScreen(display)),
                                  CWBackPixel | CWOverrideRedirect | CWBackingStore, &attributes);
    XSelectInput(display, window, ExposureMask | StructureNotifyMask);
    XMapRaised(display, window);
    // Wait for the map, so drawing lands on the screen.
    XEvent event;
    do XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    XSync(display, False);
    std::unique_ptr<CTestWindow> self(new CTestWindow(display, window, width, height));
    return self;
}

CTestWindow::~CTestWindow() { Destroy(); }

void CTestWindow::Fill(uint32_t rgb) {
    Paint([rgb](int, int) { return rgb; });
}

void CTestWindow::Paint(const std::function<uint32_t(int x, int y)>& colour) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!window_) return;
    auto* pixels = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(width_) * height_ * 4));
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) pixels[static_cast<size_t>(y) * width_ + x] = colour(x, y);
    XImage* image = XCreateImage(display_, DefaultVisual(display_, DefaultScreen(display_)), 24,
                                 ZPixmap, 0, reinterpret_cast<char*>(pixels), width_, height_, 32,
                                 width_ * 4);
    GC gc = XCreateGC(display_, window_, 0, nullptr);
    XPutImage(display_, window_, gc, image, 0, 0, 0, 0, width_, height_);
    XFreeGC(display_, gc);
    XDestroyImage(image);  // frees the pixels too
    XSync(display_, False);
}

void CTestWindow::MoveResize(const RECT& rect) {
    std::lock_guard<std::mutex> lock(g_lock);
    width_ = rect.right - rect.left;
    height_ = rect.bottom - rect.top;
    XMoveResizeWindow(display_, window_, rect.left, rect.top, width_, height_);
    XSync(display_, False);
}

void CTestWindow::SetTitle(const std::string& utf8Title) {
    std::lock_guard<std::mutex> lock(g_lock);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8Title.data()),
                    static_cast<int>(utf8Title.size()));
    XSync(display_, False);
}

void CTestWindow::SetPid(long pid) {
    std::lock_guard<std::mutex> lock(g_lock);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XSync(display_, False);
}

void CTestWindow::SetWindowType(const char* typeAtom) {
    std::lock_guard<std::mutex> lock(g_lock);
    long type = static_cast<long>(XInternAtom(display_, typeAtom, False));
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False),
                    XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
    XSync(display_, False);
}

void CTestWindow::SetIconicState() {
    std::lock_guard<std::mutex> lock(g_lock);
    long state[2] = {IconicState, 0};
    const Atom wmState = XInternAtom(display_, "WM_STATE", False);
    XChangeProperty(display_, window_, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(state), 2);
    XSync(display_, False);
}

void CTestWindow::SetFrameExtents(long left, long right, long top, long bottom) {
    std::lock_guard<std::mutex> lock(g_lock);
    long extents[4] = {left, right, top, bottom};
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_FRAME_EXTENTS", False),
                    XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(extents), 4);
    XSync(display_, False);
}

void CTestWindow::Unmap() {
    std::lock_guard<std::mutex> lock(g_lock);
    XUnmapWindow(display_, window_);
    XSync(display_, False);
}

void CTestWindow::Destroy() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!window_) return;
    XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
}

void MovePointer(int x, int y) {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, 0);
    XSync(display, False);
}

void FillRoot(const RECT& rect, uint32_t rgb) {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    const Window root = DefaultRootWindow(display);
    GC gc = XCreateGC(display, root, 0, nullptr);
    XSetSubwindowMode(display, gc, ClipByChildren);
    XSetForeground(display, gc, rgb);
    XFillRectangle(display, root, gc, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top);
    XFreeGC(display, gc);
    XSync(display, False);
}

bool SetMonitor(const std::string& name, const RECT& rect, bool takeOutput) {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    x11::CXErrorTrap trap(display);
    RROutput output = 0;
    if (takeOutput) {
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
        if (resources && resources->noutput > 0) output = resources->outputs[0];
        if (resources) XRRFreeScreenResources(resources);
        if (!output) return false;
    }
    XRRMonitorInfo* monitor = XRRAllocateMonitor(display, output ? 1 : 0);
    if (!monitor) return false;
    if (output) monitor->outputs[0] = output;
    monitor->name = XInternAtom(display, name.c_str(), False);
    monitor->x = rect.left;
    monitor->y = rect.top;
    monitor->width = rect.right - rect.left;
    monitor->height = rect.bottom - rect.top;
    monitor->mwidth = monitor->width / 4;
    monitor->mheight = monitor->height / 4;
    monitor->primary = False;
    monitor->automatic = False;
    XRRSetMonitor(display, DefaultRootWindow(display), monitor);
    XRRFreeMonitors(monitor);
    return !trap.Failed();
}

bool DeleteMonitor(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    x11::CXErrorTrap trap(display);
    XRRDeleteMonitor(display, DefaultRootWindow(display), XInternAtom(display, name.c_str(), False));
    return !trap.Failed();
}

bool ChangeScreenConfiguration() {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    x11::CXErrorTrap trap(display);
    const int screen = DefaultScreen(display);
    // A request that changes nothing announces nothing: change the physical width, as a
    // fresh connection reports it now.
    Display* fresh = x11::OpenDisplay();
    if (!fresh) return false;
    const int mmWidth = DisplayWidthMM(fresh, screen), mmHeight = DisplayHeightMM(fresh, screen);
    x11::CloseDisplay(fresh);
    XRRSetScreenSize(display, DefaultRootWindow(display), DisplayWidth(display, screen),
                     DisplayHeight(display, screen), mmWidth % 2 ? mmWidth + 1 : mmWidth - 1,
                     mmHeight);
    return !trap.Failed();
}

void SetRootResources(const std::string& resources) {
    std::lock_guard<std::mutex> lock(g_lock);
    Display* display = Shared();
    if (resources.empty()) {
        XDeleteProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
    } else {
        XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                        static_cast<int>(resources.size()));
    }
    XSync(display, False);
}

void Sync() {
    std::lock_guard<std::mutex> lock(g_lock);
    XSync(Shared(), False);
}

}  // namespace zovi::platform::testing
