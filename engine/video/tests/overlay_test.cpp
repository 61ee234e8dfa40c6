// The overlay text drawn into frames: where it lands, when it moves, what is clipped.
#include <gtest/gtest.h>

#include "engine/video/cap_video.h"
#include "platform/gdi/memory_dc.h"

namespace zovi::engine {
namespace {

// Only the overlay of the base class is used; the source operations are not.
class COverlayOnly : public CCapVideo {
public:
    bool Init(const CaptureSourceInfo&, int, int, int, AVPixelFormat, bool,
              const std::shared_ptr<IVideoOutput>&) override { return false; }
    bool CaptureFrame(bool, int64_t) override { return false; }
    bool Stop() override { return true; }
    void Pause(bool) override {}
    bool IsPaused() override { return true; }

    using CCapVideo::DrawOverlayText;
    uint64_t Counter() const { return overlayCounter_; }
};

struct YellowBox {
    int count = 0;
    int top = INT32_MAX, bottom = -1, left = INT32_MAX;
};

YellowBox FindYellow(const platform::CDibSection& frame) {
    YellowBox box;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x) {
            const uint32_t p = frame.PixelAt(x, y);
            const int r = p >> 16, g = (p >> 8) & 0xff, b = p & 0xff;
            if (r > 128 && g > 128 && b < 64) {
                ++box.count;
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                box.left = std::min(box.left, x);
            }
        }
    return box;
}

// Draws one frame of an area of `width` x `height` and returns where the text landed.
YellowBox DrawFrame(COverlayOnly& overlay, int width, int height) {
    auto frame = platform::CDibSection::Create(width, height);
    platform::CMemoryDC dc;
    dc.SelectObject(frame);
    overlay.DrawOverlayText(dc, RECT{100, 100, 100 + width, 100 + height});
    return FindYellow(*frame);
}

TEST(OverlayText, EmptyTextDrawsNothingAndKeepsTheCounter) {
    auto overlay = std::make_shared<COverlayOnly>();
    overlay->SetOverlayText(L"", L"微软雅黑", 40, 250);
    EXPECT_EQ(DrawFrame(*overlay, 640, 480).count, 0);
    overlay->SetOverlayText(nullptr, L"微软雅黑", 40, 250);
    EXPECT_EQ(DrawFrame(*overlay, 640, 480).count, 0);
    EXPECT_EQ(overlay->Counter(), 0u);
}

TEST(OverlayText, AlternatesBetweenTheBandsEveryPeriod) {
    for (const wchar_t* text : {L"Zovi Recorder", L"录屏测试 水印"}) {
        auto overlay = std::make_shared<COverlayOnly>();
        overlay->SetOverlayText(text, L"微软雅黑", 40, 250);  // 25 fps: ten seconds
        struct Expect {
            int frame;
            bool top;
        } table[] = {{0, true}, {249, true}, {250, false}, {499, false}, {500, true}};
        int drawn = 0;
        for (const Expect& e : table) {
            while (drawn < e.frame) {
                DrawFrame(*overlay, 64, 200);  // frames in between, drawn small
                ++drawn;
            }
            const YellowBox box = DrawFrame(*overlay, 640, 480);
            ++drawn;
            ASSERT_GT(box.count, 20) << e.frame;
            EXPECT_GE(box.left, 50) << e.frame;
            if (e.top) {
                EXPECT_GE(box.top, 50) << e.frame;
                EXPECT_LT(box.bottom, 170) << e.frame;
            } else {
                EXPECT_GE(box.top, 480 - 170) << e.frame;
                EXPECT_LT(box.bottom, 480 - 50) << e.frame;
            }
        }
        EXPECT_EQ(overlay->Counter(), 501u);
    }
}

TEST(OverlayText, ALowAreaClipsTheBottomBand) {
    auto overlay = std::make_shared<COverlayOnly>();
    overlay->SetOverlayText(L"Zovi 录屏", L"微软雅黑", 70, 1);
    const YellowBox top = DrawFrame(*overlay, 640, 100);  // band 50..170, clipped at 100
    EXPECT_GE(top.top, 50);
    const YellowBox bottom = DrawFrame(*overlay, 640, 100);  // band -70..50
    EXPECT_LT(bottom.bottom, 50);
}

TEST(OverlayText, PeriodBelowOneActsAsOne) {
    auto overlay = std::make_shared<COverlayOnly>();
    overlay->SetOverlayText(L"Zovi", L"DejaVu Sans", 40, 0);
    EXPECT_LT(DrawFrame(*overlay, 640, 480).bottom, 170);
    EXPECT_GE(DrawFrame(*overlay, 640, 480).top, 480 - 170);
}

}  // namespace
}  // namespace zovi::engine
