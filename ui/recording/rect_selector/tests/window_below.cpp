#include "ui/recording/rect_selector/tests/window_below.h"

#include <X11/Xlib.h>

#include "platform/duilib/test/x_test_tools.h"

namespace {

constexpr unsigned long kColours[4] = {0xE04040, 0x40A040, 0x4060E0, 0xF0D040};
constexpr int kSquare = 24;

}  // namespace

CWindowBelow::CWindowBelow(const RECT& rc) : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), rc.left, rc.top,
                                  static_cast<unsigned>(rc.right - rc.left), static_cast<unsigned>(rc.bottom - rc.top),
                                  0, 0, 0);
    // Squares of the four colours, as the tile of the background.
    const Pixmap tile = XCreatePixmap(display_, window_, 2 * kSquare, 2 * kSquare,
                                      static_cast<unsigned>(DefaultDepth(display_, screen)));
    GC gc = XCreateGC(display_, tile, 0, nullptr);
    for (int i = 0; i < 4; ++i) {
        XSetForeground(display_, gc, kColours[i]);
        XFillRectangle(display_, tile, gc, (i % 2) * kSquare, (i / 2) * kSquare, kSquare, kSquare);
    }
    XFreeGC(display_, gc);
    XSetWindowBackgroundPixmap(display_, window_, tile);
    XFreePixmap(display_, tile);
    XSelectInput(display_, window_, ButtonPressMask);
    XMapRaised(display_, window_);
    XSync(display_, False);
}

CWindowBelow::~CWindowBelow() {
    if (!display_) return;
    if (window_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

bool CWindowBelow::IsPatternColour(uint32_t rgb) {
    for (unsigned long colour : kColours) {
        if (rgb == colour) return true;
    }
    return false;
}

std::optional<POINT> CWindowBelow::NextPress() {
    std::optional<POINT> press;
    DuiLib::test::WaitUntil([&] {
        XEvent event{};
        if (!XCheckWindowEvent(display_, window_, ButtonPressMask, &event)) return false;
        press = POINT{event.xbutton.x_root, event.xbutton.y_root};
        return true;
    });
    return press;
}
