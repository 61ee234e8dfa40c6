// The window hit test of the library's undecorated windows, and the cursor per code.
//
// In order, with the point in client coordinates: the size-box edges (corners first;
// none while maximised or without a size box), then the caption "l,t,r,b" (x in
// [l, w - r), y in [t, b)) which answers HTCAPTION unless the control under the point
// takes input, then HTCLIENT.
#pragma once
#include "platform/duilib/core/window/window_defs.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

// Visible, enabled, mouse-enabled and with control flags (it can take focus or the pointer).
bool ControlTakesInput(const CControlUI* control);

struct THitTestInput {
    SIZE client{};           // the client size
    RECT sizeBox{};          // edge widths l, t, r, b
    RECT caption{};          // the caption convention above
    bool zoomed = false;     // a maximised window has no size box
    bool captionEnabled = true;
};

// `manager` finds the control under the point (may be null: no controls).
LRESULT WindowHitTest(const THitTestInput& input, POINT pt, const CPaintManagerUI* manager);

// The size edges 10–17.
inline bool IsSizeCode(LRESULT code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

// The platform cursor id (IDC_…) for a size edge; 0 for other codes.
const wchar_t* EdgeCursorFor(LRESULT code);

}  // namespace DuiLib
