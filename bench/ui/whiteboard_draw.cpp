#include "bench/ui/whiteboard_draw.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "ui/recording/whiteboard/ui_white_board_frame_ex.h"
#include "ui/recording/whiteboard/wb_paint_element.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kRed = 0xFFFF0000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Pump() {
    MSG msg{};
    while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
        if (DuiLib::CPaintManagerUI::TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Pumps the UI thread's messages until `done` or the deadline.
template <typename Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        Pump();
    }
    return true;
}

// The whiteboard over `area`, made as the capture controller's opener makes it, in pen
// mode with a red 8 px line; nullptr on failure.
std::shared_ptr<DuiLib::CUIWhiteBoardFrameEx> OpenPenBoard(const RECT& area) {
    auto board = std::make_shared<DuiLib::CUIWhiteBoardFrameEx>();
    board->SetDrawArea(area);
    if (!board->Create(0, L"", DuiLib::CUIWhiteBoardFrameEx::kOverlayStyle,
                       DuiLib::CUIWhiteBoardFrameEx::kOverlayExStyle, area)) {
        return nullptr;
    }
    board->RaiseDirty();
    board->ShowWindow(true, true);
    board->SetColor(kRed);
    board->SetLineWidth(8);
    board->SetPaintMode(DuiLib::kWBModePen);
    board->RaiseDirty();
    if (!PumpUntil([&] { return board->GetDirty() == 0; })) return nullptr;
    // A little more, so the window is mapped and its first frame shown.
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    return board;
}

void CloseBoard(const std::shared_ptr<DuiLib::CUIWhiteBoardFrameEx>& board) {
    if (board && ::IsWindow(board->GetHWND())) ::DestroyWindow(board->GetHWND());
    Pump();
}

bool IsRed(unsigned long pixel) {
    return ((pixel >> 16) & 0xFF) > 0xC0 && ((pixel >> 8) & 0xFF) < 0x40 && (pixel & 0xFF) < 0x40;
}

// Whether the root shows red just behind (x, y), on the segment that ends there.
bool ShowsStrokeAt(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x - 4, y - 1, 3, 3, AllPlanes, ZPixmap);
    if (!image) return false;
    int red = 0;
    for (int row = 0; row < image->height; ++row)
        for (int col = 0; col < image->width; ++col) red += IsRed(XGetPixel(image, col, row));
    XDestroyImage(image);
    return red >= 5;
}

struct XConnection {
    Display* display = XOpenDisplay(nullptr);
    ~XConnection() {
        if (display) XCloseDisplay(display);
    }
};

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

double WhiteBoardStrokeToScreenMs() {
    XConnection x;
    if (!x.display) return -1;
    constexpr RECT kArea{100, 100, 900, 600};
    const auto board = OpenPenBoard(kArea);
    if (!board) return -1;
    constexpr int kY = 300, kStartX = 150, kStep = 20, kSamples = 30;
    XTestFakeMotionEvent(x.display, -1, kStartX, kY, CurrentTime);
    XSync(x.display, False);
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    XTestFakeButtonEvent(x.display, 1, True, CurrentTime);
    XSync(x.display, False);
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    std::vector<double> times;
    for (int i = 1; i <= kSamples; ++i) {
        // A pause of a different length before each motion, so the motions fall at all
        // points of whatever period the window updates on, as a hand's would.
        PumpUntil([] { return false; }, std::chrono::milliseconds((i * 17) % 50));
        const int px = kStartX + i * kStep;
        const auto start = Clock::now();
        XTestFakeMotionEvent(x.display, -1, px, kY, CurrentTime);
        XFlush(x.display);
        if (!PumpUntil([&] { return ShowsStrokeAt(x.display, px, kY); })) break;
        times.push_back(Ms(Clock::now() - start));
    }
    XTestFakeButtonEvent(x.display, 1, False, CurrentTime);
    XSync(x.display, False);
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    CloseBoard(board);
    if (times.size() != kSamples) return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double WhiteBoardUpdateCpuPercent() {
    XConnection x;
    if (!x.display) return -1;
    constexpr RECT kArea{0, 0, 1920, 1080};
    const auto board = OpenPenBoard(kArea);
    if (!board) return -1;
    XTestFakeMotionEvent(x.display, -1, 200, 200, CurrentTime);
    XTestFakeButtonEvent(x.display, 1, True, CurrentTime);
    XSync(x.display, False);
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));

    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(3);
    auto next = start;
    int step = 0;
    while (Clock::now() < end) {
        // A zig-zag across the middle of the screen, 8 px a motion.
        const int along = (step * 8) % 3000;
        const int px = 200 + (along < 1500 ? along : 3000 - along);
        const int py = 200 + ((step / 40) % 2 ? (step % 40) * 15 : 600 - (step % 40) * 15);
        XTestFakeMotionEvent(x.display, -1, px, py, CurrentTime);
        XFlush(x.display);
        ++step;
        next += std::chrono::milliseconds(5);
        // The messages of the motion before handled, then idle until the next, so the
        // loop itself costs next to nothing.
        Pump();
        std::this_thread::sleep_until(next);
        Pump();
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;

    XTestFakeButtonEvent(x.display, 1, False, CurrentTime);
    XSync(x.display, False);
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    const bool drew = !board->GetElements().empty();
    CloseBoard(board);
    return drew && wall > 0 ? 100.0 * cpu / wall : -1;
}
