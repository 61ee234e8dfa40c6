// zovi_test_tone [sink]: plays a 1 kHz tone (amplitude 0.5) into the sink while the last
// byte read from standard input was '1', silence while it was '0'; ends at end of input.
// Run as a child process, so the tests' own process holds no playback connection.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/sound/playback_stream.h"

int main(int argc, char** argv) {
    constexpr int kRate = 48000;
    const double step = 2 * M_PI * 1000.0 / kRate;
    std::atomic<bool> on{false};
    zovi::platform::CSoundPlayer player;
    if (!player.Start(argc > 1 ? argv[1] : "", kRate, 2,
                      [&](float* samples, int frames, long long first) {
                          const bool tone = on;
                          for (int i = 0; i < frames; ++i) {
                              const float v =
                                  tone ? 0.5f * static_cast<float>(std::sin(step * (first + i)))
                                       : 0.0f;
                              samples[2 * i] = samples[2 * i + 1] = v;
                          }
                      })) {
        std::fprintf(stderr, "zovi_test_tone: no sound server\n");
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int c; (c = std::getchar()) != EOF;) {
        if (c == '1') on = true;
        if (c == '0') on = false;
    }
    player.Stop();
    return 0;
}
