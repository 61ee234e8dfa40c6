// PNG snapshots written through FFmpeg and read back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "engine/video/snapshot_writer.h"
#include "engine/video/tests/png_reader.h"
#include "engine/video/tests/video_test_support.h"

namespace zovi::engine {
namespace {

using testing::CLogCatcher;
using testing::DecodedImage;
using testing::ReadPng;

uint32_t Colour(int x, int y) {
    return (static_cast<uint32_t>(x * 3 & 0xff) << 16) | (static_cast<uint32_t>(y * 2 & 0xff) << 8) |
           static_cast<uint32_t>((x ^ y) & 0xff);
}

// A picture in `format` (BGRA or BGR24) with `stride` bytes per row; padding is junk.
std::vector<uint8_t> MakePicture(AVPixelFormat format, int width, int height, int stride) {
    const int bytes = format == AV_PIX_FMT_BGRA ? 4 : 3;
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * height, 0xAB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = picture.data() + static_cast<size_t>(y) * stride + x * bytes;
            const uint32_t c = Colour(x, y);
            p[0] = c & 0xff, p[1] = (c >> 8) & 0xff, p[2] = c >> 16;
            if (bytes == 4) p[3] = 0x5A;
        }
    return picture;
}

class SnapshotWriter : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("zovi-png-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(SnapshotWriter, RoundTripsEveryPixel) {
    struct Case {
        const char* name;
        AVPixelFormat format;
        int width, height, stride;
    } cases[] = {
        {"bgra.png", AV_PIX_FMT_BGRA, 64, 48, 64 * 4},
        {"screen-wide.png", AV_PIX_FMT_BGRA, 333, 77, 333 * 4},
        // A camera picture whose rows are padded to 32 bytes (2592 = 3 * 864).
        {"camera.png", AV_PIX_FMT_BGR24, 848, 480, 2592},
        {"camera-small.png", AV_PIX_FMT_BGR24, 176, 144, 3 * 192},
    };
    for (const Case& c : cases) {
        const std::string path = (folder_ / c.name).string();
        const auto picture = MakePicture(c.format, c.width, c.height, c.stride);
        SnapshotWriterContext context;
        ASSERT_TRUE(SaveFrameAsImage(context, picture.data(), c.width, c.height, c.stride, c.format, path))
            << c.name;
        context.Release();
        DecodedImage image;
        ASSERT_TRUE(ReadPng(path, &image)) << c.name;
        ASSERT_EQ(image.width, c.width) << c.name;
        ASSERT_EQ(image.height, c.height) << c.name;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(image.At(x, y), Colour(x, y)) << c.name << " " << x << "," << y;
    }
}

TEST_F(SnapshotWriter, PercentInTheFolderNameIsLiteral) {
    std::filesystem::create_directories(folder_ / "50%off");
    std::filesystem::create_directories(folder_ / "a%d");
    for (const char* relative : {"50%off/shot.png", "a%d/shot%03d.png"}) {
        const std::string path = (folder_ / relative).string();
        const auto picture = MakePicture(AV_PIX_FMT_BGRA, 16, 16, 64);
        SnapshotWriterContext context;
        ASSERT_TRUE(SaveFrameAsImage(context, picture.data(), 16, 16, 64, AV_PIX_FMT_BGRA, path));
        context.Release();
        DecodedImage image;
        EXPECT_TRUE(ReadPng(path, &image)) << path;
        EXPECT_EQ(image.width, 16);
    }
    EXPECT_FALSE(std::filesystem::exists(folder_ / "50"));
}

TEST_F(SnapshotWriter, MissingFolderFailsWithItsLogLine) {
    CLogCatcher log;
    const std::string path = (folder_ / "missing" / "shot.png").string();
    const auto picture = MakePicture(AV_PIX_FMT_BGRA, 16, 16, 64);
    SnapshotWriterContext context;
    EXPECT_FALSE(SaveFrameAsImage(context, picture.data(), 16, 16, 64, AV_PIX_FMT_BGRA, path));
    context.Release();
    EXPECT_TRUE(CLogCatcher::Contains("Could not open output file '" + path + "'"));
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace zovi::engine
