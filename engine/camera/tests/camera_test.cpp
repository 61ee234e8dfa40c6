#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/pixfmt.h>
}

#include "engine/camera/mirror.h"
#include "engine/camera/video_decoder.h"

using namespace zovi::engine;

namespace {

// A static, left-right asymmetric picture and a moving one, both paced in real time.
const std::string kBars = "smptebars=size=320x240:rate=30,realtime";
const std::string kMoving = "testsrc=size=320x240:rate=30,realtime";

// Keeps the pictures and sizes a reader delivers.
class CFrameSink : public IDecVideoOutput {
public:
    void OnDecodedFrame(const uint8_t* data, int width, int stride, int height, int format,
                        uint32_t tag) override {
        std::lock_guard lock(mutex_);
        last.assign(data, data + static_cast<size_t>(stride) * height);
        lastWidth = width;
        lastStride = stride;
        lastHeight = height;
        lastFormat = format;
        lastTag = tag;
        ++frames;
        changed_.notify_all();
    }
    void OnVideoOpened(int width, int height) override {
        std::lock_guard lock(mutex_);
        opened.emplace_back(width, height);
    }
    // Waits (generously) until `count` more frames than now have arrived.
    bool WaitFrames(int count) {
        std::unique_lock lock(mutex_);
        const int target = frames + count;
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return frames >= target; });
    }
    std::vector<uint8_t> Last() {
        std::lock_guard lock(mutex_);
        return last;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint8_t> last;
    int lastWidth = 0, lastStride = 0, lastHeight = 0, lastFormat = -1;
    uint32_t lastTag = 0;
    int frames = 0;
    std::vector<std::pair<int, int>> opened;
};

// FFmpeg's log lines, kept while a test runs.
std::mutex gLogMutex;
std::vector<std::string> gLogLines;
void KeepLogLine(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_WARNING) return;
    char line[2048];
    vsnprintf(line, sizeof(line), format, args);
    std::lock_guard lock(gLogMutex);
    gLogLines.emplace_back(line);
}
bool LogHas(const std::string& text) {
    std::lock_guard lock(gLogMutex);
    for (const auto& line : gLogLines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        {
            std::lock_guard lock(gLogMutex);
            gLogLines.clear();
        }
        av_log_set_callback(KeepLogLine);
    }
    void TearDown() override { av_log_set_callback(av_log_default_callback); }
};

std::vector<uint8_t> MirroredRows(const std::vector<uint8_t>& picture, int width, int stride,
                                  int height) {
    std::vector<uint8_t> copy = picture;
    MirrorBgr24Rows(copy.data(), width, stride, height);
    return copy;
}

}  // namespace

TEST(CameraUrl, DirectShowNames) {
    struct Case {
        std::string name, url;
    } cases[] = {
        {"HD Webcam", "video=HD Webcam"},
        {"USB2.0 Camera: Front", "video=USB2.0 Camera_ Front"},
        {"a:b:c", "video=a_b_c"},
        {"", "video="},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeDShowCameraUrl(c.name), c.url) << c.name;
    EXPECT_EQ(MakeDShowCameraUrl(std::string(2000, 'x')).size(), 1023u);
}

TEST(CameraUrl, V4L2PathsAndUnknownNames) {
    // A device path (with ':' in by-path names) is used as it is.
    EXPECT_EQ(FindV4L2CameraPath("/dev/v4l/by-path/pci-0000:00:14.0-usb-0:1:1.0-video-index0"),
              "/dev/v4l/by-path/pci-0000:00:14.0-usb-0:1:1.0-video-index0");
    EXPECT_EQ(FindV4L2CameraPath("No Such Camera 1234"), "");
}

TEST(CameraMirror, RowsAreReversedByPixel) {
    // Widths 1 (nothing moves), 4 (even) and 5 (odd: the middle pixel stays); stride has
    // padding that must stay untouched.
    for (int width : {1, 4, 5}) {
        const int stride = width * 3 + 4, height = 2;
        std::vector<uint8_t> picture(stride * height);
        for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i);
        std::vector<uint8_t> mirrored = MirroredRows(picture, width, stride, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    EXPECT_EQ(mirrored[y * stride + 3 * x + c],
                              picture[y * stride + 3 * (width - 1 - x) + c])
                        << "width " << width << " x " << x;
            for (int p = width * 3; p < stride; ++p)
                EXPECT_EQ(mirrored[y * stride + p], picture[y * stride + p]);
        }
    }
}

