// The plain and the accelerated screen sources against the test X server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "engine/video/cap_video_dxgi.h"
#include "engine/video/cap_video_gdi.h"
#include "engine/video/tests/png_reader.h"
#include "engine/video/tests/video_test_support.h"
#include "platform/screen/testing/x_test_desktop.h"

namespace zovi::engine {
namespace {

using platform::testing::CTestWindow;
using testing::CLogCatcher;
using testing::CRecordingCallback;
using testing::CRecordingOutput;
using testing::ReceivedFrame;
using testing::WaitFor;

uint32_t Pattern(int x, int y) {
    return (static_cast<uint32_t>(x * 7 & 0xff) << 16) | (static_cast<uint32_t>(y * 5 & 0xff) << 8) |
           static_cast<uint32_t>((x + y) & 0xff);
}

enum class Kind { Plain, Accelerated };
void PrintTo(Kind kind, std::ostream* out) { *out << (kind == Kind::Plain ? "plain" : "accelerated"); }

std::shared_ptr<CCapVideo> MakeSource(Kind kind) {
    if (kind == Kind::Plain) return std::make_shared<CCapVideoMultMonitorGDI>();
    return std::make_shared<CCapVideoMultMonitorDXGI>();
}

class ScreenSource : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        platform::testing::FillRoot({0, 0, 1920, 1080}, 0x000000);
        platform::testing::MovePointer(5, 5);
        source_ = MakeSource(GetParam());
        source_->SetCallback(callback_);
    }
    void TearDown() override { source_->Stop(); }

    // Records `rect` with BGRA output at the rectangle's size, so frames can be compared.
    bool Start(const CaptureSourceInfo& info, int width, int height, bool cursor = false) {
        if (!source_->Init(info, 30, width, height, AV_PIX_FMT_BGRA, cursor, output_)) return false;
        source_->Pause(false);
        return true;
    }
    static CaptureSourceInfo Region(const RECT& rc) {
        CaptureSourceInfo info;
        info.type = CAP_SINGLE_MONITOR;
        info.SetRect(rc);
        return info;
    }
    ReceivedFrame NextFrame() {
        const size_t seen = output_->FrameCount();
        EXPECT_TRUE(WaitFor([&] { return output_->FrameCount() > seen + 1; }));
        return output_->Frames().back();
    }

    std::shared_ptr<CCapVideo> source_;
    std::shared_ptr<CRecordingOutput> output_ = std::make_shared<CRecordingOutput>();
    std::shared_ptr<CRecordingCallback> callback_ = std::make_shared<CRecordingCallback>();
};

