// The generated and converted images of the skin: their sizes, the check box sprite's
// cells, the shadow's nine-slice properties, and the close button's states. Each image is
// also written enlarged to the artefacts folder for a person to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "skin/tests/skin_zip.h"

namespace zovi::skin::testing {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kAccent = 0xFF2B8CF4;

unsigned Alpha(unsigned pixel) { return pixel >> 24; }

// The image of the built-in archive (the test fails when it is missing or not a PNG).
struct SkinImage {
    explicit SkinImage(const std::string& name) {
        const ZipEntry* entry = FindEntry(BuiltInEntries(), name);
        EXPECT_NE(entry, nullptr) << name;
        if (entry) surface = DecodePng(entry->bytes);
        EXPECT_NE(surface, nullptr) << name;
    }
    ~SkinImage() {
        if (surface) cairo_surface_destroy(surface);
    }
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;

    int Width() const { return cairo_image_surface_get_width(surface); }
    int Height() const { return cairo_image_surface_get_height(surface); }
    unsigned At(int x, int y) const { return PixelAt(surface, x, y); }

    cairo_surface_t* surface = nullptr;
};

// The image enlarged `scale` times without smoothing, over a light and a dark half so
// edges show against both backgrounds.
void WriteArtefact(const SkinImage& image, const std::string& name, int scale) {
    const fs::path dir = fs::path(ZOVI_TEST_BIN_DIR) / "artefacts" / "skin";
    fs::create_directories(dir);
    const int w = image.Width() * scale, h = image.Height() * scale;
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * 2 + scale, h);
    cairo_t* cr = cairo_create(out);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0x21 / 255.0, 0x23 / 255.0, 0x27 / 255.0);
    cairo_rectangle(cr, w + scale, 0, w, h);
    cairo_fill(cr);
    for (int copy = 0; copy < 2; ++copy) {
        cairo_save(cr);
        cairo_translate(cr, copy * (w + scale), 0);
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, image.surface, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    std::string file = name;
    for (char& c : file) {
        if (c == '/') c = '_';
    }
    EXPECT_EQ(cairo_surface_write_to_png(out, (dir / file).c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(out);
}

TEST(SkinImages, HaveTheSizesTheLayoutsCut) {
    const struct {
        const char* name;
        int width, height, artefactScale;
    } cases[] = {
        {"checkbox.png", 112, 16, 8},   {"capture_config/btn_close.png", 72, 24, 8},
        {"shadow.png", 64, 64, 6},      {"icon/107-16.png", 16, 16, 8},
        {"icon/107-32.png", 32, 32, 4}, {"icon/107-48.png", 48, 48, 2},
        {"icon/107-64.png", 64, 64, 2}, {"icon/107-128.png", 128, 128, 1},
        {"Countdown/number1.png", 128, 128, 2}, {"Countdown/number2.png", 128, 128, 2},
        {"Countdown/number3.png", 128, 128, 2}, {"capture_config/logo.png", 24, 24, 8},
        {"capture_config/tab_screencam.png", 162, 48, 4}, {"capture_config/tab_screen.png", 162, 48, 4},
        {"capture_config/tab_cam.png", 162, 48, 4}, {"capture_config/src_desktop.png", 24, 24, 8},
        {"capture_config/src_window.png", 24, 24, 8}, {"capture_config/src_region.png", 24, 24, 8},
        {"capture_config/src_tick.png", 24, 24, 8}, {"capture_config/arrow.png", 72, 24, 8},
        {"capture_config/btn_history.png", 72, 24, 8}, {"capture_config/btn_setting.png", 72, 24, 8},
        {"capture_config/btn_account.png", 72, 24, 8}, {"capture_config/btn_account_ok.png", 72, 24, 8},
        {"capture_config/dev_camera.png", 48, 24, 8}, {"capture_config/dev_mic.png", 48, 24, 8},
        {"capture_config/dev_resolution.png", 48, 24, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SkinImage image(c.name);
        if (!image.surface) continue;
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        WriteArtefact(image, c.name, c.artefactScale);
    }
}

TEST(SkinImages, CheckBoxCellsAreTheirStateImages) {
    SkinImage sprite("checkbox.png");
    ASSERT_NE(sprite.surface, nullptr);
    const struct {
        const char* state;
        int x;
    } cells[] = {{"normal", 0},   {"hot", 16},      {"disabled", 32},
                 {"selected_disabled", 48}, {"selected", 80}, {"selected_hot", 96}};
    for (const auto& cell : cells) {
        SCOPED_TRACE(cell.state);
        cairo_surface_t* part =
            DecodePng(ReadFileBytes(std::string(ZOVI_SKIN_PARTS) + "/checkbox/" + cell.state + ".png"));
        ASSERT_NE(part, nullptr);
        ASSERT_EQ(cairo_image_surface_get_width(part), 16);
        int differing = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) differing += PixelAt(part, x, y) != sprite.At(cell.x + x, y);
        }
        EXPECT_EQ(differing, 0);
        // Every state is opaque in the middle, so it reads on dark and light bars alike.
        EXPECT_EQ(Alpha(sprite.At(cell.x + 8, 3)), 255u);
        cairo_surface_destroy(part);
    }
    // The selected box is the accent with a white tick; the unused cell stays empty.
    EXPECT_EQ(sprite.At(80 + 3, 3), kAccent);
    int white = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 80; x < 96; ++x) white += sprite.At(x, y) == 0xFFFFFFFFu;
    }
    EXPECT_GE(white, 4);
    for (int y = 0; y < 16; ++y) {
        for (int x = 64; x < 80; ++x) ASSERT_EQ(sprite.At(x, y), 0u) << x << "," << y;
    }
}

