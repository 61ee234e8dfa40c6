// The video render thread's two pure rules: when a picture is drawn, and where it goes
// in the window.
#pragma once
#include <cstdint>
#include <optional>

namespace zovi::engine {

enum class RenderDecision { kDraw, kDrop, kWait };

// Lateness = clock - picture time. More than a second late or more than 999 ms early is
// dropped; a little early waits. A late picture is drawn unless the next one is due as
// well: then it is dropped, so a render thread that fell behind catches up with the
// clock instead of showing every picture late. `nextFrameMs` is the next picture's time
// when one is queued.
inline RenderDecision DecideRender(int64_t clockMs, int64_t frameMs, std::optional<int64_t> nextFrameMs = {}) {
    const int64_t lateness = clockMs - frameMs;
    if (lateness > 1000) return RenderDecision::kDrop;
    if (lateness >= 0) return nextFrameMs && clockMs >= *nextFrameMs ? RenderDecision::kDrop : RenderDecision::kDraw;
    if (lateness < -999) return RenderDecision::kDrop;
    return RenderDecision::kWait;
}

struct FitRect {
    int x, y, width, height;
};

// The picture (w x h) scaled to the window's width, or to its height when that is too
// tall, centred; integer arithmetic throughout.
inline FitRect FitPicture(int windowWidth, int windowHeight, int w, int h) {
    if (w <= 0 || h <= 0) return {0, 0, 0, 0};
    int width = windowWidth;
    int height = static_cast<int>(int64_t(h) * windowWidth / w);
    if (height > windowHeight) {
        width = static_cast<int>(int64_t(w) * windowHeight / h);
        height = windowHeight;
    }
    return {(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
}

}  // namespace zovi::engine
