// The pop-up menu's look: its rows laid out from the entries' text (Pango, a CJK face
// with good Latin) and the picture drawn with Cairo in the skinned windows' colours.
#pragma once
#include <vector>

#include "platform/window/menu_model.h"

typedef struct _cairo cairo_t;

namespace zovi::platform::menu_detail {

struct MenuLayout {
    int width = 0, height = 0;
    std::vector<RECT> rows;  // one per entry, in client coordinates
};

MenuLayout LayOutMenu(const std::vector<MenuEntry>& entries);

// The entry whose row holds the client point, or -1 (the border, the padding, outside).
int EntryAt(const MenuLayout& layout, POINT client);

// Draws the whole menu with `selected` (an entry index, or -1) highlighted.
void PaintMenu(cairo_t* cr, const std::vector<MenuEntry>& entries, const MenuLayout& layout, int selected);

// The colours, for tests that read the picture back (0xRRGGBB).
inline constexpr unsigned kMenuBorderColour = 0xA7A6AA;
inline constexpr unsigned kMenuBackgroundColour = 0xFFFFFF;
inline constexpr unsigned kMenuHighlightColour = 0x2B8CF4;

}  // namespace zovi::platform::menu_detail
