// CWndShadow: the drop shadow of a window, drawn nine-slice from a skin image around its
// target. Only with a compositing manager: without one an opaque frame would look worse
// than none, so Create refuses, with one log line per process saying why.
//
// The shadow is a layered, override-redirect window owned by the target that the pointer
// passes through and that never takes the focus. It covers the target's rectangle grown
// by the image's corner insets, leaves the target's rectangle (less the hole offsets)
// transparent, and sits directly below the target. It follows the target's moves, sizes,
// showing, hiding and raising (it watches the target's messages), hides while the target
// is maximised, and dies with the target or with this object, whichever comes first.
//
// Threading: the target's UI thread.
#pragma once
#include "platform/duilib/core/string/dui_string.h"
#include "platform/window/window_types.h"

namespace DuiLib {

class CWndShadow {
public:
    CWndShadow() = default;
    ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // The library's module handle (stored; the skin is the built-in archive).
    static bool Initialize(HINSTANCE instance);
    // The image (a path in the skin), its nine-slice corner insets (l, t, r, b) and the
    // offsets of the transparent hole from the target's edges.
    bool SetImage(const wchar_t* image, RECT corner, RECT holeOffset);
    // The shadow of `target`; false when none is shown (no compositor, no image, a dead
    // target, or a shadow already made).
    bool Create(HWND target);

    const CDuiString& GetImage() const { return m_sImage; }
    const RECT& GetCorner() const { return m_rcCorner; }
    const RECT& GetHoleOffset() const { return m_rcHoleOffset; }
    // The shadow window (0 when there is none).
    HWND GetHWND() const { return m_hShadow; }

private:
    static LRESULT TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnTargetMessage(UINT message, WPARAM wParam);
    // Shows the shadow at the target's rectangle (redrawn when the size changed), or
    // hides it when the target is hidden or maximised.
    void Follow();
    bool Draw(int width, int height);
    void Destroy();

    CDuiString m_sImage;
    RECT m_rcCorner{};
    RECT m_rcHoleOffset{};
    HWND m_hTarget = 0;
    HWND m_hShadow = 0;
    WNDPROC m_targetProc = nullptr;
    SIZE m_drawnSize{};
};

}  // namespace DuiLib
