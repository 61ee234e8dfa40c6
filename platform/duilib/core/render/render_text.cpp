// The render engine's text: one Pango layout per draw, placed by the DT_ flags.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>

#include "platform/base/utf8.h"
#include "platform/duilib/core/render/render_clip.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {
namespace {

CRenderEngine::FontLookup g_fontLookup = nullptr;

// Pango measures in 1/1024 pixel in an int: widths beyond this are cut to it.
constexpr int64_t kMaxLayoutExtent = 1 << 20;

int LayoutExtent(int64_t pixels) { return static_cast<int>(std::clamp<int64_t>(pixels, 0, kMaxLayoutExtent)); }

// "\r\n", "\r" and "\n" end a line; on a single line each shows as one space.
std::string LayoutText(const std::wstring& text, UINT style) {
    const wchar_t lineBreak = (style & DT_SINGLELINE) ? L' ' : L'\n';
    std::wstring prepared;
    prepared.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            prepared += lineBreak;
        } else {
            prepared += c;
        }
    }
    return zovi::platform::WideToUtf8(prepared);
}

bool Wraps(UINT style) { return (style & DT_WORDBREAK) && !(style & DT_SINGLELINE); }
// Whether the layout is given the rectangle's width (to wrap or to ellipsise in).
bool HasWidth(UINT style, int width) { return width > 0 && (Wraps(style) || (style & DT_END_ELLIPSIS)); }

PangoLayout* CreateLayout(PangoContext* context, const TFontInfo& font, const std::wstring& text, UINT style,
                          int width, int height) {
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* description = CreateFontDescription(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    if (font.underline || font.strikeout) {
        PangoAttrList* attributes = pango_attr_list_new();
        if (font.underline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.strikeout) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
    }
    const std::string utf8 = LayoutText(text, style);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (HasWidth(style, width)) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        if (Wraps(style)) pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        if (style & DT_END_ELLIPSIS) {
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
            // Wrapped text ellipsises its last line that fits the height.
            if (Wraps(style) && height > 0) pango_layout_set_height(layout, height * PANGO_SCALE);
        }
    }
    if (style & DT_CENTER) {
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    } else if (style & DT_RIGHT) {
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
    }
    return layout;
}

// Where a box of `size` goes in a space of `space` by the alignment flags.
int64_t Offset(int64_t space, int64_t size, bool middle, bool end) {
    if (middle) return (space - size) / 2;
    if (end) return space - size;
    return 0;
}

}  // namespace

void CRenderEngine::SetFontLookup(FontLookup lookup) { g_fontLookup = lookup; }

const TFontInfo& CRenderEngine::GetFont(const CPaintManagerUI* manager, int id) {
    if (manager && g_fontLookup) return g_fontLookup(manager, id);
    if (const TFontInfo* font = ProgramFont(id)) return *font;
    return DefaultFont();
}

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* manager, const RECT& rc, const std::wstring& text,
                             DWORD color, int font, UINT style) {
    cairo_t* cr = render::ContextOf(hDC);
    RECT visible;
    if (!cr || text.empty() || (color >> 24) == 0 || !render::VisiblePart(cr, rc, &visible)) return;
    PangoContext* context = SharedPangoContext();
    if (!context) return;
    pango_cairo_update_context(cr, context);
    const int width = LayoutExtent(render::Width(rc));
    PangoLayout* layout =
        CreateLayout(context, GetFont(manager, font), text, style, width, LayoutExtent(render::Height(rc)));
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    // With a width Pango aligns the lines itself; otherwise the block is placed here.
    int64_t x = rc.left;
    if (!HasWidth(style, width)) {
        x += Offset(render::Width(rc), logical.width, style & DT_CENTER, style & DT_RIGHT) - logical.x;
    }
    const int64_t y =
        rc.top + Offset(render::Height(rc), logical.height, style & DT_VCENTER, style & DT_BOTTOM) - logical.y;
    // Only a layout that meets the visible part is drawn, so its position is near the
    // surface whatever the rectangle was.
    const RECT box = {static_cast<LONG>(std::clamp<int64_t>(x + logical.x, INT32_MIN, INT32_MAX)),
                      static_cast<LONG>(std::clamp<int64_t>(y + logical.y, INT32_MIN, INT32_MAX)),
                      static_cast<LONG>(std::clamp<int64_t>(x + logical.x + logical.width, INT32_MIN, INT32_MAX)),
                      static_cast<LONG>(std::clamp<int64_t>(y + logical.y + logical.height, INT32_MIN, INT32_MAX))};
    if (!render::IsEmpty(render::Intersect(box, visible))) {
        cairo_save(cr);
        cairo_new_path(cr);
        cairo_rectangle(cr, visible.left, visible.top, static_cast<double>(render::Width(visible)),
                        static_cast<double>(render::Height(visible)));
        cairo_clip(cr);
        cairo_move_to(cr, static_cast<double>(x), static_cast<double>(y));
        render::SetColor(cr, color);
        pango_cairo_show_layout(cr, layout);
        cairo_restore(cr);
        render::CheckContext(cr);
    }
    g_object_unref(layout);
}

SIZE CRenderEngine::MeasureText(CPaintManagerUI* manager, const std::wstring& text, int font, UINT style, int width) {
    PangoContext* context = SharedPangoContext();
    if (!context) return {0, 0};
    PangoLayout* layout = CreateLayout(context, GetFont(manager, font), text, style, LayoutExtent(width), 0);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return {logical.width, logical.height};
}

}  // namespace DuiLib
