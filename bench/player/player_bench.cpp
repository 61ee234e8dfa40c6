// Plays a media file into a 1280 x 720 window of ours to its end and measures: the CPU
// share of one core while playing, the picture clock's lead over the sound clock over
// the last five seconds, and the time from a paused seek to its picture.
// Usage: zovi_player_bench FILE. Prints "cpu_pct=<n> av_drift_ms=<n> seek_ms=<n>".
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/player/stream_player.h"
#include "engine/util/clock_ns.h"
#include "platform/base/clock.h"
#include "platform/base/utf8.h"
#include "platform/window/window.h"

namespace {

using namespace zovi::engine;

class CEndWatcher : public IFFStreamFileNotify {
public:
    void OnState(int state) override { paused_ = state == kPlayerStatePaused; }
    void OnDuration(int64_t ms) override { duration_ = ms; }
    void OnPosition(int64_t ms) override { position_ = ms; }
    std::atomic<bool> paused_{true};
    std::atomic<int64_t> duration_{0}, position_{0};
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zovi_player_bench FILE\n");
        return 2;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"ZoviPlayerBench";
    RegisterClassExW(&wc);
    const HWND window = CreateWindowExW(0, L"ZoviPlayerBench", L"player", WS_POPUP, 0, 0, 1280, 720, 0, nullptr,
                                        nullptr, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNORMAL);

    auto watcher = std::make_shared<CEndWatcher>();
    auto player = std::make_shared<CFFStreamPlayer>(2, 1, 44100, 0, window, watcher);
    if (!player->Open(zovi::platform::Utf8ToWide(argv[1]))) return 1;
    const auto video = player->VideoRenderer();
    const auto audio = player->AudioRenderer();
    if (!video || !audio) return 1;

    const double cpuStart = CpuSeconds();
    const uint64_t wallStart = GetClockNs();
    player->Pause(false);
    std::vector<double> drifts, earlyDrifts;
    while (!watcher->paused_) {
        Sleep(100);
        const int64_t sound = audio->PositionAfter(audio->BytesPlayed());
        if (audio->ClockBase() < 0) continue;
        const double lead = double(video->ClockAt(GetClockNs()) - sound);
        if (sound >= watcher->duration_ - 5000) drifts.push_back(lead);
        if (sound >= 1000 && sound < 6000) earlyDrifts.push_back(lead);
    }
    const double wallSeconds = (GetClockNs() - wallStart) / 1e9;
    const double cpuPct = (CpuSeconds() - cpuStart) / wallSeconds * 100;
    double drift = 0;
    for (double d : drifts) drift += d;
    drift = drifts.empty() ? NAN : drift / drifts.size();

    // Paused seeks show one picture each: the time until it is drawn.
    std::vector<double> seekTimes;
    for (int target = 10'000; target + 5'000 < watcher->duration_; target += 10'000) {
        const uint64_t drawn = video->DrawnCount();
        const uint64_t start = GetClockNs();
        player->Seek(target, false);
        while (video->DrawnCount() == drawn && GetClockNs() - start < 5'000'000'000ull) Sleep(1);
        seekTimes.push_back((GetClockNs() - start) / 1e6);
    }
    std::sort(seekTimes.begin(), seekTimes.end());
    const double seekMs = seekTimes.empty() ? NAN : seekTimes[seekTimes.size() / 2];
    player->Close();
    DestroyWindow(window);
    double early = 0;
    for (double d : earlyDrifts) early += d;
    // How much of the drift was there from the start (on stderr, for a look).
    std::fprintf(stderr, "picture lead over sound: %.0f ms in seconds 1-6, %.0f ms in the last 5 s; "
                 "pictures drawn %llu, dropped %llu\n",
                 earlyDrifts.empty() ? NAN : early / earlyDrifts.size(), drift,
                 static_cast<unsigned long long>(video->DrawnCount()),
                 static_cast<unsigned long long>(video->DroppedCount()));
    std::printf("cpu_pct=%.1f av_drift_ms=%.0f seek_ms=%.0f\n", cpuPct, std::fabs(drift), seekMs);
    return 0;
}
