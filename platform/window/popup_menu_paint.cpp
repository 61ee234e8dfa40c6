#include "platform/window/popup_menu_paint.h"
#include "platform/gdi/ui_text_options.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>

#include "platform/base/utf8.h"

namespace zovi::platform::menu_detail {

namespace {

// Sizes on the skin's 4-pixel grid; no text comes nearer than 10 pixels to the border.
constexpr int kBorder = 1;
constexpr int kPaddingY = 4;
constexpr int kRowHeight = 32;
constexpr int kSeparatorHeight = 9;
constexpr int kTextLeft = 20;
constexpr int kTextRight = 32;  // room for a sub-menu's arrow
constexpr int kHighlightInset = 4;
constexpr int kMinWidth = 120;
constexpr int kFontPixels = 14;
// The faces the skinned windows end up with: CJK faces with good Latin, then any.
constexpr char kFontFamilies[] =
    "Noto Sans CJK SC,Source Han Sans SC,WenQuanYi Micro Hei,Droid Sans Fallback,sans-serif";

constexpr unsigned kTextColour = 0x333333;
constexpr unsigned kDisabledTextColour = 0x999999;
constexpr unsigned kHighlightTextColour = 0xFFFFFF;
constexpr unsigned kSeparatorColour = 0xE0E0E0;

void SetColour(cairo_t* cr, unsigned rgb) {
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// One line of an entry's text in the menu's font. The caller releases it.
PangoLayout* TextLayout(cairo_t* cr, const std::wstring& text) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* context = pango_layout_get_context(layout);
    ApplyUiTextOptions(context);
    pango_layout_context_changed(layout);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamilies);
    pango_font_description_set_absolute_size(font, kFontPixels * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    const std::string utf8 = WideToUtf8(DisplayText(text));
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    return layout;
}

void PaintArrow(cairo_t* cr, const RECT& row, unsigned colour) {
    const double x = row.right - kTextRight / 2.0 - 2, y = (row.top + row.bottom) / 2.0;
    cairo_move_to(cr, x, y - 4);
    cairo_line_to(cr, x + 4, y);
    cairo_line_to(cr, x, y + 4);
    cairo_set_line_width(cr, 1.5);
    SetColour(cr, colour);
    cairo_stroke(cr);
}

void RoundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -G_PI / 2, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, G_PI / 2);
    cairo_arc(cr, x + radius, y + height - radius, radius, G_PI / 2, G_PI);
    cairo_arc(cr, x + radius, y + radius, radius, G_PI, 3 * G_PI / 2);
    cairo_close_path(cr);
}

}  // namespace

MenuLayout LayOutMenu(const std::vector<MenuEntry>& entries) {
    MenuLayout layout;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    int widest = 0;
    for (const MenuEntry& entry : entries) {
        if (entry.separator) continue;
        PangoLayout* text = TextLayout(cr, entry.text);
        int width = 0, height = 0;
        pango_layout_get_pixel_size(text, &width, &height);
        g_object_unref(text);
        widest = std::max(widest, width);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    layout.width = std::max(kMinWidth, kTextLeft + widest + kTextRight);
    int top = kBorder + kPaddingY;
    for (const MenuEntry& entry : entries) {
        const int height = entry.separator ? kSeparatorHeight : kRowHeight;
        layout.rows.push_back(RECT{kBorder, top, layout.width - kBorder, top + height});
        top += height;
    }
    layout.height = top + kPaddingY + kBorder;
    return layout;
}

int EntryAt(const MenuLayout& layout, POINT client) {
    for (size_t i = 0; i < layout.rows.size(); ++i) {
        const RECT& row = layout.rows[i];
        if (client.x >= row.left && client.x < row.right && client.y >= row.top && client.y < row.bottom) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void PaintMenu(cairo_t* cr, const std::vector<MenuEntry>& entries, const MenuLayout& layout, int selected) {
    cairo_save(cr);
    SetColour(cr, kMenuBorderColour);
    cairo_paint(cr);
    SetColour(cr, kMenuBackgroundColour);
    cairo_rectangle(cr, kBorder, kBorder, layout.width - 2 * kBorder, layout.height - 2 * kBorder);
    cairo_fill(cr);
    for (size_t i = 0; i < entries.size() && i < layout.rows.size(); ++i) {
        const MenuEntry& entry = entries[i];
        const RECT& row = layout.rows[i];
        if (entry.separator) {
            SetColour(cr, kSeparatorColour);
            cairo_rectangle(cr, row.left + kHighlightInset + 6, (row.top + row.bottom) / 2,
                            row.right - row.left - 2 * (kHighlightInset + 6), 1);
            cairo_fill(cr);
            continue;
        }
        const bool highlighted = static_cast<int>(i) == selected;
        if (highlighted) {
            SetColour(cr, kMenuHighlightColour);
            RoundedRectangle(cr, row.left + kHighlightInset - kBorder, row.top,
                             row.right - row.left - 2 * (kHighlightInset - kBorder), row.bottom - row.top, 4);
            cairo_fill(cr);
        }
        const unsigned colour =
            entry.disabled ? kDisabledTextColour : (highlighted ? kHighlightTextColour : kTextColour);
        PangoLayout* text = TextLayout(cr, entry.text);
        int width = 0, height = 0;
        pango_layout_get_pixel_size(text, &width, &height);
        SetColour(cr, colour);
        cairo_move_to(cr, kTextLeft, row.top + (row.bottom - row.top - height) / 2);
        pango_cairo_show_layout(cr, text);
        g_object_unref(text);
        if (entry.popup) PaintArrow(cr, row, colour);
    }
    cairo_restore(cr);
}

}  // namespace zovi::platform::menu_detail
