// Plays generated sound into a sink on a thread of its own (packed 32-bit float), for
// sound tests and benchmarks that need a known signal on a device.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace zovi::platform {

class CSoundPlayer {
public:
    // Fills `frames` interleaved frames at `samples`; `firstFrame` counts from 0.
    using Generator = std::function<void(float* samples, int frames, long long firstFrame)>;

    CSoundPlayer();
    ~CSoundPlayer();
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Starts playing into `sink` (empty: the default sink). False when the server or
    // sink cannot be had.
    bool Start(const std::string& sink, int rate, int channels, Generator generator);
    void Stop();
    // Frames written to the server so far.
    long long FramesWritten() const { return written_.load(); }

private:
    struct State;
    std::unique_ptr<State> state_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> written_{0};
    std::thread thread_;
};

}  // namespace zovi::platform
