#include "engine/capture/tests/support/screen_painter.h"

#include <chrono>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zovi::test {

namespace {

Window MakeWindow(Display* display, int x, int y, int w, int h, unsigned long color) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = color;
    return XCreateWindow(display, DefaultRootWindow(display), x, y, w, h, 0, CopyFromParent,
                         InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                         &attributes);
}

}  // namespace

CScreenPainter::CScreenPainter() {
    thread_ = std::thread([this] { Run(); });
    while (!started_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CScreenPainter::~CScreenPainter() {
    stop_ = true;
    thread_.join();
}

void CScreenPainter::SetWhite(bool on) {
    const int request = wantWhite_.load() + 1;
    // Odd requests show the cover, even ones hide it.
    if (((request % 2) == 1) != on) return;
    wantWhite_ = request;
    while (ready_ && doneWhite_.load() != request)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void CScreenPainter::Run() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        started_ = true;
        return;
    }
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
    const Window backdrop = MakeWindow(display, 0, 0, width, height, 0x000000);
    const Window square = MakeWindow(display, 0, kSquareY, kSquareSize, kSquareSize, 0xFF0000);
    const Window cover = MakeWindow(display, 0, 0, width, height, 0xFFFFFF);
    XMapWindow(display, backdrop);
    XMapRaised(display, square);
    XSync(display, False);
    ready_ = true;
    started_ = true;

    const auto start = std::chrono::steady_clock::now();
    int shown = 0;
    while (!stop_) {
        const double t =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // kSpeed pixels a second across the screen, then from the left again.
        const int x = 40 + static_cast<int>(t * kSpeed) % (width - kSquareSize - 80);
        XMoveWindow(display, square, x, kSquareY);
        squareX_ = x;
        const int want = wantWhite_;
        if (want != shown) {
            if (want % 2 == 1)
                XMapRaised(display, cover);
            else
                XUnmapWindow(display, cover);
            shown = want;
        }
        XSync(display, False);
        doneWhite_ = shown;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    XDestroyWindow(display, cover);
    XDestroyWindow(display, square);
    XDestroyWindow(display, backdrop);
    XCloseDisplay(display);
}

}  // namespace zovi::test
