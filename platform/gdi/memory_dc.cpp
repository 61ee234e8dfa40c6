#include "platform/gdi/memory_dc.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <string>

namespace zovi::platform {

HBITMAP CMemoryDC::SelectObject(HBITMAP bitmap) {
    HBITMAP previous = std::move(bitmap_);
    bitmap_ = std::move(bitmap);
    return previous;
}

HFONT CMemoryDC::SelectObject(HFONT font) {
    HFONT previous = std::move(font_);
    font_ = std::move(font);
    return previous;
}

void CMemoryDC::SetTextColor(BYTE red, BYTE green, BYTE blue) {
    red_ = red / 255.0, green_ = green / 255.0, blue_ = blue / 255.0;
}

bool CMemoryDC::DrawTextW(const std::wstring& text, const RECT& band, UINT format) {
    return DrawTextW(CPreparedText(text), band, format);
}

bool CMemoryDC::DrawTextW(const CPreparedText& text, const RECT& band, UINT format) {
    if (!bitmap_ || !font_) return false;
    cairo_t* cr = cairo_create(bitmap_->Surface());
    cairo_rectangle(cr, band.left, band.top, band.right - band.left, band.bottom - band.top);
    cairo_clip(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, font_->Description());
    if (format & DT_SINGLELINE) pango_layout_set_single_paragraph_mode(layout, TRUE);
    // Han text is shaped with Simplified Chinese glyphs.
    if (text.HasHan()) {
        PangoContext* context = pango_layout_get_context(layout);
        pango_context_set_language(context, pango_language_from_string("zh-cn"));
        pango_layout_context_changed(layout);
    }
    pango_layout_set_text(layout, text.Utf8().c_str(), static_cast<int>(text.Utf8().size()));
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    double y = band.top;
    if (format & DT_VCENTER) y += (band.bottom - band.top - height) / 2.0;
    cairo_set_source_rgb(cr, red_, green_, blue_);
    cairo_move_to(cr, band.left, y);
    pango_cairo_show_layout(cr, layout);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_flush(bitmap_->Surface());
    return ok;
}

bool CMemoryDC::StretchBlt(const RECT& dest, const CDibSection& source) {
    if (!bitmap_ || dest.right <= dest.left || dest.bottom <= dest.top) return false;
    cairo_t* cr = cairo_create(bitmap_->Surface());
    cairo_rectangle(cr, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    cairo_clip(cr);
    cairo_translate(cr, dest.left, dest.top);
    cairo_scale(cr, static_cast<double>(dest.right - dest.left) / source.Width(),
                static_cast<double>(dest.bottom - dest.top) / source.Height());
    cairo_set_source_surface(cr, source.Surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(bitmap_->Surface());
    return ok;
}

}  // namespace zovi::platform
