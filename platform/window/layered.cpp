// Layered windows: the picture uploaded as the window's background pixmap, with the
// shapes that make its alpha show with or without a compositing manager.
#include "platform/window/layered.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>
#include <cairo.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gdi/paint_context.h"
#include "platform/window/present.h"
#include "platform/window/window_internal.h"
#include "platform/window/x_shape.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

using window_detail::FindOwnRecord;
using window_detail::GetAtom;
using window_detail::RecordPtr;
using window_detail::WindowRecord;

// The shapes last given to each layered window, so unchanged ones are not sent again.
struct ShapeState {
    bool boundingSet = false;
    std::vector<XRectangle> bounding;
    bool inputSet = false;
    std::vector<XRectangle> input;
};

bool SameRects(const std::vector<XRectangle>& a, const std::vector<XRectangle>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].width != b[i].width || a[i].height != b[i].height) {
            return false;
        }
    }
    return true;
}

class ShapeStates {
public:
    static ShapeStates& Get() {
        static ShapeStates states;
        return states;
    }
    // The state of `hwnd`; states of windows that are gone are dropped on the way.
    ShapeState& Of(HWND hwnd) {
        std::lock_guard lock(lock_);
        for (auto it = states_.begin(); it != states_.end();) {
            it = (it->first != hwnd && !window_detail::FindRecord(it->first)) ? states_.erase(it) : std::next(it);
        }
        return states_[hwnd];
    }

private:
    std::mutex lock_;
    std::map<HWND, ShapeState> states_;
};

bool CompositorOn(Display* display) {
    char name[32];
    std::snprintf(name, sizeof name, "_NET_WM_CM_S%d", DefaultScreen(display));
    return XGetSelectionOwner(display, GetAtom(display, name)) != None;
}

// The source's `size` pixels from `origin` as premultiplied ARGB32, faded by
// `constantAlpha`; RGB24 sources count as opaque.
cairo_surface_t* CopySource(cairo_surface_t* source, POINT origin, SIZE size, BYTE constantAlpha) {
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
    if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(copy);
        return nullptr;
    }
    cairo_t* cr = cairo_create(copy);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, -origin.x, -origin.y);
    cairo_paint_with_alpha(cr, constantAlpha / 255.0);
    cairo_destroy(cr);
    cairo_surface_flush(copy);
    return copy;
}

// Colour × 255 / alpha, rounded, for a premultiplied channel.
std::uint32_t Unpremultiply(std::uint32_t channel, std::uint32_t alpha) {
    const std::uint32_t value = (channel * 255 + alpha / 2) / alpha;
    return value > 255 ? 255 : value;
}

// Uploads the pixels into a pixmap that becomes the window's background.
void UploadBackground(WindowRecord& record, std::vector<std::uint32_t>& pixels, int width, int height) {
    Display* display = record.display;
    const Pixmap pixmap = XCreatePixmap(display, record.hwnd, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), static_cast<unsigned>(record.depth));
    XImage* image = XCreateImage(display, record.visual, static_cast<unsigned>(record.depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, width * 4);
    if (image) {
        const GC gc = XCreateGC(display, pixmap, 0, nullptr);
        XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        XFreeGC(display, gc);
        image->data = nullptr;  // the vector's
        XDestroyImage(image);
    }
    XSetWindowBackgroundPixmap(display, record.hwnd, pixmap);
    XFreePixmap(display, pixmap);  // the window keeps it
    XClearWindow(display, record.hwnd);
}

bool UpdateXWindow(WindowRecord& record, cairo_surface_t* picture, int width, int height) {
    Display* display = record.display;
    x11::CXErrorTrap trap(display);
    const bool blend = record.depth == 32 && CompositorOn(display);
    const unsigned char* data = cairo_image_surface_get_data(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::vector<std::uint8_t> opaque(pixels.size()), visible(pixels.size());
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            const std::uint32_t p = row[x];
            const std::uint32_t a = p >> 24;
            visible[at] = a != 0;
            opaque[at] = a >= 128;
            if (blend) {
                pixels[at] = p;
            } else if (a >= 128) {
                pixels[at] = 0xFF000000u | (Unpremultiply((p >> 16) & 0xFF, a) << 16) |
                             (Unpremultiply((p >> 8) & 0xFF, a) << 8) | Unpremultiply(p & 0xFF, a);
            } else {
                pixels[at] = 0;
            }
        }
    }
    UploadBackground(record, pixels, width, height);

    ShapeState& state = ShapeStates::Get().Of(record.hwnd);
    if (blend) {
        if (state.boundingSet) window_detail::ClearShape(display, record.hwnd, ShapeBounding);
        state.boundingSet = false;
    } else {
        auto bounding = window_detail::MaskRectangles(opaque, width, height);
        if (!state.boundingSet || !SameRects(bounding, state.bounding)) {
            window_detail::SetShapeRectangles(display, record.hwnd, ShapeBounding, bounding);
            state.bounding = std::move(bounding);
            state.boundingSet = true;
        }
    }
    // Input: none for pass-through windows; else where the picture is not transparent
    // (the bounding shape clips it further without a compositor).
    std::vector<XRectangle> input;
    if (!(record.exStyle & WS_EX_TRANSPARENT)) input = window_detail::MaskRectangles(visible, width, height);
    if (!state.inputSet || !SameRects(input, state.input)) {
        window_detail::SetShapeRectangles(display, record.hwnd, ShapeInput, input);
        state.input = std::move(input);
        state.inputSet = true;
    }
    // The library keeps layered windows on top itself; companions that never activate
    // (shadows) are stacked by their owners.
    if (record.visible && !(record.exStyle & WS_EX_NOACTIVATE)) XRaiseWindow(display, record.hwnd);
    XFlush(display);
    return !trap.Failed();
}

}  // namespace

