// What every drawing call of the render engine does first: take the Cairo context of
// the HDC (skipping one in error state, logged once), and cut its rectangle to what can
// be seen, so no coordinate far outside the surface ever reaches Cairo.
#pragma once
#include <cstdint>

#include "platform/base/wintypes.h"
#include "platform/window/window_types.h"

typedef struct _cairo cairo_t;

namespace DuiLib::render {

// The context behind `hdc`; null when there is none or it is in error state.
cairo_t* ContextOf(HDC hdc);
// Logs once when drawing left the context in error state.
void CheckContext(cairo_t* cr);

inline bool IsEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }
inline int64_t Width(const RECT& rc) { return static_cast<int64_t>(rc.right) - rc.left; }
inline int64_t Height(const RECT& rc) { return static_cast<int64_t>(rc.bottom) - rc.top; }
RECT Intersect(const RECT& a, const RECT& b);
// A coordinate computed in 64 bits, brought back into the range of RECT.
inline LONG Saturate(int64_t v) { return static_cast<LONG>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

// The part of the context's clip (user space, whole pixels) that can be drawn on.
RECT ClipBox(cairo_t* cr);
// `rc` cut to the clip box; false when nothing of it is visible.
bool VisiblePart(cairo_t* cr, const RECT& rc, RECT* visible);
// `rc` with each edge brought to within `margin` pixels outside the clip box: an outline
// drawn on the result looks the same inside the clip box as one drawn on `rc`.
RECT Clamp(cairo_t* cr, const RECT& rc, int margin);

void SetColor(cairo_t* cr, DWORD argb);

}  // namespace DuiLib::render
