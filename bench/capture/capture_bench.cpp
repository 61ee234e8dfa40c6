// Capture speed at 1920x1080: one frame of the plain and of the accelerated screen
// source, against a plain 8 MB memory copy, and the sustained rate of the accelerated
// source at 30 and 60 fps. Runs under a private X server (bench/capture.sh).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include "engine/video/cap_video_dxgi.h"
#include "engine/video/cap_video_gdi.h"
#include "platform/screen/screen_duplication.h"
#include "platform/screen/testing/x_test_desktop.h"

namespace {

using Clock = std::chrono::steady_clock;
using zovi::engine::CaptureSourceInfo;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double MemcpyMs() {
    const size_t bytes = 1920u * 1080u * 4u;
    std::vector<uint8_t> from(bytes, 1), to(bytes, 0);
    std::vector<double> times;
    for (int i = 0; i < 60; ++i) {
        from[i] = static_cast<uint8_t>(i);
        const auto t = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        times.push_back(Ms(Clock::now() - t));
        if (to[i] != from[i]) std::abort();
    }
    return Median(times);
}

// Counts frames and the gaps in their indices.
class CCountingOutput : public zovi::engine::IVideoOutput {
public:
    bool OnVideoFrame(AVFrame* frame) override {
        if (!frame) return true;
        std::lock_guard<std::mutex> lock(lock_);
        if (received_ == 0) first_ = frame->pts;
        last_ = frame->pts;
        ++received_;
        return true;
    }
    int64_t Dropped() {
        std::lock_guard<std::mutex> lock(lock_);
        return received_ == 0 ? 0 : (last_ - first_ + 1) - received_;
    }
    int64_t Received() {
        std::lock_guard<std::mutex> lock(lock_);
        return received_;
    }

private:
    std::mutex lock_;
    int64_t received_ = 0, first_ = 0, last_ = 0;
};

// One probe capture of a paused source: the grab and the copy into the frame bitmap.
template <typename Source>
double GrabMs(bool changeScreen) {
    auto source = std::make_shared<Source>();
    auto output = std::make_shared<CCountingOutput>();
    if (!source->Init(CaptureSourceInfo(), 30, 1920, 1080, AV_PIX_FMT_YUV420P, false, output))
        return -1;
    std::vector<double> times;
    for (int i = 0; i < 40; ++i) {
        // A small change, so the accelerated source must copy changed rows again; the
        // same pause either way, so caches start alike.
        if (changeScreen) zovi::platform::testing::FillRoot({0, 0, 16, 16}, (i & 1) ? 0xffffff : 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const auto t = Clock::now();
        if (!source->CaptureFrame(true, 0)) return -1;
        times.push_back(Ms(Clock::now() - t));
    }
    source->Stop();
    return Median(times);
}

// The server's copy of the screen into shared memory alone (the accelerated source's
// floor): a changed screen, one acquire.
double SharedMemoryCopyMs() {
    auto connection = zovi::platform::CScreenConnection::Open();
    if (!connection) return -1;
    auto duplication = zovi::platform::CScreenDuplication::Create(*connection, {RECT{0, 0, 1920, 1080}});
    if (!duplication) return -1;
    duplication->AcquireMonitor(0);
    std::vector<double> times;
    for (int i = 0; i < 40; ++i) {
        zovi::platform::testing::FillRoot({0, 0, 16, 16}, (i & 1) ? 0xffffff : 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const auto t = Clock::now();
        if (duplication->AcquireMonitor(0) != zovi::platform::CScreenDuplication::Acquire::NewImage)
            continue;
        times.push_back(Ms(Clock::now() - t));
    }
    return Median(times);
}

int64_t DroppedAt(int fps, int seconds, int64_t* received, bool changingScreen = false) {
    std::atomic<bool> drawing{changingScreen};
    std::thread painter([&] {
        for (int i = 0; drawing.load(); ++i) {
            zovi::platform::testing::FillRoot({0, 0, 64, 64}, (i & 1) ? 0xffffff : 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    auto source = std::make_shared<zovi::engine::CCapVideoMultMonitorDXGI>();
    auto output = std::make_shared<CCountingOutput>();
    if (!source->Init(CaptureSourceInfo(), fps, 1920, 1080, AV_PIX_FMT_YUV420P, true, output))
        return -1;
    source->Pause(false);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    source->Pause(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the queue drain
    source->Stop();
    drawing = false;
    painter.join();
    *received = output->Received();
    return output->Dropped();
}

}  // namespace

int main() {
    av_log_set_level(AV_LOG_ERROR);  // the sources' ordinary lines would drown the report
    const double memcpyMs = MemcpyMs();
    const double plainMs = GrabMs<zovi::engine::CCapVideoMultMonitorGDI>(false);
    const double shmMs = GrabMs<zovi::engine::CCapVideoMultMonitorDXGI>(true);
    const double unchangedMs = GrabMs<zovi::engine::CCapVideoMultMonitorDXGI>(false);
    const double serverCopyMs = SharedMemoryCopyMs();
    int64_t received30 = 0, received60 = 0;
    const int64_t dropped30 = DroppedAt(30, 5, &received30);
    const int64_t dropped60 = DroppedAt(60, 5, &received60);
    int64_t received60Changing = 0;
    const int64_t dropped60Changing = DroppedAt(60, 5, &received60Changing, true);
    std::printf("memory copy of one 1920x1080 frame (8 MB): %.3f ms\n", memcpyMs);
    std::printf("plain source, one frame: %.3f ms (%.1fx the copy)\n", plainMs, plainMs / memcpyMs);
    std::printf("accelerated source, one changed frame: %.3f ms (%.1fx the copy; goal within 3x)\n",
                shmMs, shmMs / memcpyMs);
    std::printf("  of which the X server's copy into shared memory: %.3f ms\n", serverCopyMs);
    std::printf("accelerated source, one unchanged frame: %.3f ms (%.1fx the copy)\n", unchangedMs,
                unchangedMs / memcpyMs);
    std::printf("accelerated source at 30 fps for 5 s: %lld frames, %lld dropped\n",
                static_cast<long long>(received30), static_cast<long long>(dropped30));
    std::printf("accelerated source at 60 fps for 5 s: %lld frames, %lld dropped\n",
                static_cast<long long>(received60), static_cast<long long>(dropped60));
    std::printf("accelerated source at 60 fps for 5 s, screen changing every 5 ms: %lld frames, "
                "%lld dropped\n",
                static_cast<long long>(received60Changing), static_cast<long long>(dropped60Changing));
    std::printf("capture: plain_ms=%.3f shm_ms=%.3f memcpy_ms=%.3f dropped_at_60fps=%lld\n", plainMs,
                shmMs, memcpyMs, static_cast<long long>(dropped60));
    return plainMs < 0 || shmMs < 0 || dropped60 < 0 ? 1 : 0;
}
