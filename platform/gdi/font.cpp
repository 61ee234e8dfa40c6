#include "platform/gdi/font.h"

#include <pango/pango.h>

#include "platform/base/utf8.h"

namespace zovi::platform {

std::shared_ptr<CFont> CFont::Create(const std::wstring& face, int heightPx, bool italic) {
    if (heightPx <= 0) return nullptr;
    PangoFontDescription* description = pango_font_description_new();
    if (!description) return nullptr;
    pango_font_description_set_family(description, WideToUtf8(face).c_str());
    pango_font_description_set_absolute_size(description, static_cast<double>(heightPx) * PANGO_SCALE);
    pango_font_description_set_style(description, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return std::shared_ptr<CFont>(new CFont(description));
}

CFont::~CFont() { pango_font_description_free(description_); }

}  // namespace zovi::platform
