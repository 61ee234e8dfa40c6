#include "platform/screen/screen_connection.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

// Depth 24 in 32-bit pixels, red in the high byte: in memory B,G,R,X on x86.
bool HasBgrxLayout(Display* display) {
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    if (DefaultDepth(display, screen) != 24 || ImageByteOrder(display) != LSBFirst)
        return false;
    if (visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 || visual->blue_mask != 0xff)
        return false;
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    bool ok = false;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == 24) ok = formats[i].bits_per_pixel == 32;
    if (formats) XFree(formats);
    return ok;
}

}  // namespace

std::unique_ptr<CScreenConnection> CScreenConnection::Open() {
    ::Display* display = x11::OpenDisplay();
    if (!display) return nullptr;
    if (!HasBgrxLayout(display)) {
        x11::CloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<CScreenConnection>(
        new CScreenConnection(display, DefaultRootWindow(display)));
}

CScreenConnection::~CScreenConnection() { x11::CloseDisplay(display_); }

SIZE CScreenConnection::RootSize() const {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, root_, &attributes)) return {0, 0};
    return {attributes.width, attributes.height};
}

bool CScreenConnection::HasXFixes() {
    if (xfixes_ < 0) {
        int eventBase = 0, errorBase = 0, major = 4, minor = 0;
        xfixes_ = XFixesQueryExtension(display_, &eventBase, &errorBase) &&
                  XFixesQueryVersion(display_, &major, &minor) && major >= 2;
    }
    return xfixes_ == 1;
}

}  // namespace zovi::platform
