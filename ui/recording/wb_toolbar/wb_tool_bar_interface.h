// DuiLib::IWBToolBar: what the whiteboard toolbar asks of the whiteboard it drives.
// The whiteboard implements it and hands itself to its toolbar, which holds it weakly.
// UI thread only.
#pragma once
#include <cstdint>

namespace DuiLib {

class IWBToolBar {
public:
    virtual ~IWBToolBar() = default;
    // Paint modes: 1 pointer, 2 pen, 3 line, 4 arrow, 5 rectangle, 6 ellipse.
    virtual void SetPaintMode(int32_t mode) = 0;
    // Colour for new elements, 32-bit ARGB.
    virtual void SetColor(uint32_t argb) = 0;
    // Removes the newest element.
    virtual void Revoke() = 0;
    // Removes all elements.
    virtual void Clear() = 0;
    // Closes the whiteboard (close code 1).
    virtual void Exit() = 0;
    // Line width for new elements.
    virtual void SetLineWidth(float width) = 0;
};

// The line-width picker's answer: the index of the chosen width (0, 1 or 2).
class ILineWidthCallback {
public:
    virtual ~ILineWidthCallback() = default;
    virtual void OnLineWidthSelected(int index) = 0;
};

}  // namespace DuiLib
