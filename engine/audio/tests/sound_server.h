// Test helpers for the test sound server: tones played into its sinks, a sink for the
// mixer's blocks, waiting with a generous limit, and pactl for changing the server
// (unplugging the microphone stand-in).
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/audio_output.h"
#include "engine/audio/tests/tone.h"
#include "platform/process/process.h"
#include "platform/sound/playback_stream.h"

namespace zovi::engine::testing {

inline std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}
inline std::string SpeakerSink() { return Env("ZOVI_SPEAKER_SINK", "zovi_speakers"); }
inline std::string MicSink() { return Env("ZOVI_MIC_SINK", "zovi_mic_in"); }
inline std::string MicSource() { return Env("ZOVI_MIC_SOURCE", "zovi_mic"); }

// Plays a mono sine at 48 kHz into `sink`; `frequency` is read for every 10 ms chunk
// (0 plays silence), so a test can change the tone while it plays.
class CTonePlayer {
public:
    bool Start(const std::string& sink, double frequency, double amplitude) {
        frequency_ = frequency;
        return player_.Start(sink, 48000, 1, [this, amplitude](float* samples, int frames, long long first) {
            const double now = frequency_.load();
            for (int i = 0; i < frames; ++i)
                samples[i] = static_cast<float>(
                    amplitude * std::sin(2 * std::numbers::pi * now * double(first + i) / 48000));
        });
    }
    void SetFrequency(double frequency) { frequency_ = frequency; }
    void Stop() { player_.Stop(); }

private:
    std::atomic<double> frequency_{0};
    platform::CSoundPlayer player_;
};

// Keeps every block the mixer emits (the first two channels).
class CBlockRecorder : public IAudioOutput {
public:
    struct Block {
        int64_t runningCount;
        std::vector<float> left, right;
    };
    bool OnAudioFrame(float** planes, int frames, int64_t runningCount) override {
        std::lock_guard lock(mutex_);
        blocks_.push_back({runningCount, std::vector<float>(planes[0], planes[0] + frames),
                           std::vector<float>(planes[1], planes[1] + frames)});
        return true;
    }
    size_t Count() {
        std::lock_guard lock(mutex_);
        return blocks_.size();
    }
    std::vector<Block> Since(size_t first) {
        std::lock_guard lock(mutex_);
        return {blocks_.begin() + std::min(first, blocks_.size()), blocks_.end()};
    }
    // Waits up to `seconds` for `count` more blocks and returns them.
    std::vector<Block> Next(size_t count, double seconds = 30) {
        const size_t from = Count();
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (Count() < from + count && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto blocks = Since(from);
        if (blocks.size() > count) blocks.resize(count);
        return blocks;
    }

private:
    std::mutex mutex_;
    std::vector<Block> blocks_;
};

// The tone's amplitude in each block, averaged over `blocks` (left channel).
inline double MeanBlockAmplitude(const std::vector<CBlockRecorder::Block>& blocks, double frequency,
                                 int rate) {
    double sum = 0;
    for (const auto& block : blocks) sum += AmplitudeAt(block.left, frequency, rate);
    return blocks.empty() ? 0 : sum / blocks.size();
}

// The tone's amplitude in a typical block of `blocks` (the median, left channel): a few
// blocks that a busy machine left part empty do not move it.
inline double TypicalBlockAmplitude(const std::vector<CBlockRecorder::Block>& blocks, double frequency,
                                    int rate) {
    std::vector<double> amplitudes;
    for (const auto& block : blocks) amplitudes.push_back(AmplitudeAt(block.left, frequency, rate));
    if (amplitudes.empty()) return 0;
    std::nth_element(amplitudes.begin(), amplitudes.begin() + amplitudes.size() / 2, amplitudes.end());
    return amplitudes[amplitudes.size() / 2];
}

// Waits (a fresh server may hold back its first sound) until half a second of blocks
// carries every one of `frequencies` at `amplitude` or more.
inline bool WaitForTones(CBlockRecorder& recorder, const std::vector<double>& frequencies,
                         double amplitude, int rate) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until) {
        const auto blocks = recorder.Next(rate / 2048);
        bool all = true;
        for (double frequency : frequencies)
            all = all && MeanBlockAmplitude(blocks, frequency, rate) >= amplitude;
        if (all) return true;
    }
    return false;
}

// Polls `done` for up to `seconds` of real time.
inline bool WaitUntil(const std::function<bool()>& done, double seconds = 30) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Runs a program to its end; true when it succeeded. `out` receives its output.
inline bool Run(const std::vector<std::string>& argv, std::string* out = nullptr) {
    auto child = platform::ChildProcess::Start(argv, {.pipeStdout = true});
    if (!child) return false;
    char buffer[4096];
    ssize_t got;
    while ((got = read(child->StdoutFd(), buffer, sizeof(buffer))) > 0)
        if (out) out->append(buffer, got);
    return child->Wait(30000) && child->ExitCode() == 0;
}

// Unloads the microphone's module; puts an equal one back when it ends.
class CMicrophoneRemoval {
public:
    CMicrophoneRemoval() = default;
    CMicrophoneRemoval(const CMicrophoneRemoval&) = delete;
    CMicrophoneRemoval& operator=(const CMicrophoneRemoval&) = delete;
    bool Remove() {
        std::string list;
        if (!Run({"/usr/bin/pactl", "list", "short", "modules"}, &list)) return false;
        std::istringstream modules(list);
        std::string line;
        while (std::getline(modules, line)) {
            if (line.find("module-remap-source") == std::string::npos ||
                line.find("source_name=" + MicSource()) == std::string::npos)
                continue;
            const std::string index = line.substr(0, line.find('\t'));
            removed_ = Run({"/usr/bin/pactl", "unload-module", index});
            return removed_;
        }
        return false;
    }
    ~CMicrophoneRemoval() {
        if (!removed_) return;
        Run({"/usr/bin/pactl", "load-module", "module-remap-source",
             "master=" + MicSink() + ".monitor", "source_name=" + MicSource(),
             "source_properties=device.description=Microphone"});
        Run({"/usr/bin/pactl", "set-default-source", MicSource()});
    }

private:
    bool removed_ = false;
};

}  // namespace zovi::engine::testing