TEST_F(CameraTest, DeliversBgr24FramesWithTagAndOpenedSize) {
    auto sink = std::make_shared<CFrameSink>();
    CVideoDecoder reader(0x5A0F, "lavfi", kMoving);
    reader.AddOutput(sink);
    ASSERT_TRUE(reader.OpenDShowCamera("Test Camera", false));
    EXPECT_FALSE(reader.IsStopped());
    int w = 0, h = 0;
    reader.GetFrameSize(w, h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    ASSERT_TRUE(sink->WaitFrames(3));
    {
        std::lock_guard lock(sink->mutex_);
        EXPECT_EQ(sink->opened, (std::vector<std::pair<int, int>>{{320, 240}}));
        EXPECT_EQ(sink->lastWidth, 320);
        EXPECT_EQ(sink->lastHeight, 240);
        EXPECT_GE(sink->lastStride, 320 * 3);
        EXPECT_EQ(sink->lastFormat, AV_PIX_FMT_BGR24);
        EXPECT_EQ(sink->lastTag, 0x5A0Fu);
    }
    EXPECT_TRUE(LogHas("OpenDShowCamera stream:0 codecid="));
    EXPECT_TRUE(LogHas("type=video"));
    reader.Close();
    EXPECT_TRUE(reader.IsStopped());
    reader.GetFrameSize(w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    // Closed means no more frames; closing again is harmless.
    const int frames = [&] { std::lock_guard lock(sink->mutex_); return sink->frames; }();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(frames, [&] { std::lock_guard lock(sink->mutex_); return sink->frames; }());
    reader.Close();
    reader.Destroy();
}

TEST_F(CameraTest, MirroredPictureIsTheUnmirroredPictureReversed) {
    auto plain = std::make_shared<CFrameSink>();
    auto mirrored = std::make_shared<CFrameSink>();
    CVideoDecoder plainReader(1, "lavfi", kBars);
    CVideoDecoder mirrorReader(2, "lavfi", kBars);
    plainReader.AddOutput(plain);
    mirrorReader.AddOutput(mirrored);
    ASSERT_TRUE(plainReader.OpenDShowCamera("Plain", false));
    ASSERT_TRUE(mirrorReader.OpenDShowCamera("Mirror", true));
    ASSERT_TRUE(plain->WaitFrames(2));
    ASSERT_TRUE(mirrored->WaitFrames(2));
    plainReader.Close();
    mirrorReader.Close();

    const int w = plain->lastWidth, h = plain->lastHeight, stride = plain->lastStride;
    ASSERT_EQ(mirrored->lastStride, stride);
    const std::vector<uint8_t> a = plain->Last(), b = mirrored->Last();
    // The first pixel of every delivered row is the last pixel of the camera's row.
    for (int y = 0; y < h; ++y)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(b[y * stride + c], a[y * stride + 3 * (w - 1) + c]) << "row " << y;
    // The bars are not symmetric, so this is not a picture that mirrors onto itself.
    EXPECT_NE(a, b);
    EXPECT_EQ(MirroredRows(a, w, stride, h), b);
}

TEST_F(CameraTest, SecondOpenClosesTheFirstCamera) {
    auto sink = std::make_shared<CFrameSink>();
    CVideoDecoder reader(3, "lavfi", kMoving);
    reader.AddOutput(sink);
    ASSERT_TRUE(reader.OpenDShowCamera("First", false));
    ASSERT_TRUE(sink->WaitFrames(1));
    ASSERT_TRUE(reader.OpenDShowCamera("Second", true));
    ASSERT_TRUE(sink->WaitFrames(2));
    std::lock_guard lock(sink->mutex_);
    EXPECT_EQ(sink->opened.size(), 2u);
}

TEST_F(CameraTest, FailedOpensAreLoggedAndLeaveTheReaderStopped) {
    struct Case {
        std::string format, url, log;
    } cases[] = {
        {"lavfi", "nosuchfilter=size=10x10", "OpenDShowCamera input  fail, ret="},
        {"v4l2", "/dev/zovi-no-such-video-device", "OpenDShowCamera input  fail, ret="},
        {"no-such-input-format", "x", ""},
    };
    for (const auto& c : cases) {
        CVideoDecoder reader(0, c.format, c.url);
        EXPECT_FALSE(reader.OpenDShowCamera("cam", false)) << c.url;
        EXPECT_TRUE(reader.IsStopped());
        if (!c.log.empty()) {
            EXPECT_TRUE(LogHas(c.log)) << c.url;
        }
        reader.Close();
    }
    // A camera name that no V4L2 device carries.
    CVideoDecoder byName(0);
    EXPECT_FALSE(byName.OpenDShowCamera("No Such Camera 1234", false));
}

TEST_F(CameraTest, OutputsMayBeAddedWhileFramesFlow) {
    auto first = std::make_shared<CFrameSink>();
    CVideoDecoder reader(4, "lavfi", kMoving);
    reader.AddOutput(first);
    ASSERT_TRUE(reader.OpenDShowCamera("cam", false));
    ASSERT_TRUE(first->WaitFrames(1));
    std::vector<std::shared_ptr<CFrameSink>> late;
    for (int i = 0; i < 40; ++i) {
        late.push_back(std::make_shared<CFrameSink>());
        reader.AddOutput(late.back());
        if (i % 10 == 0) late.erase(late.begin());  // an output that goes away is skipped
    }
    ASSERT_TRUE(late.back()->WaitFrames(2));
    ASSERT_TRUE(first->WaitFrames(1));
    reader.Close();
}
