// Layered windows: top-level windows whose pixels carry their own alpha.
//
// WS_EX_LAYERED top-level windows are override-redirect (exact geometry, no placement by
// a window manager) with a 32-bit ARGB visual where the server has one. Each update
// uploads the whole picture into a pixmap set as the window's background, so the X
// server repaints exposures itself, and raises the window (the library keeps them on top).
// How the alpha shows depends on whether a compositing manager runs at that update (one
// that starts or stops is honoured at the next update):
//   - with one, the premultiplied pixels blend with what lies below; the pointer reaches
//     the window where alpha is not 0;
//   - without one, alpha cannot blend: the window's bounding shape is the set of pixels
//     with alpha of at least 128, shown un-premultiplied (colour × 255 / alpha) so edges
//     are not darkened. The same holds for a layered window without an ARGB visual.
// WS_EX_TRANSPARENT layered windows take no pointer input at all (empty input shape).
//
// Threading: the window's own thread.
#pragma once
#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

using COLORREF = DWORD;  // 0x00BBGGRR

struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};
inline constexpr BYTE AC_SRC_OVER = 0x00;
inline constexpr BYTE AC_SRC_ALPHA = 0x01;
inline constexpr DWORD ULW_COLORKEY = 0x1;
inline constexpr DWORD ULW_ALPHA = 0x2;
inline constexpr DWORD ULW_OPAQUE = 0x4;

// Moves (pptDst, screen coordinates) and sizes (psize) a layered window and shows `psize`
// pixels of the source context's image from pptSrc (0,0 when null). The source is an
// HDC of the paint layer over an image surface (ARGB32 premultiplied, or RGB24 taken as
// opaque); SourceConstantAlpha of `pblend` fades the whole picture. Refuses (FALSE) a
// window that is not a layered window of this thread, ULW_COLORKEY, and a size that is
// not positive or reaches past the source; never reads outside the source.
BOOL UpdateLayeredWindow(HWND hwnd, HDC hdcDst, const POINT* pptDst, const SIZE* psize, HDC hdcSrc,
                         const POINT* pptSrc, COLORREF crKey, const BLENDFUNCTION* pblend, DWORD dwFlags);

namespace zovi::platform {

// Shows `size` pixels of `source` (an image surface) from `origin` in the layered window,
// moving it to `position` (screen coordinates) when given and resizing it to `size` when
// it differs. Same rules and refusals as above (a refused update changes nothing).
bool UpdateLayeredSurface(HWND hwnd, cairo_surface_t* source, POINT origin, SIZE size, BYTE constantAlpha = 255,
                          const POINT* position = nullptr);

// Turns a top-level window of this thread, made without WS_EX_LAYERED, into a layered
// one before it is first mapped (the window form of a layered image): override-redirect,
// typed as a notification, and with `passInput` false an empty input shape
// (WS_EX_TRANSPARENT). Its visual stays the one it was made with. False for a mapped
// window, a child, or a window of another thread.
bool MakeWindowLayered(HWND hwnd, bool passInput);

// Stacks `window` directly below `target` (both top-level windows of this thread).
bool PlaceWindowBelow(HWND window, HWND target);

}  // namespace zovi::platform
