// The countdown on Xvfb, made and shown as the start flow does: its digits 3, 2, 1 a
// second apart, then hidden (not closed) and the completion run once; a countdown that
// replaces a running one; and, with no compositor, a window whose shape is the digit
// image's opaque pixels, showing the image's colours there. A picture of the first frame is kept as an artefact.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (Bool, None) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/window.h"
#include "skin/skin_archive_data.h"
#include "ui/recording/countdown/ui_countdown_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;
using DuiLib::CUICountdownDlg;
using DuiLib::test::WaitUntil;

// As the start flow makes it: a pop-up with a caption (0x96C80000), a topmost tool window.
constexpr DWORD kStyle = 0x96C80000;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr int kSide = 128;

std::wstring DigitImage(int digit) { return L"Countdown/number" + std::to_wstring(digit) + L".png"; }

// What the window showed after one of its timer ticks.
struct Tick {
    int32_t count;
    std::wstring image;
    bool visible;
    Clock::time_point at;
};

// The countdown, noting the state its own timer left behind.
class CNotingCountdown : public CUICountdownDlg {
public:
    using CUICountdownDlg::CUICountdownDlg;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override {
        const LRESULT result = CUICountdownDlg::OnTimer(uMsg, wParam, lParam, bHandled);
        if (wParam == kTimerId) {
            ticks.push_back({GetCount(), m_pm.GetLayeredImage().GetData(), ::IsWindowVisible(m_hWnd) != FALSE,
                             Clock::now()});
        }
        return result;
    }
    std::wstring Image() { return m_pm.GetLayeredImage().GetData(); }
    std::vector<Tick> ticks;
};

// On the UI thread: dispatches messages until `condition` holds (up to 20 s).
bool PumpUntil(const std::function<bool()>& condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        MSG msg{};
        while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Creates and shows the countdown as the start flow does.
template <class T>
std::shared_ptr<T> StartCountdown(std::function<void()> completion) {
    auto countdown = std::make_shared<T>(std::move(completion));
    if (!countdown->Create(0, L"", kStyle, kExStyle)) return nullptr;
    countdown->ShowWindow(true, true);
    return countdown;
}

// A digit picture of the skin as the plain server shows it: the cells whose alpha is at
// least 128 (one byte each) and their colours un-premultiplied (0xRRGGBB).
struct Picture {
    std::vector<std::uint8_t> opaque;
    std::vector<std::uint32_t> rgb;
};

Picture LoadPicture(const std::wstring& image) {
    std::vector<unsigned char> bytes;
    if (!DuiLib::ReadSkinFile(image, &bytes)) return {};
    struct Reader {
        const std::vector<unsigned char>* bytes;
        size_t at = 0;
    } reader{&bytes};
    cairo_surface_t* png = cairo_image_surface_create_from_png_stream(
        [](void* closure, unsigned char* data, unsigned int length) {
            auto* r = static_cast<Reader*>(closure);
            if (r->at + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
            std::memcpy(data, r->bytes->data() + r->at, length);
            r->at += length;
            return CAIRO_STATUS_SUCCESS;
        },
        &reader);
    Picture picture;
    if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_width(png) == kSide &&
        cairo_image_surface_get_height(png) == kSide && cairo_image_surface_get_format(png) == CAIRO_FORMAT_ARGB32) {
        picture.opaque.resize(kSide * kSide);
        picture.rgb.resize(kSide * kSide);
        for (int y = 0; y < kSide; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(png) +
                                                                     y * cairo_image_surface_get_stride(png));
            for (int x = 0; x < kSide; ++x) {
                const std::uint32_t pixel = row[x], alpha = pixel >> 24;
                const size_t at = static_cast<size_t>(y * kSide + x);
                picture.opaque[at] = alpha >= 128;
                if (alpha == 0) continue;
                for (int shift : {0, 8, 16}) {
                    picture.rgb[at] |= std::min<std::uint32_t>(((pixel >> shift) & 0xFF) * 255 / alpha, 255) << shift;
                }
            }
        }
    }
    cairo_surface_destroy(png);
    return picture;
}

