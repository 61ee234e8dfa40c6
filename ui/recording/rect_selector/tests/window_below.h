// A window of another X client under the region selector: a pattern of four colours the
// X server repaints itself, and the button presses it receives. Any one thread.
#pragma once
#include <cstdint>
#include <optional>

#include "platform/window/window_types.h"

class CWindowBelow {
public:
    explicit CWindowBelow(const RECT& rc);
    ~CWindowBelow();
    CWindowBelow(const CWindowBelow&) = delete;
    CWindowBelow& operator=(const CWindowBelow&) = delete;

    bool Ok() const { return display_ && window_; }
    // One of the pattern's colours (0xRRGGBB).
    static bool IsPatternColour(uint32_t rgb);
    // The root position of the next button press, once one came (nothing after a long wait).
    std::optional<POINT> NextPress();

private:
    struct _XDisplay* display_;
    unsigned long window_ = 0;
};