TEST_P(ScreenSource, RegionFramesEqualWhatWasDrawn) {
    auto window = CTestWindow::Create({300, 200, 620, 440}, 0);
    window->Paint(Pattern);
    // Partly off the screen: the part beyond the root stays black.
    auto edge = CTestWindow::Create({1800, 900, 1920, 1080}, 0);
    edge->Paint(Pattern);
    struct Case {
        RECT region;
        std::function<uint32_t(int, int)> expected;
    } cases[] = {
        {{300, 200, 620, 440}, Pattern},
        {{250, 150, 400, 300},
         [](int x, int y) { return x >= 50 && y >= 50 ? Pattern(x - 50, y - 50) : 0u; }},
        {{1800, 1000, 2000, 1100},
         [](int x, int y) { return x < 120 && y < 80 ? Pattern(x, y + 100) : 0u; }},
    };
    for (const Case& c : cases) {
        source_ = MakeSource(GetParam());
        output_ = std::make_shared<CRecordingOutput>();
        const int w = c.region.right - c.region.left, h = c.region.bottom - c.region.top;
        ASSERT_TRUE(Start(Region(c.region), w, h));
        const ReceivedFrame frame = NextFrame();
        source_->Stop();
        ASSERT_EQ(frame.bgrx.size(), static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(frame.bgrx[static_cast<size_t>(y) * w + x], c.expected(x, y))
                    << x << "," << y << " of region at " << c.region.left;
    }
}

TEST_P(ScreenSource, CursorIsDrawnAtThePointer) {
    auto window = CTestWindow::Create({400, 300, 656, 556}, 0x204060);
    const RECT region{400, 300, 656, 556};
    for (bool cursor : {true, false}) {
        source_ = MakeSource(GetParam());
        output_ = std::make_shared<CRecordingOutput>();
        platform::testing::MovePointer(500, 420);
        ASSERT_TRUE(Start(Region(region), 256, 256, cursor));
        const ReceivedFrame frame = NextFrame();
        source_->Stop();
        int marked = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                if (frame.bgrx[static_cast<size_t>(y) * 256 + x] != 0x204060u) {
                    ++marked;
                    EXPECT_LT(std::abs(x - 100), 40);
                    EXPECT_LT(std::abs(y - 120), 40);
                }
        EXPECT_EQ(marked > 0, cursor);
    }
}

TEST_P(ScreenSource, FramesKeepComingAndShowChanges) {
    auto window = CTestWindow::Create({100, 100, 164, 164}, 0x00ff00);
    ASSERT_TRUE(Start(Region({100, 100, 164, 164}), 64, 64));
    // A still screen still gives frames, all with the same picture.
    const ReceivedFrame first = NextFrame();
    const ReceivedFrame later = NextFrame();
    EXPECT_GT(later.pts, first.pts);
    EXPECT_EQ(later.bgrx, first.bgrx);
    EXPECT_EQ(first.bgrx[0], 0x00ff00u);
    window->Fill(0xff00ff);
    EXPECT_TRUE(WaitFor([&] { return output_->Frames().back().bgrx[0] == 0xff00ffu; }));
    EXPECT_EQ(NextFrame().bgrx[64 * 64 - 1], 0xff00ffu);
}

TEST_P(ScreenSource, FollowsAWindowUntilItCloses) {
    CLogCatcher log;
    auto window = CTestWindow::Create({200, 200, 300, 260}, 0x3366cc);
    CaptureSourceInfo info = Region({0, 0, 1920, 1080});
    info.window = window->Handle();
    ASSERT_TRUE(Start(info, 100, 60));
    EXPECT_EQ(NextFrame().bgrx[0], 0x3366ccu);

    // The frame follows the window's new size: a snapshot shows it.
    window->MoveResize({500, 400, 640, 480});
    window->Fill(0xcc6633);
    const auto folder = std::filesystem::temp_directory_path() / ("zovi-follow-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "moved.png").string();
    NextFrame();
    source_->TakeSnapshot(path, nullptr);
    ASSERT_TRUE(WaitFor([&] { return callback_->Snapshots().size() == 1; }));
    testing::DecodedImage image;
    ASSERT_TRUE(testing::ReadPng(path, &image));
    EXPECT_EQ(image.width, 140);
    EXPECT_EQ(image.height, 80);
    EXPECT_EQ(image.At(70, 40), 0xcc6633u);
    std::filesystem::remove_all(folder);

    window->Destroy();
    ASSERT_TRUE(WaitFor([&] { return callback_->Errors() == 1; }));
    source_->Stop();
    EXPECT_EQ(callback_->Errors(), 1);
    EXPECT_EQ(output_->Nulls(), 1);
    EXPECT_TRUE(CLogCatcher::Contains(GetParam() == Kind::Plain
                                          ? "CCapVideoMultMonitorGDI::CapTick Fail!!"
                                          : "CCapVideoMultMonitorDXGI::CapTick Fail!!"));
}

TEST_P(ScreenSource, InitFailsWithoutAnythingToRecord) {
    struct Case {
        const char* what;
        std::function<void(CaptureSourceInfo&)> change;
    } cases[] = {
        {"init flag 0", [](CaptureSourceInfo& i) { i.init = 0; }},
        {"area off every monitor", [](CaptureSourceInfo& i) { i.SetRect({3000, 0, 3100, 100}); }},
        {"window already gone", [](CaptureSourceInfo& i) { i.window = 0x7fffff0; }},
    };
    for (const Case& c : cases) {
        CaptureSourceInfo info = Region({0, 0, 100, 100});
        c.change(info);
        auto source = MakeSource(GetParam());
        EXPECT_FALSE(source->Init(info, 30, 100, 100, AV_PIX_FMT_BGRA, false, output_)) << c.what;
    }
}

TEST_P(ScreenSource, MonitorsWithAGapAreAssembledWithBlackBetween) {
    platform::testing::FillRoot({0, 0, 1920, 1080}, 0x336699);
    ASSERT_TRUE(platform::testing::SetMonitor("LEFT", {0, 0, 800, 600}, /*takeOutput=*/true));
    ASSERT_TRUE(platform::testing::SetMonitor("RIGHT", {1000, 0, 1920, 700}));
    const CaptureSourceInfo all;  // the union of the monitors
    struct Case {
        CaptureSourceInfo info;
        std::vector<std::pair<POINT, uint32_t>> pixels;
    } cases[] = {
        {all, {{{400, 300}, 0x336699}, {{900, 100}, 0}, {{400, 650}, 0}, {{1500, 650}, 0x336699},
               {{799, 599}, 0x336699}, {{800, 0}, 0}, {{1000, 0}, 0x336699}}},
        {Region({700, 100, 1100, 200}), {{{50, 50}, 0x336699}, {{100, 50}, 0}, {{299, 0}, 0}, {{300, 99}, 0x336699}}},
    };
    std::vector<std::pair<int, int>> sizes;
    for (const Case& c : cases) {
        source_ = MakeSource(GetParam());
        output_ = std::make_shared<CRecordingOutput>();
        const int w = c.info.right - c.info.left, h = c.info.bottom - c.info.top;
        sizes.emplace_back(w, h);
        if (!Start(c.info, w, h)) break;
        const ReceivedFrame frame = NextFrame();
        source_->Stop();
        for (const auto& [at, colour] : c.pixels)
            EXPECT_EQ(frame.bgrx.at(static_cast<size_t>(at.y) * w + at.x), colour) << at.x << "," << at.y;
    }
    platform::testing::DeleteMonitor("LEFT");
    platform::testing::DeleteMonitor("RIGHT");
    ASSERT_EQ(sizes.size(), 2u) << "the source did not start";
    EXPECT_EQ(sizes[0], std::make_pair(1920, 700));
    EXPECT_EQ(CaptureSourceInfo().bottom, 1080);  // the screen's own monitor is back
}

INSTANTIATE_TEST_SUITE_P(Both, ScreenSource, ::testing::Values(Kind::Plain, Kind::Accelerated),
                         [](const auto& test) {
                             return test.param == Kind::Plain ? "Plain" : "Accelerated";
                         });

TEST(AcceleratedSource, AScreenChangeEndsTheVideoOnce) {
    CLogCatcher log;
    auto source = std::make_shared<CCapVideoMultMonitorDXGI>();
    auto output = std::make_shared<CRecordingOutput>();
    auto callback = std::make_shared<CRecordingCallback>();
    source->SetCallback(callback);
    CaptureSourceInfo info;
    ASSERT_TRUE(source->Init(info, 30, 640, 360, AV_PIX_FMT_YUV420P, true, output));
    source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return output->FrameCount() > 2; }));
    ASSERT_TRUE(platform::testing::ChangeScreenConfiguration());
    ASSERT_TRUE(WaitFor([&] { return callback->Errors() == 1; }));
    source->Stop();
    EXPECT_EQ(callback->Errors(), 1);
    EXPECT_EQ(output->Nulls(), 1);
    EXPECT_TRUE(CLogCatcher::Contains("CCapVideoMultMonitorDXGI::CapTick Fail!!"));
}

}  // namespace
}  // namespace zovi::engine
