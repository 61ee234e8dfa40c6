#include "engine/capture/tests/support/tone_player.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace zovi::test {

void WaitForSoundServerToSettle(double seconds) {
    // The server's pid file is written when it starts.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime) return;
    std::error_code error;
    const auto started =
        std::filesystem::last_write_time(std::filesystem::path(runtime) / "pulse" / "pid", error);
    if (error) return;
    const auto age = std::filesystem::file_time_type::clock::now() - started;
    const auto wanted = std::chrono::duration<double>(seconds);
    if (age < wanted)
        std::this_thread::sleep_for(
            std::chrono::duration_cast<std::chrono::milliseconds>(wanted - age));
}

CTonePlayer::CTonePlayer(const std::string& sink, double frequency, float amplitude) {
    constexpr int kRate = 48000;
    const double step = 2 * M_PI * frequency / kRate;
    running_ = player_.Start(sink, kRate, 2, [this, step, amplitude](float* samples, int frames,
                                                                     long long first) {
        const bool on = on_;
        for (int i = 0; i < frames; ++i) {
            const float v = on ? amplitude * static_cast<float>(std::sin(step * (first + i))) : 0.0f;
            samples[2 * i] = samples[2 * i + 1] = v;
        }
    });
}

}  // namespace zovi::test
