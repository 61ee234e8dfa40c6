#include "platform/x11/x11_init.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

namespace zovi::platform::x11 {

namespace {

thread_local CXErrorTrap* t_trap = nullptr;
std::atomic<unsigned long> g_untrapped{0};

// Lost connections are never freed, so an address here never names a newer connection.
std::mutex g_lostLock;
std::vector<Display*> g_lost;
std::atomic<unsigned long> g_lostCount{0};

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

// Xlib calls this first on a lost connection; its default ends the process. Returning
// hands over to the connection's exit handler.
int XIOErrorHandler(Display*) { return 0; }

// Runs inside the failing call, with the connection locked for this thread. Returning
// lets Xlib unwind that call as failed; the connection is not touched again.
void OnConnectionLost(Display* display, void*) {
    {
        std::lock_guard lock(g_lostLock);
        if (std::find(g_lost.begin(), g_lost.end(), display) != g_lost.end()) return;
        g_lost.push_back(display);
        g_lostCount.fetch_add(1);
    }
    std::fprintf(stderr, "X connection to %s lost\n", DisplayString(display));
}

}  // namespace

void InitX11() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(&XErrorHandler);
        XSetIOErrorHandler(&XIOErrorHandler);
    });
}

_XDisplay* OpenDisplay(const char* name) {
    InitX11();
    Display* display = XOpenDisplay(name);
    if (display) XSetIOErrorExitHandler(display, &OnConnectionLost, nullptr);
    return display;
}

void CloseDisplay(_XDisplay* display) {
    if (display && !ConnectionLost(display)) XCloseDisplay(display);
}

bool ConnectionLost(_XDisplay* display) {
    if (g_lostCount.load() == 0 || !display) return false;
    std::lock_guard lock(g_lostLock);
    return std::find(g_lost.begin(), g_lost.end(), display) != g_lost.end();
}

unsigned long LostConnectionCount() { return g_lostCount.load(); }

CXErrorTrap::CXErrorTrap(_XDisplay* display, bool syncOnExit)
    : display_(display), syncOnExit_(syncOnExit), outer_(t_trap) {
    t_trap = this;
}

CXErrorTrap::~CXErrorTrap() {
    // Errors of requests still in flight belong to this trap, not to the outer code.
    if (display_ && syncOnExit_ && !ConnectionLost(display_)) XSync(display_, False);
    t_trap = outer_;
}

bool CXErrorTrap::Failed() {
    if (display_ && !ConnectionLost(display_)) XSync(display_, False);
    // On a lost connection every call failed.
    return errorCode_ != 0 || ConnectionLost(display_);
}

unsigned long UntrappedErrorCount() { return g_untrapped.load(); }

}  // namespace zovi::platform::x11
