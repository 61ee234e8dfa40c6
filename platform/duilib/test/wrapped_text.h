// Measuring multi-line text wrapped to a width, as CRenderEngine::DrawText lays it out
// with DT_WORDBREAK: lines break at words, inside words that do not fit, between CJK
// characters, and at "\r\n", "\r" and "\n". Tests count the lines a text view shows.
#pragma once
#include <string>

#include "platform/base/wintypes.h"

namespace DuiLib {

class CPaintManagerUI;

struct TWrappedText {
    int lines = 0;  // 0 for empty text
    SIZE size{};    // the logical extent in pixels
};

// `text` in the font `font` of `manager` (null: the program-wide table) wrapped to
// `width` pixels (0 or less: no wrapping).
TWrappedText MeasureWrappedText(CPaintManagerUI* manager, const std::wstring& text, int font, int width);

}  // namespace DuiLib
