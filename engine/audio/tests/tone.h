// Test helpers: sine tones and the amplitude of one frequency in a signal.
#pragma once
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace zovi::engine::testing {

inline std::vector<float> Sine(double frequency, double amplitude, int rate, int frames,
                               long long firstFrame = 0) {
    std::vector<float> samples(frames);
    for (int i = 0; i < frames; ++i)
        samples[i] = static_cast<float>(
            amplitude * std::sin(2 * std::numbers::pi * frequency * double(firstFrame + i) / rate));
    return samples;
}

// Amplitude of the sine at `frequency` in `samples` (Goertzel): about the sine's peak
// for a whole number of periods, about 0 for other tones far enough away.
inline double AmplitudeAt(const float* samples, size_t count, double frequency, int rate) {
    if (count == 0) return 0;
    const double omega = 2 * std::numbers::pi * frequency / rate;
    const double coefficient = 2 * std::cos(omega);
    double previous = 0, beforePrevious = 0;
    for (size_t i = 0; i < count; ++i) {
        const double current = samples[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    return 2 * std::sqrt(std::max(power, 0.0)) / count;
}

inline double AmplitudeAt(const std::vector<float>& samples, double frequency, int rate) {
    return AmplitudeAt(samples.data(), samples.size(), frequency, rate);
}

inline double Rms(const float* samples, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / count) : 0;
}

inline std::vector<float> WhiteNoise(double amplitude, int frames, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> samples(frames);
    for (auto& sample : samples) sample = uniform(random);
    return samples;
}

}  // namespace zovi::engine::testing
