#include "ui/base/color_dialog/color_palette.h"

namespace DuiLib::color_dialog {

namespace {
// Written as 0xRRGGBB for reading; columns are red, orange, yellow, green, cyan, blue,
// purple and grey. The third row holds the pure colours.
constexpr std::array<DWORD, kPaletteColumns * kPaletteRows> kRgb = {
    0xFFCDD2, 0xFFE0B2, 0xFFF9C4, 0xC8E6C9, 0xB2EBF2, 0xBBDEFB, 0xE1BEE7, 0xFFFFFF,
    0xEF9A9A, 0xFFB74D, 0xFFF176, 0x81C784, 0x4DD0E1, 0x64B5F6, 0xBA68C8, 0xE0E0E0,
    0xFF0000, 0xFF8000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0xA0A0A0,
    0xD32F2F, 0xF57C00, 0xFBC02D, 0x388E3C, 0x0097A7, 0x1976D2, 0x7B1FA2, 0x606060,
    0xB71C1C, 0xE65100, 0xF57F17, 0x1B5E20, 0x006064, 0x0D47A1, 0x4A148C, 0x303030,
    0x7F0000, 0x8D3A00, 0x806000, 0x0D3310, 0x003036, 0x062350, 0x250A46, 0x000000,
};

constexpr std::array<COLORREF, kRgb.size()> ToColorRefs() {
    std::array<COLORREF, kRgb.size()> out{};
    for (std::size_t i = 0; i < kRgb.size(); ++i) {
        out[i] = MakeColorRef((kRgb[i] >> 16) & 0xFF, (kRgb[i] >> 8) & 0xFF, kRgb[i] & 0xFF);
    }
    return out;
}
}  // namespace

const std::array<COLORREF, kPaletteColumns * kPaletteRows>& BasicPalette() {
    static constexpr auto palette = ToColorRefs();
    return palette;
}

}  // namespace DuiLib::color_dialog
