// Helpers of the player tests: a listener that keeps what it hears, a window of ours
// to play into with its pixels read back, and a recorder of the test sound server's
// default sink monitor.
#pragma once
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/tests/sound_server.h"
#include "engine/audio/tests/tone.h"
#include "engine/player/player_interfaces.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"
#include "platform/sound/capture_stream.h"
#include "platform/sound/sound_event.h"
#include "platform/window/window.h"

namespace zovi::engine::testing {

class CListener : public IFFStreamFileNotify {
public:
    void OnState(int state) override {
        std::lock_guard guard(lock_);
        states_.push_back(state);
    }
    void OnDuration(int64_t ms) override {
        std::lock_guard guard(lock_);
        durations_.push_back(ms);
    }
    void OnPosition(int64_t ms) override {
        std::lock_guard guard(lock_);
        positions_.push_back(ms);
    }
    std::vector<int> States() {
        std::lock_guard guard(lock_);
        return states_;
    }
    std::vector<int64_t> Durations() {
        std::lock_guard guard(lock_);
        return durations_;
    }
    std::vector<int64_t> Positions(size_t from = 0) {
        std::lock_guard guard(lock_);
        return {positions_.begin() + std::min(from, positions_.size()), positions_.end()};
    }
    size_t PositionCount() {
        std::lock_guard guard(lock_);
        return positions_.size();
    }
    int64_t LastPosition() {
        std::lock_guard guard(lock_);
        return positions_.empty() ? -1 : positions_.back();
    }

private:
    std::mutex lock_;
    std::vector<int> states_;
    std::vector<int64_t> durations_, positions_;
};

// A 720 x 480 pop-up window of ours at the screen's corner: a 4:3 picture leaves
// black bars of 40 pixels at its sides.
class CTestWindow {
public:
    CTestWindow() {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcW;
            wc.lpszClassName = L"ZoviPlayerTest";
            return RegisterClassExW(&wc) != 0;
        }();
        if (!registered) return;
        hwnd_ = CreateWindowExW(0, L"ZoviPlayerTest", L"player", WS_POPUP, 0, 0, 720, 480, 0, nullptr, nullptr,
                                nullptr);
        if (hwnd_) ShowWindow(hwnd_, SW_SHOWNORMAL);
        connection_ = platform::CScreenConnection::Open();
    }
    ~CTestWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    HWND Handle() const { return hwnd_; }
    std::shared_ptr<platform::CDibSection> Grab() {
        return connection_ ? platform::GrabWindow(*connection_, hwnd_) : nullptr;
    }
    uint32_t CentrePixel() {
        const auto picture = Grab();
        return picture ? picture->PixelAt(picture->Width() / 2, picture->Height() / 2) : 0;
    }
    // Keeps the window's picture under the tests' folder for a look.
    void Save(const std::string& name) {
        const auto picture = Grab();
        ASSERT_TRUE(picture);
        const auto folder = std::filesystem::path(ZOVI_TEST_BIN_DIR) / "artefacts";
        std::filesystem::create_directories(folder);
        const auto path = folder / (name + ".png");
        EXPECT_EQ(cairo_surface_write_to_png(picture->Surface(), path.c_str()), CAIRO_STATUS_SUCCESS);
    }

private:
    HWND hwnd_ = 0;
    std::unique_ptr<platform::CScreenConnection> connection_;
};

// Records the default sink's monitor (the first channel) on a thread of its own.
class CMonitorRecorder {
public:
    CMonitorRecorder() {
        if (!stream_.Open("", true, 200) || !stream_.Start()) return;
        rate_ = stream_.SampleRate();
        thread_ = std::thread([this] { Record(); });
    }
    ~CMonitorRecorder() {
        stopping_ = true;
        stop_.Set();
        if (thread_.joinable()) thread_.join();
        stream_.Stop();
    }
    bool IsRecording() const { return thread_.joinable(); }
    size_t Count() {
        std::lock_guard guard(lock_);
        return samples_.size();
    }
    // The next `ms` of sound (waiting up to 20 s for it).
    std::vector<float> Next(int ms) {
        const size_t from = Count(), wanted = size_t(rate_) * ms / 1000;
        WaitUntil([&] { return Count() >= from + wanted; }, 20);
        std::lock_guard guard(lock_);
        const size_t end = std::min(samples_.size(), from + wanted);
        return {samples_.begin() + from, samples_.begin() + end};
    }
    double ToneIn(const std::vector<float>& samples) const { return AmplitudeAt(samples, 1000, rate_); }
    // Waits until 100 ms of sound carry the 1 kHz tone at `amplitude` or more.
    bool WaitForTone(double amplitude) {
        return WaitUntil([&] { return ToneIn(Next(100)) >= amplitude; }, 20);
    }

private:
    void Record() {
        while (!stopping_) {
            if (stream_.WaitForData(&stop_, 100) != 0) continue;
            UINT frames = 0;
            if (!stream_.GetNextPacketSize(&frames)) return;
            while (frames) {
                const float* data = nullptr;
                UINT got = 0;
                if (!stream_.GetBuffer(&data, &got) || got == 0) break;
                {
                    std::lock_guard guard(lock_);
                    for (UINT i = 0; i < got; ++i) samples_.push_back(data[i * stream_.Channels()]);
                }
                stream_.ReleaseBuffer();
                if (!stream_.GetNextPacketSize(&frames)) return;
            }
        }
    }

    platform::CSoundCaptureStream stream_;
    platform::CSoundEvent stop_{true};
    std::atomic<bool> stopping_{false};
    int rate_ = 48000;
    std::mutex lock_;
    std::vector<float> samples_;
    std::thread thread_;
};

}  // namespace zovi::engine::testing
