// Measuring one line of text the way CRenderEngine::DrawText lays it out (same font,
// same Pango context): where each caret position lies and which caret position is
// nearest to an x. For the edit's caret, selection, clicks and horizontal scrolling.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "platform/duilib/core/resources/font_table.h"

namespace DuiLib {

struct TTextLineMetrics {
    // x of caret position i (before character i; the last is after the text), in pixels
    // from the left edge DrawText gives the text (a DT_LEFT rectangle's left).
    std::vector<int> caretX;
    int width = 0;   // the line's logical width
    int height = 0;  // the line's logical height (also for an empty text)
};

// `text` is one line: line breaks are not expected (show them as spaces first).
TTextLineMetrics MeasureTextLine(const TFontInfo& font, const std::wstring& text);

// The caret position whose x is nearest to `x` (0 for no positions).
size_t CaretIndexAtX(const std::vector<int>& caretX, int x);

}  // namespace DuiLib