// Whether the window shows `picture` in its opaque cells (each channel within 3).
bool ShowsPicture(Display* display, Window window, const Picture& picture) {
    XImage* image = XGetImage(display, window, 0, 0, kSide, kSide, AllPlanes, ZPixmap);
    if (!image) return false;
    bool same = true;
    for (int y = 0; y < kSide && same; ++y) {
        for (int x = 0; x < kSide && same; ++x) {
            const size_t at = static_cast<size_t>(y * kSide + x);
            if (!picture.opaque[at]) continue;
            const unsigned long shown = XGetPixel(image, x, y);
            for (int shift : {0, 8, 16}) {
                same &= std::abs(static_cast<int>((shown >> shift) & 0xFF) -
                                 static_cast<int>((picture.rgb[at] >> shift) & 0xFF)) <= 3;
            }
        }
    }
    XDestroyImage(image);
    return same;
}

// The cells of a window's shape of `kind`, one byte each.
std::vector<std::uint8_t> ShapeCells(Display* display, Window window, int kind) {
    std::vector<std::uint8_t> cells(kSide * kSide, 0);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display, window, kind, &count, &ordering);
    for (int i = 0; i < count; ++i) {
        for (int y = std::max<int>(rects[i].y, 0); y < std::min(rects[i].y + rects[i].height, kSide); ++y) {
            for (int x = std::max<int>(rects[i].x, 0); x < std::min(rects[i].x + rects[i].width, kSide); ++x) {
                cells[static_cast<size_t>(y * kSide + x)] = 1;
            }
        }
    }
    if (rects) XFree(rects);
    return cells;
}

int ShapeCount(Display* display, Window window, int kind) {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display, window, kind, &count, &ordering);
    if (rects) XFree(rects);
    return count;
}

struct CountdownXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
    }
    void TearDown() override {
        hook.reset();
        if (display) XCloseDisplay(display);
    }

    Display* display = nullptr;
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
};

