// Paints on the test X screen for the recording tests: a black backdrop over the whole
// screen, a red square that travels left to right, and a white cover that can be shown
// over everything at a known moment. All drawing runs on the painter's own thread.
#pragma once
#include <atomic>
#include <thread>

namespace zovi::test {

class CScreenPainter {
public:
    CScreenPainter();
    ~CScreenPainter();
    bool Ready() const { return ready_; }
    // Shows or hides the white cover; returns once the X server has done it.
    void SetWhite(bool on);
    // The red square's left edge in screen pixels right now.
    int SquareX() const { return squareX_; }

    static constexpr int kSquareSize = 240;
    static constexpr int kSquareY = 420;
    static constexpr int kSpeed = 150;  // pixels a second, left to right

private:
    void Run();

    std::thread thread_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> wantWhite_{0};
    std::atomic<int> doneWhite_{0};
    std::atomic<int> squareX_{0};
    std::atomic<bool> started_{false};
};

}  // namespace zovi::test
