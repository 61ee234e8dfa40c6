// The skin archive read from memory, the skin folder for development, and the image
// cache over it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/duilib/core/render/render_engine.h"
#include "platform/duilib/core/resources/image_cache.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/tests/core_test_support.h"

namespace DuiLib {
namespace {

using test::Canvas;
using test::LogCapture;

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A 3 x 2 PNG: red, green, blue on top; half-transparent white below.
std::vector<unsigned char> FixturePng() {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2);
    cairo_surface_flush(surface);
    auto* pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
    const int stride = cairo_image_surface_get_stride(surface) / 4;
    pixels[0] = 0xFFFF0000;
    pixels[1] = 0xFF00FF00;
    pixels[2] = 0xFF0000FF;
    for (int x = 0; x < 3; ++x) pixels[stride + x] = 0x80808080;  // premultiplied
    cairo_surface_mark_dirty(surface);
    std::vector<unsigned char> png = test::PngBytes(surface);
    cairo_surface_destroy(surface);
    return png;
}

class DuiCoreSkin : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ZOVI_SKIN_DIR");
        zip_ = test::MakeZip({{"msgbox.xml", Bytes("<Window/>")},
                              {"Countdown/number3.png", FixturePng()},
                              {"中文/图.png", FixturePng()},
                              {"broken.png", Bytes("not a png")}});
        SetSkinArchive(zip_.data(), zip_.size());
    }
    void TearDown() override { SetSkinArchive(nullptr, 0); }

    std::vector<unsigned char> zip_;
};

TEST_F(DuiCoreSkin, PathsAreCaseSensitiveAndTakeBothSeparators) {
    LogCapture log;
    const struct {
        const wchar_t* path;
        bool found;
    } cases[] = {
        {L"msgbox.xml", true},   {L"Countdown/number3.png", true}, {L"Countdown\\number3.png", true},
        {L"/msgbox.xml", true},  {L"中文/图.png", true},           {L"countdown/number3.png", false},
        {L"MsgBox.xml", false},  {L"Countdown", false},            {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SkinFileExists(c.path), c.found) << c.path;
        std::vector<unsigned char> bytes;
        EXPECT_EQ(ReadSkinFile(c.path, &bytes), c.found) << c.path;
        EXPECT_EQ(bytes.empty(), !c.found) << c.path;
    }
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadSkinFile(L"msgbox.xml", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<Window/>");
}

TEST_F(DuiCoreSkin, MissingFileLogsOncePerPath) {
    LogCapture log;
    std::vector<unsigned char> bytes;
    EXPECT_FALSE(SkinFileExists(L"missing.xml"));
    EXPECT_EQ(log.Lines().size(), 0u);  // asking whether a file exists is silent
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(ReadSkinFile(L"missing.xml", &bytes));
        EXPECT_FALSE(ReadSkinFile(L"Msgbox.xml", &bytes));
    }
    EXPECT_EQ(log.Count(L"missing.xml"), 1);
    EXPECT_EQ(log.Count(L"Msgbox.xml"), 1);
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST_F(DuiCoreSkin, ListsEveryFile) {
    std::vector<std::wstring> files = ListSkinFiles();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"Countdown/number3.png", L"broken.png", L"msgbox.xml", L"中文/图.png"}));
}

TEST_F(DuiCoreSkin, WithoutArchiveOrWithGarbageEveryLookupFailsSoftly) {
    LogCapture log;
    std::vector<unsigned char> bytes;
    SetSkinArchive(nullptr, 0);
    EXPECT_FALSE(ReadSkinFile(L"msgbox.xml", &bytes));
    EXPECT_TRUE(ListSkinFiles().empty());
    const std::vector<unsigned char> garbage = Bytes("PK this is no zip archive at all");
    SetSkinArchive(garbage.data(), garbage.size());
    EXPECT_FALSE(ReadSkinFile(L"msgbox.xml", &bytes));
    EXPECT_FALSE(SkinFileExists(L"msgbox.xml"));
    EXPECT_EQ(log.Count(L"not a zip"), 1);
}

