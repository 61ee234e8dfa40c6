// Fonts: the face the layouts name resolves through the built-in rule to the CJK face
// of the test configuration, sizes are pixels whatever the resolution, and font ids
// fall back from the window's table to the program's to the default.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <pango/pangocairo.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/base/utf8.h"
#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/resources/font_table.h"
#include "platform/duilib/tests/core_test_support.h"

namespace DuiLib {
namespace {

std::string LoadedFamily(const TFontInfo& font) {
    PangoContext* context = SharedPangoContext();
    PangoFontDescription* description = CreateFontDescription(font);
    PangoFont* loaded = pango_font_map_load_font(pango_context_get_font_map(context), context, description);
    pango_font_description_free(description);
    if (!loaded) return {};
    PangoFontDescription* actual = pango_font_describe(loaded);
    std::string family = pango_font_description_get_family(actual);
    pango_font_description_free(actual);
    g_object_unref(loaded);
    return family;
}

TEST(DuiCoreFonts, LayoutFaceResolvesToTheInstalledCjkFace) {
    EXPECT_EQ(LoadedFamily(DefaultFont()), "WenQuanYi Micro Hei");
    EXPECT_EQ(LoadedFamily(*ProgramFont(4)), "WenQuanYi Micro Hei");
    // The same answer from fontconfig itself, as fc-match gives it.
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("微软雅黑"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    ASSERT_TRUE(match);
    FcChar8* family = nullptr;
    ASSERT_EQ(FcPatternGetString(match, FC_FAMILY, 0, &family), FcResultMatch);
    EXPECT_STREQ(reinterpret_cast<const char*>(family), "WenQuanYi Micro Hei");
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    // A face nobody names still ends on an installed face.
    EXPECT_FALSE(LoadedFamily({L"No Such Face", 12}).empty());
}

TEST(DuiCoreFonts, SizesArePixelsWhateverTheResolution) {
    const std::wstring text = L"Zovi 录屏";
    const SIZE at96 = CRenderEngine::MeasureText(nullptr, text, 0, DT_SINGLELINE, 0);
    // What a desktop with Xft.dpi: 192 would make a toolkit set.
    PangoContext* context = SharedPangoContext();
    const double old = pango_cairo_context_get_resolution(context);
    pango_cairo_context_set_resolution(context, 192);
    const SIZE at192 = CRenderEngine::MeasureText(nullptr, text, 0, DT_SINGLELINE, 0);
    pango_cairo_context_set_resolution(context, old);
    EXPECT_EQ(at96.cx, at192.cx);
    EXPECT_EQ(at96.cy, at192.cy);
    // 18 pixels: a line is a little taller than the em, and half again font 3's 12.
    EXPECT_GE(at96.cy, 18);
    EXPECT_LE(at96.cy, 30);
    const SIZE small = CRenderEngine::MeasureText(nullptr, text, 3, DT_SINGLELINE, 0);
    EXPECT_NEAR(static_cast<double>(at96.cx) / small.cx, 1.5, 0.1);
}

TEST(DuiCoreFonts, IdsFallBackFromWindowToProgramToDefault) {
    const int sizes[] = {18, 16, 14, 12, 14};
    for (int id = 0; id < 5; ++id) {
        ASSERT_TRUE(ProgramFont(id));
        EXPECT_EQ(ProgramFont(id)->size, sizes[id]);
        EXPECT_EQ(ProgramFont(id)->bold, id == 4);
        EXPECT_EQ(ProgramFont(id)->face, L"微软雅黑");
    }
    EXPECT_FALSE(ProgramFont(5));
    EXPECT_FALSE(ProgramFont(-1));
    EXPECT_EQ(DefaultFont().size, 12);
    EXPECT_FALSE(DefaultFont().bold);

    CFontTable table;
    EXPECT_EQ(&table.Get(2), ProgramFont(2));
    EXPECT_EQ(&table.Get(9), &DefaultFont());
    table.Add(2, {L"微软雅黑", 20, true}, false);
    table.Add(7, {L"微软雅黑", 13}, true);
    EXPECT_EQ(table.Get(2).size, 20);      // the window's own font wins
    EXPECT_EQ(table.Get(1).size, 16);      // the program's
    EXPECT_EQ(table.Get(9).size, 13);      // the window's default
    EXPECT_EQ(table.Get(-1).size, 13);
    table.Clear();
    EXPECT_EQ(&table.Get(9), &DefaultFont());

    EXPECT_EQ(&CRenderEngine::GetFont(nullptr, 1), ProgramFont(1));
    EXPECT_EQ(&CRenderEngine::GetFont(nullptr, 42), &DefaultFont());
}

// Run in a fresh process (fontconfig reads its configuration once): with no CJK face
// installed the library says so once.
TEST(DuiCoreFontsDeathTest, NoCjkFaceIsLoggedOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path conf =
        std::filesystem::temp_directory_path() / ("duilib_latin_only_" + std::to_string(getpid()) + ".conf");
    std::ofstream(conf) << "<?xml version=\"1.0\"?><fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir>"
                           "<cachedir prefix=\"xdg\">fontconfig</cachedir></fontconfig>";
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", conf.c_str(), 1);
            test::LogCapture log;
            SharedPangoContext();
            SharedPangoContext();
            std::exit(log.Count(L"no CJK font found") == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::filesystem::remove(conf);
}

}  // namespace
}  // namespace DuiLib
