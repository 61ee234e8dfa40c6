// The bond between one native window and its window object, shared by both.
//
// Threading: the window object and its native window belong to the UI thread that made
// them. `wnd` and `hwnd` are atomic because the object's destructor may (against the
// rules, as a safety net) run on another thread: it cuts `wnd` so no message reaches the
// dead object, and reads `hwnd` to hand the native window's destruction to the UI thread.
// Every other field and the handle → link table are touched on the UI thread only.
#pragma once
#include <atomic>
#include <memory>

#include "platform/window/window_types.h"

namespace DuiLib {

class CWindowWnd;

namespace window_detail {

struct WindowLink {
    std::atomic<CWindowWnd*> wnd{nullptr};  // null once the object is gone
    std::atomic<HWND> hwnd{0};              // 0 once the native window is gone
    DWORD threadId = 0;                     // the UI thread

    // UI thread only.
    bool hasCloseCode = false;
    UINT closeCode = 0;
    bool defaultPosition = false;  // created at CW_USEDEFAULT: placed by the base
    bool zoomed = false;           // maximised by the base (IsZoomed)
    RECT normalRect{};             // the rectangle before maximising
    HWND modalOwner = 0;           // the owner a running modal loop disabled
};
using LinkPtr = std::shared_ptr<WindowLink>;

// The calling (UI) thread's table of native windows made by window objects.
void RegisterLink(HWND hwnd, const LinkPtr& link);
LinkPtr FindLink(HWND hwnd);
void ForgetLink(HWND hwnd);

// Re-enables the owner a modal loop disabled (once; before the modal window is hidden
// wherever the window's end allows it), and activates it when the modal window was active.
void ReleaseModalOwner(WindowLink& link);

}  // namespace window_detail
}  // namespace DuiLib