TEST_F(DuiCoreSkin, SkinFolderReplacesTheArchive) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("duilib_skin_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "Countdown");
    std::ofstream(dir / "Countdown" / "number3.png", std::ios::binary) << "from the folder";
    setenv("ZOVI_SKIN_DIR", dir.c_str(), 1);
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(ReadSkinFile(L"Countdown\\number3.png", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "from the folder");
    EXPECT_FALSE(SkinFileExists(L"msgbox.xml"));  // only in the archive
    EXPECT_EQ(ListSkinFiles(), std::vector<std::wstring>{L"Countdown/number3.png"});
    unsetenv("ZOVI_SKIN_DIR");
    std::filesystem::remove_all(dir);
}

TEST_F(DuiCoreSkin, PngsDecodeOnceAndBadOnesAreNull) {
    LogCapture log;
    TImagePtr image = GetSkinImage(L"Countdown/number3.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_TRUE(image->alpha);
    EXPECT_EQ(GetSkinImage(L"Countdown/number3.png"), image);  // cached
    EXPECT_FALSE(GetSkinImage(L"broken.png"));
    EXPECT_FALSE(GetSkinImage(L"broken.png"));
    EXPECT_FALSE(GetSkinImage(L"nothing.png"));
    EXPECT_EQ(log.Count(L"broken.png"), 1);
    EXPECT_EQ(log.Count(L"nothing.png"), 1);
    // A new archive drops what was decoded from the old one.
    SetSkinArchive(zip_.data(), zip_.size());
    EXPECT_NE(GetSkinImage(L"Countdown/number3.png"), image);
}

TEST_F(DuiCoreSkin, DecodedPixelsDrawAsStored) {
    Canvas canvas(3, 2, 0xFF000000);
    ASSERT_TRUE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 3, 2}, {0, 0, 3, 2},
                                               L"Countdown/number3.png"));
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(canvas.Pixel(2, 0), 0xFF0000FFu);
    EXPECT_TRUE(test::Near(canvas.Pixel(1, 1), 0xFF808080u));  // half white over black
}

TEST(DuiCoreImage, Rgb24CopyOfAlphaZeroPixelsIsVisible) {
    // Pixels as captured from the screen: colour with alpha 0.
    const int width = 4, height = 3, stride = 20;
    std::vector<unsigned char> pixels(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[y * stride + x * 4];
            p[0] = 0x30, p[1] = 0x60, p[2] = 0xC0, p[3] = 0;  // B, G, R, A
        }
    }
    TImagePtr opaque = CopyImage(pixels.data(), width, height, stride, false);
    TImagePtr translucent = CopyImage(pixels.data(), width, height, stride, true);
    ASSERT_TRUE(opaque && translucent);
    EXPECT_EQ(cairo_image_surface_get_format(opaque->surface), CAIRO_FORMAT_RGB24);
    EXPECT_FALSE(opaque->alpha);
    pixels.assign(pixels.size(), 0xFF);  // the caller may free or reuse its bitmap at once

    Canvas canvas(8, 3, 0xFFFFFFFF);
    CRenderEngine::DrawImage(canvas.hdc(), opaque->surface, {0, 0, 4, 3}, {0, 0, 8, 3}, {0, 0, 4, 3}, opaque->alpha);
    CRenderEngine::DrawImage(canvas.hdc(), translucent->surface, {4, 0, 8, 3}, {0, 0, 8, 3}, {0, 0, 4, 3},
                             translucent->alpha);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFC06030u);
    EXPECT_EQ(canvas.Pixel(3, 2), 0xFFC06030u);
    // The same pixels taken with their alpha add light to the white below (premultiplied).
    EXPECT_NE(canvas.Pixel(5, 1), 0xFFC06030u);

    EXPECT_FALSE(CopyImage(pixels.data(), 0, 3, stride, false));
    EXPECT_FALSE(CopyImage(pixels.data(), 4, -1, stride, false));
    EXPECT_FALSE(CopyImage(nullptr, 4, 3, stride, false));
}

TEST(DuiCoreImage, SharedImagesByName) {
    const uint32_t pixel = 0xFF112233;
    TImagePtr image = CopyImage(reinterpret_cast<const unsigned char*>(&pixel), 1, 1, 4, true);
    AddSharedImage(L"#shared.bmp", image);
    EXPECT_EQ(FindSharedImage(L"#shared.bmp"), image);
    EXPECT_FALSE(FindSharedImage(L"#SHARED.bmp"));
    Canvas canvas(2, 2, 0xFFFFFFFF);
    EXPECT_TRUE(CRenderEngine::DrawImageString(canvas.hdc(), nullptr, {0, 0, 2, 2}, {0, 0, 2, 2}, L"#shared.bmp"));
    EXPECT_EQ(canvas.Pixel(1, 1), 0xFF112233u);
    AddSharedImage(L"#shared.bmp", nullptr);
    EXPECT_FALSE(FindSharedImage(L"#shared.bmp"));
}

}  // namespace
}  // namespace DuiLib
