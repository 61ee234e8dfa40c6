#include "platform/gdi/ui_text_options.h"

#include <pango/pangocairo.h>

namespace zovi::platform {

void ApplyUiTextOptions(PangoContext* context) {
    pango_context_set_language(context, pango_language_from_string("zh-cn"));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
}

}  // namespace zovi::platform
