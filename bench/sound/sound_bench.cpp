// Sound benchmark, run under a private sound server (bench/sound.sh):
//  - CPU: one stereo 48 kHz microphone captured, noise-filtered and mixed while noise
//    plays into it, as a percentage of one core over ten seconds (also reported: the
//    playback sound alone, and both devices together);
//  - latency: from a tone burst being handed to the default sink to the first mixed
//    block that carries it, the median of several bursts.
// Last line: "sound: cpu_pct=<n> latency_ms=<n>".
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/samplefmt.h>
}

#include "engine/audio/audio_io_core.h"
#include "engine/audio/tests/tone.h"
#include "platform/process/process.h"
#include "platform/sound/playback_stream.h"

namespace {

using namespace zovi;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
constexpr double kToneHz = 1000;

class CNullOutput : public engine::IAudioOutput {
public:
    bool OnAudioFrame(float**, int, int64_t) override { return true; }
};

// `loopback`/`microphone`: the devices to record (the microphone with the noise filter).
double CpuPercent(bool loopback, bool microphone) {
    std::vector<std::unique_ptr<platform::ChildProcess>> players;
    for (const char* sink : {"zovi_speakers", "zovi_mic_in"}) {
        players.push_back(platform::ChildProcess::Start(
            {"/usr/bin/pacat", "--playback", "-d", sink, "--format=s16le", "--rate=48000",
             "--channels=2", "--latency-msec=20", "/dev/urandom"},
            {}));
        if (!players.back()) return -1;
    }
    auto output = std::make_shared<CNullOutput>();
    auto core = std::make_shared<engine::CAudioIOCore>(2, AV_SAMPLE_FMT_FLTP, kRate, output);
    if (loopback) core->AddLoopbackDevice(L"");
    if (microphone) core->AddInputDevice(L"", true);
    core->Start();
    core->SetPause(false);
    std::this_thread::sleep_for(std::chrono::seconds(1));  // settle
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    core->Stop();
    for (auto& player : players) {
        player->Kill(15);
        player->Wait(5000);
    }
    return 100.0 * cpu / wall;
}

class CToneDetector : public engine::IAudioOutput {
public:
    bool OnAudioFrame(float** planes, int frames, int64_t) override {
        if (engine::testing::AmplitudeAt(planes[0], frames, kToneHz, kRate) > 0.1) {
            std::lock_guard lock(mutex_);
            if (!seen_) seenAt_ = Clock::now();
            seen_ = true;
        }
        return true;
    }
    void Arm() {
        std::lock_guard lock(mutex_);
        seen_ = false;
    }
    bool Seen(Clock::time_point* at) {
        std::lock_guard lock(mutex_);
        *at = seenAt_;
        return seen_;
    }

private:
    std::mutex mutex_;
    bool seen_ = true;
    Clock::time_point seenAt_;
};

double LatencyMs() {
    std::atomic<bool> toneOn{false};
    std::mutex sentLock;
    Clock::time_point sentAt;
    bool sent = false;
    platform::CSoundPlayer player;
    if (!player.Start("", kRate, 2, [&](float* samples, int frames, long long first) {
            const bool on = toneOn.load();
            for (int i = 0; i < frames; ++i) {
                const float value = on ? static_cast<float>(0.5 * std::sin(2 * std::numbers::pi *
                                                                           kToneHz * double(first + i) / kRate))
                                       : 0.0f;
                samples[2 * i] = samples[2 * i + 1] = value;
            }
            std::lock_guard lock(sentLock);
            if (on && !sent) {
                sent = true;
                sentAt = Clock::now();
            }
        }))
        return -1;
    auto detector = std::make_shared<CToneDetector>();
    auto core = std::make_shared<engine::CAudioIOCore>(2, AV_SAMPLE_FMT_FLTP, kRate, detector);
    core->AddLoopbackDevice(L"");
    core->Start();
    core->SetPause(false);
    std::this_thread::sleep_for(std::chrono::seconds(2));  // let the server settle
    std::vector<double> latencies;
    for (int burst = 0; burst < 10; ++burst) {
        detector->Arm();
        {
            std::lock_guard lock(sentLock);
            sent = false;
        }
        toneOn = true;
        Clock::time_point seenAt;
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (!detector->Seen(&seenAt) && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        toneOn = false;
        std::lock_guard lock(sentLock);
        if (sent && detector->Seen(&seenAt))
            latencies.push_back(std::chrono::duration<double, std::milli>(seenAt - sentAt).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    core->Stop();
    player.Stop();
    if (latencies.empty()) return -1;
    std::sort(latencies.begin(), latencies.end());
    return latencies[latencies.size() / 2];
}

}  // namespace

int main() {
    av_log_set_level(AV_LOG_QUIET);
    std::printf("sound: playback sound alone cpu_pct=%.2f\n", CpuPercent(true, false));
    std::printf("sound: both devices cpu_pct=%.2f\n", CpuPercent(true, true));
    const double cpu = CpuPercent(false, true);
    const double latency = LatencyMs();
    std::printf("sound: cpu_pct=%.2f latency_ms=%.1f\n", cpu, latency);
    return cpu >= 0 && latency >= 0 ? 0 : 1;
}
