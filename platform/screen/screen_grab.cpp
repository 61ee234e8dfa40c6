#include "platform/screen/screen_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <cairo.h>

#include <cstring>
#include <vector>

#include "platform/screen/rect_ops.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform {

namespace {

// Copies a 32-bit ZPixmap image into the bitmap at (dx, dy), clipped to the bitmap.
bool CopyImage(const XImage* image, CDibSection& dest, int dx, int dy) {
    if (image->bits_per_pixel != 32 || image->byte_order != LSBFirst) return false;
    const RECT target{dx, dy, dx + image->width, dy + image->height};
    RECT clip{};
    if (!IntersectRect(&clip, target, RECT{0, 0, dest.Width(), dest.Height()})) return true;
    const size_t rowBytes = static_cast<size_t>(clip.right - clip.left) * 4;
    dest.BeginDirectAccess();
    for (LONG y = clip.top; y < clip.bottom; ++y) {
        const char* from = image->data + static_cast<size_t>(y - dy) * image->bytes_per_line +
                           static_cast<size_t>(clip.left - dx) * 4;
        std::memcpy(dest.Bits() + static_cast<size_t>(y) * dest.Stride() + clip.left * 4, from,
                    rowBytes);
    }
    dest.EndDirectAccess();
    return true;
}

}  // namespace

bool GrabScreenRect(CScreenConnection& connection, const RECT& source, CDibSection& dest,
                    POINT destOrigin) {
    if (IsRectEmpty(source)) return true;
    Display* display = connection.Display();
    x11::CXErrorTrap trap(display, /*syncOnExit=*/false);  // XGetImage waits for its reply
    XImage* image = XGetImage(display, connection.Root(), source.left, source.top,
                              source.right - source.left, source.bottom - source.top, AllPlanes,
                              ZPixmap);
    if (!image) return false;
    const bool ok = CopyImage(image, dest, destOrigin.x, destOrigin.y);
    XDestroyImage(image);
    return ok;
}

std::shared_ptr<CDibSection> GrabWindow(CScreenConnection& connection, HWND window) {
    Display* display = connection.Display();
    x11::CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || trap.Failed()) return nullptr;
    if (attributes.map_state != IsViewable || attributes.width <= 0 || attributes.height <= 0)
        return nullptr;
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, connection.Root(), 0, 0, &rootX, &rootY, &child))
        return nullptr;
    auto bitmap = CDibSection::Create(attributes.width, attributes.height);
    if (!bitmap) return nullptr;
    // Only the part on the screen can be read.
    const SIZE root = connection.RootSize();
    RECT onScreen{};
    if (!IntersectRect(&onScreen, RECT{rootX, rootY, rootX + attributes.width, rootY + attributes.height},
                       RECT{0, 0, root.cx, root.cy}))
        return bitmap;
    XImage* image = XGetImage(display, window, onScreen.left - rootX, onScreen.top - rootY,
                              onScreen.right - onScreen.left, onScreen.bottom - onScreen.top,
                              AllPlanes, ZPixmap);
    if (!image) return trap.Failed() ? nullptr : bitmap;
    const bool ok = CopyImage(image, *bitmap, onScreen.left - rootX, onScreen.top - rootY);
    XDestroyImage(image);
    return ok ? bitmap : nullptr;
}

bool DrawCursorImage(CScreenConnection& connection, CDibSection& dest, const RECT& area) {
    if (!connection.HasXFixes()) return false;
    Display* display = connection.Display();
    x11::CXErrorTrap trap(display);
    XFixesCursorImage* cursor = XFixesGetCursorImage(display);
    if (!cursor) return false;
    bool drawn = false;
    if (PtInRect(area, POINT{cursor->x, cursor->y}) && cursor->width > 0 && cursor->height > 0) {
        // Each `unsigned long` holds one premultiplied ARGB pixel.
        const int width = cursor->width, height = cursor->height;
        std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < argb.size(); ++i) argb[i] = static_cast<uint32_t>(cursor->pixels[i]);
        cairo_surface_t* image = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(argb.data()), CAIRO_FORMAT_ARGB32, width, height,
            width * 4);
        cairo_t* cr = cairo_create(dest.Surface());
        cairo_set_source_surface(cr, image, cursor->x - cursor->xhot - area.left,
                                 cursor->y - cursor->yhot - area.top);
        cairo_paint(cr);
        drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(cr);
        cairo_surface_destroy(image);
        cairo_surface_flush(dest.Surface());
    }
    XFree(cursor);
    return drawn;
}

bool GetCursorPos(CScreenConnection& connection, POINT* position) {
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(connection.Display(), connection.Root(), &rootReturn, &child, &rootX,
                       &rootY, &winX, &winY, &mask))
        return false;
    *position = {rootX, rootY};
    return true;
}

}  // namespace zovi::platform
