// The threads and queue every video source shares, driven by a synthetic source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/video/cap_video_pump.h"
#include "engine/video/tests/test_clock.h"
#include "engine/video/tests/video_test_support.h"

namespace zovi::engine {
namespace {

using testing::CLogCatcher;
using testing::CRecordingCallback;
using testing::CRecordingOutput;
using testing::CTickClock;
using testing::WaitFor;

struct CTestFrame : CapVideoFrame {
    std::vector<uint8_t> pixels;
    const uint8_t* Pixels() const override { return pixels.data(); }
    int Stride() const override { return width * 4; }
    AVPixelFormat Format() const override { return AV_PIX_FMT_BGRA; }
};

// Makes frames of a solid grey whose level is the index; `onTick` may steer the test.
class CSyntheticSource : public CCapVideoPump {
public:
    explicit CSyntheticSource(CTickClock* clock)
        : CCapVideoPump({"CSyntheticSource::CapTick Fail!!", "CSyntheticSource::Stop()"},
                        ConvertFailure::EndVideo),
          clock_(clock) {}
    ~CSyntheticSource() override { StopThreads(); }

    bool CaptureFrame(bool, int64_t pts) override {
        if (clock_) clock_->AdoptCurrentThread();
        if (onTick && !onTick(*this, pts)) return false;
        auto frame = std::make_shared<CTestFrame>();
        frame->pts = pts;
        frame->width = pts < sizeChangeAt ? 64 : 32;
        frame->height = pts < sizeChangeAt ? 48 : 32;
        frame->pixels.assign(static_cast<size_t>(frame->width) * frame->height * 4,
                             static_cast<uint8_t>(pts));
        RunSnapshotStep(frame->pixels.data(), frame->width, frame->height, frame->width * 4,
                        AV_PIX_FMT_BGRA);
        QueueFrame(frame);
        std::lock_guard<std::mutex> lock(lock_);
        indices_.push_back(pts);
        maxQueued_ = std::max(maxQueued_, QueuedFrames());
        return true;
    }

    std::vector<int64_t> Indices() { std::lock_guard<std::mutex> lock(lock_); return indices_; }
    size_t MaxQueued() { std::lock_guard<std::mutex> lock(lock_); return maxQueued_; }

    std::function<bool(CSyntheticSource&, int64_t)> onTick;  // set before Init
    int64_t sizeChangeAt = INT64_MAX;

private:
    CTickClock* clock_;
    std::mutex lock_;
    std::vector<int64_t> indices_;
    size_t maxQueued_ = 0;
};

struct Harness {
    explicit Harness(bool testClock = true) {
        if (testClock) clock = std::make_unique<CTickClock>();
        source = std::make_shared<CSyntheticSource>(clock.get());
        source->SetCallback(callback);
    }
    bool Init(int fps = 25) {
        return source->Init(CaptureSourceInfo(), fps, 64, 48, AV_PIX_FMT_YUV420P, true, output);
    }
    std::unique_ptr<CTickClock> clock;
    std::shared_ptr<CRecordingOutput> output = std::make_shared<CRecordingOutput>();
    std::shared_ptr<CRecordingCallback> callback = std::make_shared<CRecordingCallback>();
    std::shared_ptr<CSyntheticSource> source;
};

std::vector<int64_t> Range(int64_t from, int64_t to) {
    std::vector<int64_t> out;
    for (int64_t i = from; i <= to; ++i) out.push_back(i);
    return out;
}

TEST(VideoPump, FrameRateBounds) {
    struct Case {
        int fps;
        bool ok;
    } cases[] = {{0, false}, {1, true}, {60, true}, {61, false}, {-5, false}};
    for (const Case& c : cases) {
        Harness h;
        EXPECT_EQ(h.Init(c.fps), c.ok) << c.fps;
        h.source->Stop();
    }
}

TEST(VideoPump, InitFlagZeroFailsAtOnce) {
    Harness h;
    CaptureSourceInfo source;
    source.init = 0;
    EXPECT_FALSE(h.source->Init(source, 30, 64, 48, AV_PIX_FMT_YUV420P, true, h.output));
}

TEST(VideoPump, NeverResumedCapturesNothingAndStopEndsTheStreamOnce) {
    Harness h;
    ASSERT_TRUE(h.Init());
    EXPECT_TRUE(h.source->IsPaused());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    h.source->Stop();
    EXPECT_TRUE(h.source->Indices().empty());
    EXPECT_EQ(h.output->FrameCount(), 0u);
    EXPECT_EQ(h.output->Nulls(), 1);
    EXPECT_EQ(h.callback->Errors(), 1);
    EXPECT_EQ(h.callback->LastSource(), h.source.get());
    h.source->Stop();  // a second stop finds nothing to do
    EXPECT_EQ(h.output->Nulls(), 1);
    EXPECT_EQ(h.callback->Errors(), 1);
}

TEST(VideoPump, IndicesContinueAfterAPause) {
    Harness h;
    LONGLONG pausedAt = 0;
    h.source->onTick = [&](CSyntheticSource& s, int64_t pts) {
        if (pts == 5) {
            s.Pause(true);
            pausedAt = h.clock->NowNanoseconds();
        }
        if (pts == 8) s.Pause(true);
        return true;
    };
    ASSERT_TRUE(h.Init(25));
    h.source->Pause(false);
    // Ten seconds of the clock pass in the pause.
    ASSERT_TRUE(WaitFor([&] {
        return h.source->Indices().size() == 6 &&
               h.clock->NowNanoseconds() - pausedAt > 10'000'000'000LL;
    }));
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.source->Indices().size() == 9 && h.source->IsPaused(); }));
    h.source->Stop();
    EXPECT_EQ(h.source->Indices(), Range(0, 8));
}

