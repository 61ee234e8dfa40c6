// The paint context behind an HDC given to window painting code: a Cairo context on a
// back buffer (or any image surface). An HDC handed to DoPaint and the Paint… steps
// points at one of these; GdiContextOf turns it back.
#pragma once
// The window layer's alias (gdi stands below the window layer, so both headers can meet
// in one file).
using HDC = void*;

typedef struct _cairo cairo_t;

namespace zovi::platform {

struct GdiContext {
    cairo_t* cr = nullptr;  // not owned
};

inline GdiContext* GdiContextOf(HDC hdc) { return static_cast<GdiContext*>(hdc); }
inline HDC ToHdc(GdiContext* context) { return static_cast<HDC>(context); }

}  // namespace zovi::platform
