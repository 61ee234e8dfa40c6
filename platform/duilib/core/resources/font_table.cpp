#include "platform/duilib/core/resources/font_table.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <iterator>

#include "platform/base/utf8.h"
#include "platform/duilib/core/string/dui_log.h"
#include "platform/gdi/ui_text_options.h"

namespace DuiLib {
namespace {

// The layouts name a face that Linux does not have; this rule sends it to an installed
// CJK face with good Latin, then to whatever "sans-serif" is.
constexpr char kFontRule[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same">
    <family>微软雅黑</family>
    <prefer>
      <family>Noto Sans CJK SC</family>
      <family>Source Han Sans SC</family>
      <family>WenQuanYi Micro Hei</family>
      <family>Droid Sans Fallback</family>
      <family>sans-serif</family>
    </prefer>
  </alias>
</fontconfig>
)";

// Whether the face the layouts name ends up with Han glyphs (中).
bool HasCjkFace(FcConfig* config) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("微软雅黑"));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    bool found = false;
    FcCharSet* charset = nullptr;
    if (match && FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch) {
        found = FcCharSetHasChar(charset, 0x4E2D);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return found;
}

bool LoadFontRule() {
    FcConfig* config = FcConfigGetCurrent();
    if (!config) {
        LogError(L"fontconfig could not be initialised");
        return false;
    }
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFontRule), FcTrue)) {
        LogError(L"the built-in font rule did not load");
    }
    if (!HasCjkFace(config)) LogOnce(L"font:cjk", L"no CJK font found");
    return true;
}

PangoContext* CreateContext() {
    // A font map of our own, made after the rule was loaded: one made earlier by other
    // code may hold matches found without it.
    PangoFontMap* fontMap = pango_cairo_font_map_new();
    PangoContext* context = pango_font_map_create_context(fontMap);
    g_object_unref(fontMap);  // the context keeps it
    if (!context) return nullptr;
    zovi::platform::ApplyUiTextOptions(context);
    return context;
}

struct ThreadContext {
    PangoContext* context = nullptr;
    ~ThreadContext() {
        if (context) g_object_unref(context);
    }
};

const TFontInfo kProgramFonts[] = {
    {L"微软雅黑", 18, false, false, false, false},
    {L"微软雅黑", 16, false, false, false, false},
    {L"微软雅黑", 14, false, false, false, false},
    {L"微软雅黑", 12, false, false, false, false},
    {L"微软雅黑", 14, true, false, false, false},
};

}  // namespace

void CFontTable::Add(int id, const TFontInfo& font, bool isDefault) {
    fonts_[id] = font;
    if (isDefault) {
        default_ = font;
        hasDefault_ = true;
    }
}

const TFontInfo& CFontTable::Get(int id) const {
    auto it = fonts_.find(id);
    if (it != fonts_.end()) return it->second;
    if (const TFontInfo* program = ProgramFont(id)) return *program;
    return hasDefault_ ? default_ : DefaultFont();
}

const TFontInfo* ProgramFont(int id) {
    if (id < 0 || id >= static_cast<int>(std::size(kProgramFonts))) return nullptr;
    return &kProgramFonts[id];
}

const TFontInfo& DefaultFont() {
    static const TFontInfo font;
    return font;
}

PangoFontDescription* CreateFontDescription(const TFontInfo& font) {
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, zovi::platform::WideToUtf8(font.face).c_str());
    // Pixels, whatever the screen's resolution says.
    const int size = font.size > 0 ? font.size : DefaultFont().size;
    pango_font_description_set_absolute_size(description, static_cast<double>(size) * PANGO_SCALE);
    pango_font_description_set_weight(description, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

PangoContext* SharedPangoContext() {
    static const bool ruleLoaded = LoadFontRule();
    (void)ruleLoaded;
    thread_local ThreadContext thread;
    if (!thread.context) thread.context = CreateContext();
    return thread.context;
}

}  // namespace DuiLib