TEST(VideoPump, ASlowCaptureMakesTheNextIndexJump) {
    Harness h;
    h.source->onTick = [&](CSyntheticSource& s, int64_t pts) {
        if (pts == 3) h.clock->Advance(100'000'000);  // 2.5 intervals at 25 fps
        if (pts >= 8) s.Pause(true);
        return true;
    };
    ASSERT_TRUE(h.Init(25));
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.source->IsPaused(); }));
    h.source->Stop();
    EXPECT_EQ(h.source->Indices(), (std::vector<int64_t>{0, 1, 2, 3, 5, 6, 7, 8}));
}

TEST(VideoPump, StalledEncoderKeepsTheNewestElevenFrames) {
    Harness h;
    h.source->onTick = [&](CSyntheticSource& s, int64_t pts) {
        // Let the encode thread take frame 0 and stall on it before going on.
        if (pts == 1) {
            EXPECT_TRUE(WaitFor([&] { return h.output->FrameCount() == 1; }));
        }
        if (pts == 40) s.Pause(true);
        return true;
    };
    h.output->Close();
    ASSERT_TRUE(h.Init(25));
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.source->Indices().size() == 41; }));
    EXPECT_LE(h.source->MaxQueued(), 11u);
    EXPECT_EQ(h.source->QueuedFrames(), 11u);
    h.output->Open();
    ASSERT_TRUE(WaitFor([&] { return h.output->FrameCount() == 12; }));
    h.source->Stop();
    std::vector<int64_t> expected{0};
    for (int64_t i = 30; i <= 40; ++i) expected.push_back(i);
    EXPECT_EQ(h.output->Pts(), expected);
}

TEST(VideoPump, ConverterFollowsTheFrameSize) {
    Harness h;
    h.source->sizeChangeAt = 3;
    h.source->onTick = [&](CSyntheticSource& s, int64_t pts) {
        // One frame at a time, so none is dropped.
        const bool caughtUp =
            WaitFor([&] { return h.output->FrameCount() == static_cast<size_t>(pts); });
        EXPECT_TRUE(caughtUp);
        if (pts == 6) s.Pause(true);
        return true;
    };
    ASSERT_TRUE(h.Init(25));
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.output->FrameCount() == 7; }));
    h.source->Stop();
    for (const auto& frame : h.output->Frames()) {
        EXPECT_EQ(frame.width, 64);
        EXPECT_EQ(frame.height, 48);
        EXPECT_EQ(frame.format, AV_PIX_FMT_YUV420P);
    }
    EXPECT_EQ(h.output->Pts(), Range(0, 6));
}

