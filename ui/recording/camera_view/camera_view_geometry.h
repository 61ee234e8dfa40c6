// Where the camera picture goes in the camera view: the source and destination rectangles
// of the stretch (crop to fill in a normal window, fit when maximised), and the view's
// sizes scaled by the screen scale.
#pragma once
#include "platform/base/wintypes.h"

namespace camera_view {

struct StretchRects {
    RECT source;  // in the frame
    RECT dest;    // in the client area
};

// The stretch of a fw x fh frame into a cw x ch client area; false (nothing to draw) when
// any size is 0 or less. Not maximised: the centred band of the frame with the client's
// aspect, over the whole client. Maximised: the whole frame, as large as fits, centred.
// Divisions truncate; halvings round down.
bool ComputeStretch(int fw, int fh, int cw, int ch, bool maximised, StretchRects* out);

// `value` at `percent` scale, rounded half away from zero (the value itself at 100).
int ScaleValue(int value, int percent);
// `value` at the screen's scale (measured once); the result is kept with the percent it
// was made for.
int Scaled(int value);

}  // namespace camera_view