TEST(SkinImages, ShadowSlicesCleanly) {
    SkinImage shadow("shadow.png");
    ASSERT_NE(shadow.surface, nullptr);
    const int left = 23, top = 13, right = 23, bottom = 33;
    const int x1 = shadow.Width() - right, y1 = shadow.Height() - bottom;
    ASSERT_LT(left, x1);
    ASSERT_LT(top, y1);
    // Black only, a transparent centre, nothing on the outer rim.
    for (int y = 0; y < shadow.Height(); ++y) {
        for (int x = 0; x < shadow.Width(); ++x) {
            const unsigned p = shadow.At(x, y);
            ASSERT_EQ(p & 0xFFFFFFu, 0u) << x << "," << y;
            if (x >= left && x < x1 && y >= top && y < y1) {
                ASSERT_EQ(p, 0u) << x << "," << y;
            }
            if (x == 0 || y == 0 || x == shadow.Width() - 1 || y == shadow.Height() - 1) {
                ASSERT_LE(Alpha(p), 2u) << x << "," << y;
            }
        }
    }
    // Edge strips are stretched along one axis: each must be the same all along it.
    for (int y = top; y < y1; ++y) {
        for (int x = 0; x < left; ++x) ASSERT_EQ(shadow.At(x, y), shadow.At(x, top)) << x << "," << y;
        for (int x = x1; x < shadow.Width(); ++x) ASSERT_EQ(shadow.At(x, y), shadow.At(x, top)) << x << "," << y;
    }
    for (int x = left; x < x1; ++x) {
        for (int y = 0; y < top; ++y) ASSERT_EQ(shadow.At(x, y), shadow.At(left, y)) << x << "," << y;
        for (int y = y1; y < shadow.Height(); ++y) ASSERT_EQ(shadow.At(x, y), shadow.At(left, y)) << x << "," << y;
    }
    // It darkens towards the window on every side, and falls further below than above.
    const int midX = left + 1, midY = top + 1;
    for (int x = 1; x < left; ++x) EXPECT_LE(Alpha(shadow.At(x - 1, midY)), Alpha(shadow.At(x, midY)));
    for (int y = 1; y < top; ++y) EXPECT_LE(Alpha(shadow.At(midX, y - 1)), Alpha(shadow.At(midX, y)));
    for (int y = y1 + 1; y < shadow.Height(); ++y) {
        EXPECT_GE(Alpha(shadow.At(midX, y - 1)), Alpha(shadow.At(midX, y)));
    }
    const unsigned nearWindow = Alpha(shadow.At(left - 1, midY));
    EXPECT_GE(nearWindow, 40u);
    EXPECT_LE(nearWindow, 110u);
    EXPECT_GT(Alpha(shadow.At(midX, y1 + 12)), Alpha(shadow.At(midX, top - 12)));
}

TEST(SkinImages, CloseButtonStatesDifferOnlyByTheirBackground) {
    SkinImage strip("capture_config/btn_close.png");
    ASSERT_NE(strip.surface, nullptr);
    // The cross is dark in every cell; hot and pushed add a 10 % and a 20 % backdrop.
    const struct {
        const char* state;
        int x;
        unsigned backdropAlpha;
    } cells[] = {{"normal", 0, 0}, {"hot", 24, 26}, {"pushed", 48, 51}};
    for (const auto& cell : cells) {
        SCOPED_TRACE(cell.state);
        EXPECT_EQ(Alpha(strip.At(cell.x + 12, 12)), 255u);
        EXPECT_LE(strip.At(cell.x + 12, 12) & 0xFFu, 0x40u);
        EXPECT_NEAR(static_cast<int>(Alpha(strip.At(cell.x + 5, 12))), static_cast<int>(cell.backdropAlpha), 1);
        EXPECT_EQ(Alpha(strip.At(cell.x, 0)), 0u);  // room around the backdrop
    }
}

// The countdown digits: a badge with its own alpha — clear corners, a translucent body,
// an opaque accent ring and a white digit in the middle — each digit a different drawing.
TEST(SkinImages, CountdownDigitsAreTranslucentBadges) {
    std::vector<std::vector<unsigned>> pictures;
    for (const char* name : {"Countdown/number1.png", "Countdown/number2.png", "Countdown/number3.png"}) {
        SCOPED_TRACE(name);
        SkinImage digit(name);
        if (!digit.surface) continue;
        ASSERT_EQ(digit.Width(), 128);
        for (auto [x, y] : {std::pair{0, 0}, {127, 0}, {0, 127}, {127, 127}}) EXPECT_EQ(digit.At(x, y), 0u);
        EXPECT_EQ(digit.At(64, 2 + 4), kAccent) << "the ring";
        const unsigned body = Alpha(digit.At(64, 12));
        EXPECT_GE(body, 128u) << "shown on a screen without a compositor";
        EXPECT_LT(body, 255u) << "translucent";
        int white = 0;
        std::vector<unsigned> pixels;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                white += digit.At(x, y) == 0xFFFFFFFFu;
                pixels.push_back(digit.At(x, y));
            }
        }
        EXPECT_GT(white, 300) << "a big digit";
        pictures.push_back(pixels);
    }
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
}

}  // namespace
}  // namespace zovi::skin::testing
