// The reader source over the camera wrapper: frames, sizes, snapshots, a vanishing reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "engine/video/cap_video_any.h"
#include "engine/camera/camera_capture.h"
#include "engine/video/tests/png_reader.h"
#include "engine/video/tests/test_clock.h"
#include "engine/video/tests/video_test_support.h"

namespace zovi::engine {
namespace {

using testing::CLogCatcher;
using testing::CRecordingCallback;
using testing::CRecordingOutput;
using testing::CTickClock;
using testing::WaitFor;

// BGR24 rows of `stride` bytes: blue = x, green = y, red = `tone`; padding is junk.
std::vector<uint8_t> CameraPicture(int width, int height, int stride, uint8_t tone) {
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = picture.data() + static_cast<size_t>(y) * stride + x * 3;
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = tone;
        }
    return picture;
}

// The camera wrapper, fed by the test from the tick thread at chosen reads (as a camera
// thread would be), so the pictures arrive at known ticks.
class CScriptedCamera : public ICapSourceFrameReader {
public:
    explicit CScriptedCamera(CTickClock& clock) : clock_(clock) {}
    bool ReadFrame(uint8_t** buffer, int* width, int* stride, int* height, int* format,
                   bool* hasFrame) override {
        clock_.AdoptCurrentThread();
        const int read = reads_++;
        if (onRead) onRead(camera, read);
        return camera.ReadFrame(buffer, width, stride, height, format, hasFrame);
    }
    CCameraCapture camera;
    std::function<void(CCameraCapture&, int read)> onRead;  // set before Init

private:
    CTickClock& clock_;
    int reads_ = 0;
};

struct ReaderHarness {
    ReaderHarness() {
        source->SetCallback(callback);
        info.type = CAP_CUSTOME_READER;
        info.SetRect({0, 0, 320, 240});
        info.reader = reader;
    }
    bool Init() { return source->Init(info, 25, 320, 240, AV_PIX_FMT_YUV420P, true, output); }
    CTickClock clock;
    std::shared_ptr<CScriptedCamera> reader = std::make_shared<CScriptedCamera>(clock);
    CaptureSourceInfo info;
    std::shared_ptr<CRecordingOutput> output = std::make_shared<CRecordingOutput>();
    std::shared_ptr<CRecordingCallback> callback = std::make_shared<CRecordingCallback>();
    std::shared_ptr<CCapVideoAny> source = std::make_shared<CCapVideoAny>();
};

TEST(ReaderSource, FirstFrameKeepsItsTickIndexAndSizeChangesKeepTheEncoderSize) {
    ReaderHarness h;
    h.reader->onRead = [&](CCameraCapture& camera, int read) {
        // Nothing for four ticks, then 320x240, then 160x120 from read 8 on.
        if (read == 4 || read == 8) {
            const int w = read == 4 ? 320 : 160, hgt = read == 4 ? 240 : 120;
            const auto picture = CameraPicture(w, hgt, w * 3, 9);
            camera.OnDecodedFrame(picture.data(), w, w * 3, hgt, AV_PIX_FMT_BGR24, 0);
        }
        if (read >= 4) {
            const bool caughtUp =
                WaitFor([&] { return h.output->FrameCount() == static_cast<size_t>(read - 4); });
            EXPECT_TRUE(caughtUp);
        }
        if (read == 11) h.source->Pause(true);
    };
    ASSERT_TRUE(h.Init());
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.output->FrameCount() == 8; }));
    EXPECT_TRUE(h.source->Stop());
    const auto frames = h.output->Frames();
    ASSERT_EQ(frames.size(), 8u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].pts, static_cast<int64_t>(4 + i));
        EXPECT_EQ(frames[i].width, 320);
        EXPECT_EQ(frames[i].height, 240);
    }
}

TEST(ReaderSource, SnapshotOfAPaddedPictureHasItsOwnWidth) {
    ReaderHarness h;
    const auto folder = std::filesystem::temp_directory_path() / ("zovi-reader-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "camera.png").string();
    h.reader->onRead = [&](CCameraCapture& camera, int read) {
        if (read == 0) {
            const auto picture = CameraPicture(848, 480, 2592, 200);
            camera.OnDecodedFrame(picture.data(), 848, 2592, 480, AV_PIX_FMT_BGR24, 0);
        }
        if (read == 3) h.source->Pause(true);
    };
    ASSERT_TRUE(h.Init());
    h.source->TakeSnapshot(path, nullptr);
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.callback->Snapshots().size() == 1; }));
    h.source->Stop();
    EXPECT_TRUE(h.callback->Snapshots()[0].second);
    testing::DecodedImage image;
    ASSERT_TRUE(testing::ReadPng(path, &image));
    EXPECT_EQ(image.width, 848);
    EXPECT_EQ(image.height, 480);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 848; x += 5)
            ASSERT_EQ(image.At(x, y), (200u << 16) | (uint32_t(y & 0xff) << 8) | uint32_t(x & 0xff));
    std::filesystem::remove_all(folder);
}

TEST(ReaderSource, AReleasedReaderEndsTheVideoOnce) {
    CLogCatcher log;
    ReaderHarness h;
    h.reader->onRead = [&](CCameraCapture&, int read) {
        if (read == 2) h.info.reader.reset();  // no effect: the source holds its own copy
    };
    ASSERT_TRUE(h.Init());
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.clock.NowNanoseconds() > 6'000'000'000LL; }));
    EXPECT_EQ(h.callback->Errors(), 0);
    h.reader.reset();  // the camera window closes
    ASSERT_TRUE(WaitFor([&] { return h.callback->Errors() == 1; }));
    EXPECT_TRUE(h.source->Stop());
    EXPECT_EQ(h.callback->Errors(), 1);
    EXPECT_EQ(h.output->Nulls(), 1);
    EXPECT_TRUE(CLogCatcher::Contains("CCapVideoAny::CaoTick Fail!"));
}

TEST(CameraCapture, KeepsTheNewestPictureAndCopiesIt) {
    CCameraCapture camera;
    uint8_t* buffer = nullptr;
    int width = 0, stride = 0, height = 0, format = -1;
    bool hasFrame = true;
    ASSERT_TRUE(camera.ReadFrame(&buffer, &width, &stride, &height, &format, &hasFrame));
    EXPECT_FALSE(hasFrame);
    struct Case {
        int w, h, stride;
        uint8_t tone;
    } cases[] = {{848, 480, 2592, 1}, {848, 480, 2592, 2}, {176, 144, 576, 3}};
    for (const Case& c : cases) {
        const auto picture = CameraPicture(c.w, c.h, c.stride, c.tone);
        camera.OnDecodedFrame(picture.data(), c.w, c.stride, c.h, AV_PIX_FMT_BGR24, 7);
        ASSERT_TRUE(camera.ReadFrame(&buffer, &width, &stride, &height, &format, &hasFrame));
        ASSERT_TRUE(hasFrame);
        EXPECT_EQ(width, c.w);
        EXPECT_EQ(stride, c.stride);
        EXPECT_EQ(height, c.h);
        EXPECT_EQ(format, AV_PIX_FMT_BGR24);
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + picture.size()), picture);
        std::free(buffer);
    }
}

}  // namespace
}  // namespace zovi::engine
