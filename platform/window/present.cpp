// Copying a window's back buffer to the window: through the X server (a Cairo surface
// bound to the window, which uploads through MIT-SHM where the server has it), or into
// an offscreen window's own image.
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>

#include "platform/window/layered.h"
#include "platform/window/present.h"
#include "platform/window/window_internal.h"

namespace zovi::platform {

namespace {

using window_detail::RecordPtr;
using window_detail::WindowRecord;

// The offscreen window's image at its client size, keeping what it showed.
cairo_surface_t* OffscreenTarget(WindowRecord& record) {
    cairo_surface_t* current = record.surface;
    if (current && cairo_image_surface_get_width(current) == record.width &&
        cairo_image_surface_get_height(current) == record.height) {
        return current;
    }
    cairo_surface_t* fresh = cairo_image_surface_create(CAIRO_FORMAT_RGB24, record.width, record.height);
    if (cairo_surface_status(fresh) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(fresh);
        return nullptr;
    }
    cairo_t* cr = cairo_create(fresh);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (current) {
        cairo_set_source_surface(cr, current, 0, 0);
        cairo_paint(cr);
    }
    cairo_destroy(cr);
    if (current) cairo_surface_destroy(current);
    record.surface = fresh;
    return fresh;
}

// The X window's surface, made once and kept at the window's size.
cairo_surface_t* XTarget(WindowRecord& record) {
    const int width = std::max(record.width, 1), height = std::max(record.height, 1);
    if (!record.surface) {
        cairo_surface_t* surface =
            cairo_xlib_surface_create(record.display, record.hwnd, record.visual, width, height);
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(surface);
            return nullptr;
        }
        record.surface = surface;
    } else if (cairo_xlib_surface_get_width(record.surface) != width ||
               cairo_xlib_surface_get_height(record.surface) != height) {
        cairo_xlib_surface_set_size(record.surface, width, height);
    }
    return record.surface;
}

}  // namespace

bool PresentWindow(HWND hwnd, cairo_surface_t* source, const RECT& rect) {
    RecordPtr record = window_detail::FindOwnRecord(hwnd);
    if (!record || !source || cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) return false;
    if (x11::ConnectionLost(record->display)) return false;
    // A layered X window shows whole pictures through its background.
    if (record->display && (record->exStyle & WS_EX_LAYERED) && !(record->style & WS_CHILD)) {
        return UpdateLayeredSurface(hwnd, source, POINT{0, 0}, SIZE{record->width, record->height});
    }
    RECT area{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0), std::min<LONG>(rect.right, record->width),
              std::min<LONG>(rect.bottom, record->height)};
    if (cairo_surface_get_type(source) == CAIRO_SURFACE_TYPE_IMAGE) {
        area.right = std::min<LONG>(area.right, cairo_image_surface_get_width(source));
        area.bottom = std::min<LONG>(area.bottom, cairo_image_surface_get_height(source));
    }
    if (area.right <= area.left || area.bottom <= area.top) return true;  // nothing to show
    cairo_surface_t* target = record->offscreen ? OffscreenTarget(*record) : XTarget(*record);
    if (!target) return false;
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
    cairo_clip(cr);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(target);
    if (Display* display = UsableDisplay(*record)) XFlush(display);
    return ok;
}

cairo_surface_t* OffscreenSurface(HWND hwnd) {
    RecordPtr record = window_detail::FindRecord(hwnd);
    return record && record->offscreen ? record->surface : nullptr;
}

namespace window_detail {

void ReleaseSurface(WindowRecord& record) {
    if (!record.surface) return;
    // A surface of a lost connection is left: freeing it would be X calls.
    if (!x11::ConnectionLost(record.display)) cairo_surface_destroy(record.surface);
    record.surface = nullptr;
}

}  // namespace window_detail

}  // namespace zovi::platform
