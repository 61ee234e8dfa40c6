#include "platform/x11/x11_init.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace zovi::platform::x11 {

namespace {

thread_local CXErrorTrap* t_trap = nullptr;
std::atomic<unsigned long> g_untrapped{0};

}  // namespace

int OnXError(_XDisplay* display, void* event) {
    auto* error = static_cast<XErrorEvent*>(event);
    for (CXErrorTrap* trap = t_trap; trap; trap = trap->outer_) {
        if (trap->display_ == display) {
            if (trap->errorCode_ == 0) trap->errorCode_ = error->error_code;
            return 0;
        }
    }
    g_untrapped.fetch_add(1);
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof(text));
    std::fprintf(stderr, "X error ignored: %s (request %d.%d, resource 0x%lx)\n", text,
                 error->request_code, error->minor_code, error->resourceid);
    return 0;
}

namespace {

int XErrorHandler(Display* display, XErrorEvent* event) { return OnXError(display, event); }

}  // namespace

void InitX11() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(&XErrorHandler);
    });
}

_XDisplay* OpenDisplay(const char* name) {
    InitX11();
    return XOpenDisplay(name);
}

void CloseDisplay(_XDisplay* display) {
    if (display) XCloseDisplay(display);
}

CXErrorTrap::CXErrorTrap(_XDisplay* display, bool syncOnExit)
    : display_(display), syncOnExit_(syncOnExit), outer_(t_trap) {
    t_trap = this;
}

CXErrorTrap::~CXErrorTrap() {
    // Errors of requests still in flight belong to this trap, not to the outer code.
    if (display_ && syncOnExit_) XSync(display_, False);
    t_trap = outer_;
}

bool CXErrorTrap::Failed() {
    if (display_) XSync(display_, False);
    return errorCode_ != 0;
}

unsigned long UntrappedErrorCount() { return g_untrapped.load(); }

}  // namespace zovi::platform::x11
