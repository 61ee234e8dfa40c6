// The colour dialog's fixed colours: the basic palette (6 rows of 8, light to dark per
// hue column, greys last) and the conversions between the caller's COLORREF and the
// library's ARGB.
#pragma once
#include <array>

#include "ui/base/color_dialog/choose_color.h"

namespace DuiLib::color_dialog {

inline constexpr int kPaletteColumns = 8;
inline constexpr int kPaletteRows = 6;
inline constexpr int kCustomColorCount = 16;

// Reading order: row by row.
const std::array<COLORREF, kPaletteColumns * kPaletteRows>& BasicPalette();

constexpr COLORREF MakeColorRef(int r, int g, int b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr int RedOf(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
// Opaque 0xFFRRGGBB.
constexpr DWORD ToArgb(COLORREF c) {
    return 0xFF000000u | (static_cast<DWORD>(RedOf(c)) << 16) | (static_cast<DWORD>(GreenOf(c)) << 8) |
           static_cast<DWORD>(BlueOf(c));
}

}  // namespace DuiLib::color_dialog
