// Caption moves and edge resizes driven by the library (with or without a window
// manager): the press grabs the pointer; each motion sets the window to the rectangle at
// the press moved by the pointer's travel on the edges the hit code names; the release,
// Escape or a lost grab ends it where it is. UI thread only.
#pragma once
#include "platform/window/window_types.h"

namespace DuiLib {

class CWindowDrag {
public:
    bool Active() const { return m_hWnd != 0; }
    LRESULT HitCode() const { return m_code; }

    // Starts for HTCAPTION or an edge code 10–17 at `pointer` (root coordinates).
    bool Begin(HWND hwnd, LRESULT code, POINT pointer, SIZE minSize);
    // Applies the pointer at `pointer`.
    void Move(POINT pointer);
    // Ends and releases the grab; `grabLost` when the grab is gone already.
    void End(bool grabLost = false);

    // The rectangle for a pointer travel of (dx, dy) from `start`, never smaller than
    // `minSize` (at least 1 x 1): the moved edges stop, the opposite ones stay.
    static RECT Apply(const RECT& start, LRESULT code, LONG dx, LONG dy, SIZE minSize);

private:
    HWND m_hWnd = 0;
    LRESULT m_code = 0;
    RECT m_start{};
    POINT m_pointer{};
    SIZE m_minSize{1, 1};
};

}  // namespace DuiLib