TEST_F(CountdownXTest, ShowsThreeTwoOneASecondApartThenHidesAndRunsTheCompletionOnce) {
    int runs = 0;
    bool visibleAtCompletion = true;
    std::shared_ptr<CNotingCountdown> countdown;
    const auto shown = Clock::now();
    countdown = StartCountdown<CNotingCountdown>([&] {
        ++runs;
        visibleAtCompletion = ::IsWindowVisible(*countdown) != FALSE;
    });
    ASSERT_NE(countdown, nullptr);
    const HWND hwnd = *countdown;
    EXPECT_EQ(countdown->GetCount(), 3);
    EXPECT_EQ(countdown->Image(), DigitImage(3));
    EXPECT_TRUE(::IsWindowVisible(hwnd));

    ASSERT_TRUE(PumpUntil([&] { return runs > 0; }));
    ASSERT_EQ(countdown->ticks.size(), 3u);
    const struct {
        int32_t count;
        std::wstring image;
        bool visible;
    } expected[] = {{2, DigitImage(2), true}, {1, DigitImage(1), true}, {0, DigitImage(1), false}};
    auto previous = shown;
    for (size_t i = 0; i < 3; ++i) {
        const Tick& tick = countdown->ticks[i];
        SCOPED_TRACE(testing::Message() << "tick " << i + 1);
        EXPECT_EQ(tick.count, expected[i].count);
        EXPECT_EQ(tick.image, expected[i].image);
        EXPECT_EQ(tick.visible, expected[i].visible);
        // A second apart (the timer never fires early; a loaded machine may make it late).
        EXPECT_GE(tick.at - previous, std::chrono::milliseconds(950));
        previous = tick.at;
    }
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(visibleAtCompletion) << "hidden before the completion runs";

    // Hidden, not closed; its timer is gone, and a tick that was already queued does nothing.
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_FALSE(::KillTimer(hwnd, CUICountdownDlg::kTimerId));
    ::SendMessageW(hwnd, WM_TIMER, CUICountdownDlg::kTimerId, 0);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(countdown->GetCount(), 0);
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    // The opener's last reference takes the window along.
    countdown.reset();
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(CountdownXTest, AnEmptyCompletionOnlyHidesTheWindowAndOtherTimersAreNotItsOwn) {
    auto countdown = StartCountdown<CNotingCountdown>(nullptr);
    ASSERT_NE(countdown, nullptr);
    const HWND hwnd = *countdown;
    // Its ticks by hand, so nothing depends on the clock.
    ASSERT_TRUE(::KillTimer(hwnd, CUICountdownDlg::kTimerId));
    ::SendMessageW(hwnd, WM_TIMER, CUICountdownDlg::kTimerId + 1, 0);
    EXPECT_EQ(countdown->GetCount(), 3);
    EXPECT_TRUE(countdown->ticks.empty());
    for (int32_t left : {2, 1, 0}) {
        ::SendMessageW(hwnd, WM_TIMER, CUICountdownDlg::kTimerId, 0);
        EXPECT_EQ(countdown->GetCount(), left);
        EXPECT_EQ(::IsWindowVisible(hwnd) != FALSE, left > 0) << "at " << left;
    }
    EXPECT_EQ(countdown->Image(), DigitImage(1));
    EXPECT_TRUE(::IsWindow(hwnd));
    ::SendMessageW(hwnd, WM_TIMER, CUICountdownDlg::kTimerId, 0);
    EXPECT_EQ(countdown->GetCount(), 0);
}

TEST_F(CountdownXTest, ACountdownReplacingARunningOneRunsOnlyItsOwnCompletion) {
    int oldRuns = 0, newRuns = 0;
    std::shared_ptr<CUICountdownDlg> held = StartCountdown<CUICountdownDlg>([&] { ++oldRuns; });
    ASSERT_NE(held, nullptr);
    const HWND old = *held;
    ASSERT_TRUE(PumpUntil([&] { return held->GetCount() == 2; }));
    // The opener keeps one countdown: the new one takes the old one's place.
    held = StartCountdown<CUICountdownDlg>([&] { ++newRuns; });
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(::IsWindow(old));
    EXPECT_EQ(held->GetCount(), 3);
    // The old one would have ended a second before the new one.
    ASSERT_TRUE(PumpUntil([&] { return newRuns > 0; }));
    EXPECT_EQ(newRuns, 1);
    EXPECT_EQ(oldRuns, 0);
}

TEST_F(CountdownXTest, WithNoCompositorItsShapeIsTheDigitsOpaquePixelsAndItTakesNoClicks) {
    if (XGetSelectionOwner(display, XInternAtom(display, "_NET_WM_CM_S0", False)) != 0) {
        GTEST_SKIP() << "a compositing manager runs";
    }
    const Picture three = LoadPicture(DigitImage(3)), two = LoadPicture(DigitImage(2)), one = LoadPicture(DigitImage(1));
    ASSERT_FALSE(three.opaque.empty());
    ASSERT_FALSE(two.opaque.empty());
    ASSERT_FALSE(one.opaque.empty());
    ASSERT_NE(three.rgb, two.rgb);
    ASSERT_NE(two.rgb, one.rgb);
    int runs = 0;
    auto countdown = StartCountdown<CUICountdownDlg>([&] { ++runs; });
    ASSERT_NE(countdown, nullptr);
    const Window xid = countdown->GetHWND();
    hook->RunWithDriver([&] {
        ASSERT_EQ(DuiLib::test::WaitForWindowOfClass("UICountdownDlg"), countdown->GetHWND());
        ASSERT_TRUE(WaitUntil([&] {
            return ShapeCells(display, xid, ShapeBounding) == three.opaque && ShowsPicture(display, xid, three);
        }));
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(countdown->GetHWND(), artefacts + "/countdown_first_frame.png"));
        EXPECT_EQ(ShapeCount(display, xid, ShapeInput), 0);
        // 128 x 128 in the middle of the screen.
        RECT rc{};
        ASSERT_TRUE(DuiLib::test::XGeometry(countdown->GetHWND(), &rc));
        EXPECT_EQ(rc.right - rc.left, kSide);
        EXPECT_EQ(rc.bottom - rc.top, kSide);
        const int screenWidth = DisplayWidth(display, DefaultScreen(display));
        const int screenHeight = DisplayHeight(display, DefaultScreen(display));
        EXPECT_LE(std::abs(rc.left - (screenWidth - kSide) / 2), 1);
        EXPECT_LE(std::abs(rc.top - (screenHeight - kSide) / 2), 1);
        // The next digits, each with its own shape.
        EXPECT_TRUE(WaitUntil([&] {
            return ShapeCells(display, xid, ShapeBounding) == two.opaque && ShowsPicture(display, xid, two);
        }));
        EXPECT_TRUE(WaitUntil([&] {
            return ShapeCells(display, xid, ShapeBounding) == one.opaque && ShowsPicture(display, xid, one);
        }));
        EXPECT_TRUE(hook->WaitFor([&] { return runs == 1; }));
    });
}

}  // namespace
