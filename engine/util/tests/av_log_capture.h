// Test helper: collects FFmpeg log lines (with their levels) while alive.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace zovi::engine::testing {

class AvLogCapture {
public:
    struct Line {
        int level;
        std::string text;
    };

    AvLogCapture() {
        Instance() = this;
        av_log_set_level(AV_LOG_DEBUG);
        av_log_set_callback(&AvLogCapture::Callback);
    }
    ~AvLogCapture() {
        av_log_set_callback(av_log_default_callback);
        Instance() = nullptr;
    }

    std::vector<Line> Lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    // The texts at `level` that contain `part`, in order.
    std::vector<std::string> Matching(const std::string& part) const {
        std::vector<std::string> found;
        for (const Line& line : Lines())
            if (line.text.find(part) != std::string::npos) found.push_back(line.text);
        return found;
    }
    bool Contains(const std::string& part) const { return !Matching(part).empty(); }

private:
    static AvLogCapture*& Instance() {
        static AvLogCapture* instance = nullptr;
        return instance;
    }
    static void Callback(void* context, int level, const char* format, va_list args) {
        AvLogCapture* self = Instance();
        if (!self || context) return;  // only the engine's context-free lines
        char text[2048];
        std::vsnprintf(text, sizeof(text), format, args);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->lines_.push_back({level, text});
    }

    mutable std::mutex mutex_;
    std::vector<Line> lines_;
};

}  // namespace zovi::engine::testing
