#include "platform/duilib/core/render/text_measure.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdlib>

#include "platform/base/utf8.h"

namespace DuiLib {

TTextLineMetrics MeasureTextLine(const TFontInfo& font, const std::wstring& text) {
    TTextLineMetrics metrics;
    metrics.caretX.assign(text.size() + 1, 0);
    PangoContext* context = SharedPangoContext();
    if (!context) return metrics;
    // The UTF-8 offset of every character, encoded as the layout's text is.
    std::string utf8;
    std::vector<int> offsets;
    offsets.reserve(text.size() + 1);
    for (const wchar_t c : text) {
        offsets.push_back(static_cast<int>(utf8.size()));
        utf8 += zovi::platform::WideToUtf8(std::wstring_view(&c, 1));
    }
    offsets.push_back(static_cast<int>(utf8.size()));

    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* description = CreateFontDescription(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    metrics.width = logical.width;
    metrics.height = logical.height;
    for (size_t i = 0; i < text.size(); ++i) {
        PangoRectangle pos{};
        pango_layout_index_to_pos(layout, offsets[i], &pos);
        metrics.caretX[i] = PANGO_PIXELS(pos.x) - logical.x;
    }
    metrics.caretX[text.size()] = logical.width;
    g_object_unref(layout);
    return metrics;
}

size_t CaretIndexAtX(const std::vector<int>& caretX, int x) {
    size_t best = 0;
    for (size_t i = 1; i < caretX.size(); ++i) {
        if (std::abs(caretX[i] - x) < std::abs(caretX[best] - x)) best = i;
    }
    return best;
}

}  // namespace DuiLib
