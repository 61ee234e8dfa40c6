#include "platform/duilib/test/wrapped_text.h"

#include <pango/pangocairo.h>

#include <algorithm>

#include "platform/base/utf8.h"
#include "platform/duilib/core/render/render_engine.h"

namespace DuiLib {

TWrappedText MeasureWrappedText(CPaintManagerUI* manager, const std::wstring& text, int font, int width) {
    TWrappedText result;
    if (text.empty()) return result;
    // The engine measures with the same layout rules it draws with.
    const UINT style = DT_LEFT | DT_TOP | DT_WORDBREAK;
    result.size = CRenderEngine::MeasureText(manager, text, font, style, std::max(width, 0));
    PangoContext* context = SharedPangoContext();
    if (!context) return result;
    // The line count: the height over one line's height would miss mixed line heights
    // (CJK fallback faces), so ask Pango for the lines of the same layout.
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* description = CreateFontDescription(CRenderEngine::GetFont(manager, font));
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    std::wstring lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        lines += text[i] == L'\r' ? L'\n' : text[i];
    }
    const std::string utf8 = zovi::platform::WideToUtf8(lines);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (width > 0) {
        pango_layout_set_width(layout, std::min(width, 1 << 20) * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    result.lines = pango_layout_get_line_count(layout);
    g_object_unref(layout);
    return result;
}

}  // namespace DuiLib