TEST(VideoPump, FailuresEndTheStreamOnce) {
    enum class Failure { Capture, Output };
    for (Failure failure : {Failure::Capture, Failure::Output}) {
        CLogCatcher log;
        Harness h;
        h.source->onTick = [&](CSyntheticSource&, int64_t pts) {
            return !(failure == Failure::Capture && pts == 3);
        };
        if (failure == Failure::Output) h.output->RefuseFrames();
        ASSERT_TRUE(h.Init(25));
        h.source->Pause(false);
        ASSERT_TRUE(WaitFor([&] { return h.callback->Errors() == 1; }));
        EXPECT_EQ(h.output->Nulls(), 1);
        h.source->Stop();
        EXPECT_EQ(h.output->Nulls(), 1);
        EXPECT_EQ(h.callback->Errors(), 1);
        EXPECT_TRUE(CLogCatcher::Contains(failure == Failure::Capture
                                              ? "CSyntheticSource::CapTick Fail!!"
                                              : "encoder out fail!!!!"));
        if (failure == Failure::Capture) {
            EXPECT_EQ(h.source->Indices(), Range(0, 2));
        }
    }
}

class SnapshotRequests : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zovi-snap-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string PathOf(const std::string& name) { return (folder_ / name).string(); }
    static bool IsPng(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        char magic[8] = {};
        file.read(magic, 8);
        return file && std::string(magic + 1, 3) == "PNG";
    }
    std::filesystem::path folder_;
};

TEST_F(SnapshotRequests, WaitWhilePausedAndAreWrittenOnResume) {
    Harness h;
    h.source->onTick = [&](CSyntheticSource& s, int64_t pts) {
        if (pts == 2) s.Pause(true);
        return true;
    };
    ASSERT_TRUE(h.Init(25));
    ASSERT_TRUE(h.source->TakeSnapshot(PathOf("paused.png"), nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(h.callback->Snapshots().empty());
    EXPECT_FALSE(std::filesystem::exists(PathOf("paused.png")));
    EXPECT_TRUE(h.source->IsSnapshotPending());
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.callback->Snapshots().size() == 1; }));
    h.source->Stop();
    EXPECT_EQ(h.callback->Snapshots()[0], std::make_pair(PathOf("paused.png"), true));
    EXPECT_TRUE(IsPng(PathOf("paused.png")));
    EXPECT_FALSE(h.source->IsSnapshotPending());
}

TEST_F(SnapshotRequests, RapidRequestsAreEachServedOnce) {
    Harness h;
    // A request made while a snapshot is being reported waits for the next frame.
    h.callback->onSnapshot = [&](const std::string& path) {
        if (path == PathOf("first.png")) h.source->TakeSnapshot(PathOf("during.png"), nullptr);
    };
    h.source->onTick = [&](CSyntheticSource& s, int64_t pts) {
        if (pts == 6) s.Pause(true);
        return true;
    };
    ASSERT_TRUE(h.Init(25));
    h.source->TakeSnapshot(PathOf("first.png"), nullptr);
    h.source->TakeSnapshot(PathOf("second.png"), nullptr);
    h.source->Pause(false);
    ASSERT_TRUE(WaitFor([&] { return h.source->IsPaused(); }));
    h.source->Stop();
    const auto snapshots = h.callback->Snapshots();
    ASSERT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(snapshots[0].first, PathOf("first.png"));
    EXPECT_EQ(snapshots[1].first, PathOf("second.png"));
    EXPECT_EQ(snapshots[2].first, PathOf("during.png"));
    for (const auto& [path, ok] : snapshots) {
        EXPECT_TRUE(ok) << path;
        EXPECT_TRUE(IsPng(path)) << path;
    }
}

TEST(VideoPump, RealClockPacesFramesInOrder) {
    Harness h(/*testClock=*/false);
    ASSERT_TRUE(h.Init(30));
    h.source->Pause(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    h.source->Pause(true);
    h.source->Stop();
    const std::vector<int64_t> indices = h.source->Indices();
    // Loose bounds: a loaded machine may be slow, never faster than the clock.
    EXPECT_GE(indices.size(), 5u);
    EXPECT_LE(indices.size(), 40u);
    for (size_t i = 1; i < indices.size(); ++i) EXPECT_GT(indices[i], indices[i - 1]);
    if (!indices.empty()) {
        EXPECT_LE(indices.back(), 40);
    }
}

}  // namespace
}  // namespace zovi::engine
