// CWndShadow: the drop shadow of a window, drawn nine-slice from a skin image around its
// target by a compositor. Without a compositing manager an opaque frame would look worse
// than none, so no shadow is made; and the shadow window itself is not drawn yet, so
// Create refuses in every case, with one log line per process saying why.
#pragma once
#include "platform/duilib/core/string/dui_string.h"
#include "platform/window/window_types.h"

namespace DuiLib {

class CWndShadow {
public:
    // The library's module handle (stored; the skin is the built-in archive).
    static bool Initialize(HINSTANCE instance);
    // The image (a path in the skin), its nine-slice corner insets (l, t, r, b) and the
    // offsets of the transparent hole from the target's edges.
    bool SetImage(const wchar_t* image, RECT corner, RECT holeOffset);
    // The shadow of `target`; false when none is shown (see above).
    bool Create(HWND target);

    const CDuiString& GetImage() const { return m_sImage; }
    const RECT& GetCorner() const { return m_rcCorner; }
    const RECT& GetHoleOffset() const { return m_rcHoleOffset; }

private:
    CDuiString m_sImage;
    RECT m_rcCorner{};
    RECT m_rcHoleOffset{};
};

}  // namespace DuiLib
