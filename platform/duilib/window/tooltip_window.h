// The tooltip window: one per thread, an override-redirect window with an empty input
// shape (it never takes the pointer or the focus), painted with Pango: 1-pixel border
// #FFA7A6AA, white background, text #FF333333 in the default font at 12 pixels, wrapped
// at 400 pixels, placed 16 pixels below and right of the pointer and kept inside the work
// area of the pointer's monitor. UI thread only (each thread has its own).
#pragma once
#include <string>

#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

class CToolTipWindow {
public:
    // The calling thread's tooltip window (made on first Show).
    static CToolTipWindow& ForThread();
    // Shows `text` for `owner` near the screen point.
    void Show(HWND owner, POINT screenPt, const std::wstring& text);
    void Hide();
    bool IsShown() const;
    HWND Owner() const;
    const std::wstring& Text() const;
    HWND GetHWND() const;

    CToolTipWindow() = default;
    ~CToolTipWindow();
    CToolTipWindow(const CToolTipWindow&) = delete;
    CToolTipWindow& operator=(const CToolTipWindow&) = delete;

private:
    static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool EnsureWindow();
    void Paint();

    HWND hwnd_ = 0;
    HWND owner_ = 0;
    std::wstring text_;
    bool shown_ = false;
    cairo_surface_t* buffer_ = nullptr;
};

}  // namespace DuiLib
