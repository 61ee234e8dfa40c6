// Proves that the servers the test suite needs are up: the private X server answers
// with a full-size root image, and the private sound server carries a tone played into
// the default sink to its monitor.
#include <gtest/gtest.h>
// Xlib after GoogleTest: Xlib defines None and Bool as macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 48000;

TEST(HarnessTest, XServerGivesARootWindowImage) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display (is DISPLAY set by the harness?)";
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(display, root, &attributes));
    EXPECT_EQ(attributes.width, 1920);
    EXPECT_EQ(attributes.height, 1080);
    XImage* image = XGetImage(display, root, 0, 0, attributes.width, attributes.height,
                              AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 1920);
    EXPECT_EQ(image->bits_per_pixel, 32);
    XDestroyImage(image);
    XCloseDisplay(display);
}

// Power of `samples` at `frequency` (Goertzel), normalised by the sample count.
double PowerAt(const std::vector<float>& samples, double frequency) {
    double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / kRate);
    double previous = 0, beforePrevious = 0;
    for (float sample : samples) {
        double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    double power = previous * previous + beforePrevious * beforePrevious -
                   coefficient * previous * beforePrevious;
    return power / (samples.size() * samples.size());
}

TEST(HarnessTest, ToneInTheDefaultSinkReachesItsMonitor) {
    const pa_sample_spec sampleSpec{PA_SAMPLE_FLOAT32LE, kRate, 1};
    int error = 0;
    pa_simple* recorder = pa_simple_new(nullptr, "harness-test", PA_STREAM_RECORD,
                                        "@DEFAULT_MONITOR@", "record", &sampleSpec, nullptr,
                                        nullptr, &error);
    ASSERT_NE(recorder, nullptr) << pa_strerror(error);
    pa_simple* player = pa_simple_new(nullptr, "harness-test", PA_STREAM_PLAYBACK, nullptr,
                                      "tone", &sampleSpec, nullptr, nullptr, &error);
    ASSERT_NE(player, nullptr) << pa_strerror(error);

    std::atomic<bool> playing{true};
    std::thread tone([&] {
        std::vector<float> block(kRate / 50);
        long n = 0;
        while (playing) {
            for (float& sample : block)
                sample = 0.5f * std::sin(2 * std::numbers::pi * 1000.0 * n++ / kRate);
            int playError = 0;
            if (pa_simple_write(player, block.data(), block.size() * sizeof(float),
                                &playError) < 0)
                break;
        }
    });

    // Skip the first 0.2 s (the stream settling), then keep 0.5 s.
    std::vector<float> skipped(kRate / 5), recorded(kRate / 2);
    bool readOk = pa_simple_read(recorder, skipped.data(), skipped.size() * sizeof(float),
                                 &error) == 0 &&
                  pa_simple_read(recorder, recorded.data(), recorded.size() * sizeof(float),
                                 &error) == 0;
    playing = false;
    tone.join();
    pa_simple_free(player);
    pa_simple_free(recorder);
    ASSERT_TRUE(readOk) << pa_strerror(error);

    double atTone = PowerAt(recorded, 1000.0);
    double offTone = PowerAt(recorded, 1500.0);
    EXPECT_GT(atTone, 0.01) << "the tone did not reach the monitor";
    EXPECT_GT(atTone, 1000 * offTone) << "the monitor signal is not the tone";
}

}  // namespace
