#include "ui/recording/wb_toolbar/color_sel_button.h"

#include <cairo.h>

#include <algorithm>
#include <cwchar>

#include "core/global/global.h"
#include "platform/duilib/core/render/render_clip.h"

namespace DuiLib {

CColorSelButton::CColorSelButton() : m_color(GetGlobal().whiteboardColor) {}

void* CColorSelButton::GetInterface(const wchar_t* name) {
    if (name && std::wcscmp(name, L"ColorSelButton") == 0) return this;
    return CButtonUI::GetInterface(name);
}

void CColorSelButton::PaintStatusImage(HDC hDC) {
    cairo_t* cr = render::ContextOf(hDC);
    if (!cr) return;
    const double width = m_rcItem.right - m_rcItem.left, height = m_rcItem.bottom - m_rcItem.top;
    const double radius = std::min(width, height) / 2.0;
    if (radius <= m_inset) return;
    const double cx = m_rcItem.left + width / 2.0, cy = m_rcItem.top + height / 2.0;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_new_path(cr);
    // The ring's pen stays inside the button, so the button's clip never cuts it.
    cairo_arc(cr, cx, cy, radius - kRingWidth / 2.0, 0.0, 2.0 * 3.14159265358979);
    render::SetColor(cr, kRingColor);
    cairo_set_line_width(cr, kRingWidth);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, radius - m_inset, 0.0, 2.0 * 3.14159265358979);
    render::SetColor(cr, m_color);
    cairo_fill(cr);
    cairo_restore(cr);
    render::CheckContext(cr);
}

}  // namespace DuiLib
