// CLayeredInputCatcher: makes a layered window take the pointer wherever its picture is
// not fully transparent, also without a compositing manager.
//
// Without a compositor a layered window's bounding shape is its pixels of alpha 128 and
// above, and X clips input to the bounding shape, so the nearly transparent pixels a
// layer uses to catch the pointer (alpha 1) would let it through. The catcher is an
// InputOnly override-redirect window at the layered window's place, stacked directly
// below it, whose input shape is the pixels with alpha other than 0; its pointer events
// reach the layered window's HWND with the same client coordinates. With a compositor
// the layered window takes that input itself and the catcher stays unmapped.
//
// Threading: the thread of the layered window (the X connection of its thread).
#pragma once
#include <cstdint>
#include <vector>

#include "platform/window/window_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace zovi::platform {

class CLayeredInputCatcher {
public:
    CLayeredInputCatcher() = default;
    ~CLayeredInputCatcher();
    CLayeredInputCatcher(const CLayeredInputCatcher&) = delete;
    CLayeredInputCatcher& operator=(const CLayeredInputCatcher&) = delete;

    // Call after each update of `target` with the same picture (`size` pixels of the
    // image surface `layer` from its origin) at `position` (screen coordinates). Hidden
    // windows, a compositor or a picture without nearly transparent pixels unmap it.
    void Follow(HWND target, cairo_surface_t* layer, POINT position, SIZE size);
    // Unmaps the catcher (the target is hidden).
    void Hide();
    // Destroys the catcher's window (the target is going); a later Follow makes another.
    void Destroy();
    // The catcher's X window (0 before the first need); for tests.
    unsigned long Window() const { return window_; }
    bool Mapped() const { return mapped_; }

private:
    unsigned long window_ = 0;
    HWND target_ = 0;
    int filterId_ = -1;
    bool mapped_ = false;
    bool inputSet_ = false;
    std::vector<std::uint8_t> lastMask_;
    POINT position_{};
    SIZE size_{};
};

}  // namespace zovi::platform
