// A memory device context: a selected bitmap, font and text colour, and the drawing the
// program does on frames (text in a band, scaled copies). Drawing goes through Cairo.
#pragma once
#include <memory>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/gdi/dib_section.h"
#include "platform/gdi/font.h"
#include "platform/gdi/prepared_text.h"

namespace zovi::platform {

inline constexpr UINT DT_VCENTER = 0x4;
inline constexpr UINT DT_SINGLELINE = 0x20;

class CMemoryDC {
public:
    // Each returns the previously selected object.
    HBITMAP SelectObject(HBITMAP bitmap);
    HFONT SelectObject(HFONT font);
    void SetTextColor(BYTE red, BYTE green, BYTE blue);

    const HBITMAP& Bitmap() const { return bitmap_; }

    // Draws `text` left-aligned in `band`, clipped to it, with a transparent background.
    // DT_SINGLELINE keeps one line; DT_VCENTER centres it in the band's height. False
    // when no bitmap or font is selected.
    bool DrawTextW(const std::wstring& text, const RECT& band, UINT format);
    // The same for text prepared once (drawn on every frame without converting it again).
    bool DrawTextW(const CPreparedText& text, const RECT& band, UINT format);

    // Scales the whole of `source` into `dest` of the selected bitmap with a smoothing
    // filter (the aspect ratio follows the rectangles). False without a bitmap.
    bool StretchBlt(const RECT& dest, const CDibSection& source);

private:
    HBITMAP bitmap_;
    HFONT font_;
    double red_ = 0, green_ = 0, blue_ = 0;
};

}  // namespace zovi::platform
