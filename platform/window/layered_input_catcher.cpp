// The InputOnly window below a layered window that takes the pointer over its nearly
// transparent pixels when no compositing manager blends them.
#include "platform/window/layered_input_catcher.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <cairo.h>

#include <cstdio>

#include "platform/window/window.h"
#include "platform/window/x_event_filter.h"
#include "platform/window/x_shape.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

bool CompositorRuns(Display* display) {
    char name[32];
    std::snprintf(name, sizeof name, "_NET_WM_CM_S%d", DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, name, False)) != None;
}

// Pixels with alpha other than 0; `nearlyTransparent` tells whether some have alpha
// below 128 (the ones the layered window's bounding shape leaves out).
std::vector<std::uint8_t> InputMask(cairo_surface_t* layer, SIZE size, bool* nearlyTransparent) {
    cairo_surface_flush(layer);
    const unsigned char* data = cairo_image_surface_get_data(layer);
    const int stride = cairo_image_surface_get_stride(layer);
    std::vector<std::uint8_t> mask(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    *nearlyTransparent = false;
    for (int y = 0; y < size.cy; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        std::uint8_t* out = mask.data() + static_cast<size_t>(y) * static_cast<size_t>(size.cx);
        for (int x = 0; x < size.cx; ++x) {
            const std::uint32_t alpha = row[x] >> 24;
            out[x] = alpha != 0;
            if (alpha != 0 && alpha < 128) *nearlyTransparent = true;
        }
    }
    return mask;
}

}  // namespace

CLayeredInputCatcher::~CLayeredInputCatcher() { Destroy(); }

void CLayeredInputCatcher::Follow(HWND target, cairo_surface_t* layer, POINT position, SIZE size) {
    Display* display = ThreadDisplay();
    if (!display || !target || !layer || cairo_surface_get_type(layer) != CAIRO_SURFACE_TYPE_IMAGE ||
        size.cx <= 0 || size.cy <= 0 || size.cx > cairo_image_surface_get_width(layer) ||
        size.cy > cairo_image_surface_get_height(layer)) {
        Hide();
        return;
    }
    if (!::IsWindowVisible(target) || CompositorRuns(display)) {
        Hide();
        return;
    }
    bool nearlyTransparent = false;
    std::vector<std::uint8_t> mask = InputMask(layer, size, &nearlyTransparent);
    if (!nearlyTransparent) {
        Hide();  // the bounding shape already takes what the picture shows
        return;
    }
    x11::CXErrorTrap trap(display);
    if (window_ && target_ != target) Destroy();
    target_ = target;
    if (!window_) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ButtonMotionMask;
        window_ = XCreateWindow(display, DefaultRootWindow(display), position.x, position.y,
                                static_cast<unsigned>(size.cx), static_cast<unsigned>(size.cy), 0, 0, InputOnly,
                                CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
        position_ = position;
        size_ = size;
        inputSet_ = false;
        // Its pointer events are the target's, at the same client coordinates.
        filterId_ = AddXEventFilter([this](XEvent& event) {
            if (!window_ || event.xany.window != window_) return false;
            switch (event.type) {
                case ButtonPress:
                case ButtonRelease:
                case MotionNotify: event.xany.window = target_; return false;
                default: return true;
            }
        });
    }
    if (position.x != position_.x || position.y != position_.y || size.cx != size_.cx || size.cy != size_.cy) {
        XMoveResizeWindow(display, window_, position.x, position.y, static_cast<unsigned>(size.cx),
                          static_cast<unsigned>(size.cy));
        position_ = position;
        size_ = size;
        inputSet_ = false;
    }
    if (!inputSet_ || mask != lastMask_) {
        window_detail::SetShapeRectangles(display, window_, ShapeInput,
                                          window_detail::MaskRectangles(mask, size.cx, size.cy));
        lastMask_ = std::move(mask);
        inputSet_ = true;
    }
    if (!mapped_) {
        XMapWindow(display, window_);
        mapped_ = true;
    }
    XWindowChanges changes{};
    changes.sibling = target;
    changes.stack_mode = Below;
    XConfigureWindow(display, window_, CWSibling | CWStackMode, &changes);
    XFlush(display);
    if (trap.Failed()) Destroy();
}

void CLayeredInputCatcher::Hide() {
    if (!window_ || !mapped_) return;
    if (Display* display = ThreadDisplay()) {
        x11::CXErrorTrap trap(display);
        XUnmapWindow(display, window_);
        XFlush(display);
    }
    mapped_ = false;
}

void CLayeredInputCatcher::Destroy() {
    if (filterId_ >= 0) RemoveXEventFilter(filterId_);
    filterId_ = -1;
    if (window_) {
        if (Display* display = ThreadDisplay()) {
            x11::CXErrorTrap trap(display);
            XDestroyWindow(display, window_);
            XFlush(display);
        }
    }
    window_ = 0;
    mapped_ = false;
    inputSet_ = false;
    lastMask_.clear();
}

}  // namespace zovi::platform