bool UpdateLayeredSurface(HWND hwnd, cairo_surface_t* source, POINT origin, SIZE size, BYTE constantAlpha,
                          const POINT* position) {
    RecordPtr record = FindOwnRecord(hwnd);
    if (!record || (record->style & WS_CHILD) || !(record->exStyle & WS_EX_LAYERED)) return false;
    if (!source || cairo_surface_status(source) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(source) != CAIRO_SURFACE_TYPE_IMAGE) {
        return false;
    }
    const int sourceWidth = cairo_image_surface_get_width(source);
    const int sourceHeight = cairo_image_surface_get_height(source);
    if (size.cx <= 0 || size.cy <= 0 || origin.x < 0 || origin.y < 0 || origin.x > sourceWidth - size.cx ||
        origin.y > sourceHeight - size.cy) {
        return false;  // never read past the source
    }
    const POINT at = position ? *position : POINT{record->x, record->y};
    if (record->width != size.cx || record->height != size.cy || at.x != record->x || at.y != record->y) {
        SetWindowPos(hwnd, 0, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    cairo_surface_flush(source);
    cairo_surface_t* picture = CopySource(source, origin, size, constantAlpha);
    if (!picture) return false;
    bool ok = false;
    if (record->display) {
        ok = UpdateXWindow(*record, picture, size.cx, size.cy);
    } else {
        ok = PresentWindow(hwnd, picture, RECT{0, 0, size.cx, size.cy});
    }
    cairo_surface_destroy(picture);
    return ok;
}

bool MakeWindowLayered(HWND hwnd, bool passInput) {
    RecordPtr record = FindOwnRecord(hwnd);
    if (!record || (record->style & WS_CHILD) || record->xMapped) return false;
    record->exStyle |= WS_EX_LAYERED;
    if (!passInput) record->exStyle |= WS_EX_TRANSPARENT;
    Display* display = record->display;
    if (!display) return true;
    if (!record->overrideRedirect) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        XChangeWindowAttributes(display, hwnd, CWOverrideRedirect, &attributes);
        record->overrideRedirect = true;
    }
    const long type = static_cast<long>(GetAtom(display, "_NET_WM_WINDOW_TYPE_NOTIFICATION"));
    XChangeProperty(display, hwnd, GetAtom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    if (!passInput) window_detail::SetShapeRectangles(display, hwnd, ShapeInput, {});
    XFlush(display);
    return true;
}

bool PlaceWindowBelow(HWND window, HWND target) {
    RecordPtr record = FindOwnRecord(window);
    RecordPtr above = FindOwnRecord(target);
    if (!record || !above || (record->style & WS_CHILD) || (above->style & WS_CHILD)) return false;
    if (!record->display) return true;
    // Below the window manager's frame when the target has one.
    Window sibling = target;
    if (above->reparented) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        x11::CXErrorTrap trap(record->display);
        if (XQueryTree(record->display, target, &root, &parent, &children, &count) && parent != root) sibling = parent;
        if (children) XFree(children);
        if (trap.Failed()) return false;
    }
    x11::CXErrorTrap trap(record->display);
    XWindowChanges changes{};
    changes.sibling = sibling;
    changes.stack_mode = Below;
    XConfigureWindow(record->display, window, CWSibling | CWStackMode, &changes);
    XSync(record->display, False);
    return !trap.Failed();
}

}  // namespace zovi::platform

BOOL UpdateLayeredWindow(HWND hwnd, HDC, const POINT* pptDst, const SIZE* psize, HDC hdcSrc, const POINT* pptSrc,
                         COLORREF, const BLENDFUNCTION* pblend, DWORD dwFlags) {
    if (dwFlags & ULW_COLORKEY) return FALSE;  // no caller keys a colour
    auto* context = zovi::platform::GdiContextOf(hdcSrc);
    if (!context || !context->cr || !psize) return FALSE;
    const POINT origin = pptSrc ? *pptSrc : POINT{0, 0};
    const BYTE alpha = pblend ? pblend->SourceConstantAlpha : 255;
    const bool shown =
        zovi::platform::UpdateLayeredSurface(hwnd, cairo_get_target(context->cr), origin, *psize, alpha, pptDst);
    return shown ? TRUE : FALSE;
}
