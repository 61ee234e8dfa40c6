// What the video source tests share: an output and a callback that record what
// they receive, a log catcher, and waiting with a generous limit.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include "engine/video/cap_video.h"

namespace zovi::engine::testing {

// Polls `done` for up to `seconds` of real time.
inline bool WaitFor(const std::function<bool()>& done, double seconds = 20) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct ReceivedFrame {
    int64_t pts;
    int width, height, format;
    std::vector<uint32_t> bgrx;  // kept for BGRA frames only
};

class CRecordingOutput : public IVideoOutput {
public:
    bool OnVideoFrame(AVFrame* frame) override {
        std::unique_lock<std::mutex> lock(lock_);
        if (!frame) {
            ++nulls_;
            return true;
        }
        ReceivedFrame received{frame->pts, frame->width, frame->height, frame->format, {}};
        if (frame->format == AV_PIX_FMT_BGRA) {
            for (int y = 0; y < frame->height; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(frame->data[0] + y * frame->linesize[0]);
                for (int x = 0; x < frame->width; ++x) received.bgrx.push_back(row[x] & 0xffffff);
            }
        }
        frames_.push_back(std::move(received));
        entered_.notify_all();
        gate_.wait(lock, [this] { return open_; });
        return accept_;
    }

    void Close() { std::lock_guard<std::mutex> lock(lock_); open_ = false; }
    void Open() { { std::lock_guard<std::mutex> lock(lock_); open_ = true; } gate_.notify_all(); }
    void RefuseFrames() { std::lock_guard<std::mutex> lock(lock_); accept_ = false; }

    size_t FrameCount() { std::lock_guard<std::mutex> lock(lock_); return frames_.size(); }
    int Nulls() { std::lock_guard<std::mutex> lock(lock_); return nulls_; }
    std::vector<ReceivedFrame> Frames() { std::lock_guard<std::mutex> lock(lock_); return frames_; }
    std::vector<int64_t> Pts() {
        std::lock_guard<std::mutex> lock(lock_);
        std::vector<int64_t> pts;
        for (const auto& f : frames_) pts.push_back(f.pts);
        return pts;
    }

private:
    std::mutex lock_;
    std::condition_variable gate_, entered_;
    bool open_ = true;
    bool accept_ = true;
    int nulls_ = 0;
    std::vector<ReceivedFrame> frames_;
};

class CRecordingCallback : public CCapVideo::ICapVideoCallback {
public:
    void OnError(std::shared_ptr<CCapVideo> source) override {
        std::lock_guard<std::mutex> lock(lock_);
        ++errors_;
        lastSource_ = source.get();
    }
    void OnSnapshotTaken(std::string path, bool ok) override {
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard<std::mutex> lock(lock_);
            snapshots_.emplace_back(path, ok);
            hook = onSnapshot;
        }
        if (hook) hook(path);
    }
    int Errors() { std::lock_guard<std::mutex> lock(lock_); return errors_; }
    CCapVideo* LastSource() { std::lock_guard<std::mutex> lock(lock_); return lastSource_; }
    std::vector<std::pair<std::string, bool>> Snapshots() {
        std::lock_guard<std::mutex> lock(lock_);
        return snapshots_;
    }
    std::function<void(const std::string&)> onSnapshot;  // set before use

private:
    std::mutex lock_;
    int errors_ = 0;
    CCapVideo* lastSource_ = nullptr;
    std::vector<std::pair<std::string, bool>> snapshots_;
};

// Collects FFmpeg log lines (the engine logs through FFmpeg) while it lives.
class CLogCatcher {
public:
    CLogCatcher() {
        Lines().clear();
        av_log_set_callback(&CLogCatcher::Callback);
    }
    ~CLogCatcher() { av_log_set_callback(av_log_default_callback); }
    static bool Contains(const std::string& text) {
        std::lock_guard<std::mutex> lock(Lock());
        for (const auto& line : Lines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

private:
    static std::mutex& Lock() { static std::mutex m; return m; }
    static std::vector<std::string>& Lines() { static std::vector<std::string> l; return l; }
    static void Callback(void*, int, const char* format, va_list args) {
        char line[2048];
        vsnprintf(line, sizeof(line), format, args);
        std::lock_guard<std::mutex> lock(Lock());
        Lines().push_back(line);
    }
};

}  // namespace zovi::engine::testing
