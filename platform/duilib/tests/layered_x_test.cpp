// Layered windows, window regions, the drop shadow, activation, maximise and child
// windows on Xvfb with no window manager. Tests of alpha run twice: on the plain server
// and with xcompmgr owning _NET_WM_CM_S0, started and stopped by the test.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (Bool, None) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <cairo.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/duilib/core/resources/image_cache.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/duilib/window/tooltip_window.h"
#include "platform/duilib/window/wnd_shadow.h"
#include "platform/gdi/paint_context.h"
#include "platform/window/layered.h"
#include "platform/window/region.h"
#include "platform/window/window.h"
#include "platform/window/window_state.h"
#include "skin/skin_archive_data.h"

extern char** environ;

namespace DuiLib::test {
namespace {

constexpr DWORD kPopup = WS_POPUP;
constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;
constexpr DWORD kCountdownExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr int kDisc = 128;
// The disc: the accent colour at alpha 200 out to radius 40, fading to 0 at 64.
constexpr unsigned kAccent = 0x2B8CF4;

std::string Num(long v) { return std::to_string(v); }

int DiscAlpha(int x, int y) {
    const double r = std::hypot(x + 0.5 - kDisc / 2.0, y + 0.5 - kDisc / 2.0);
    if (r <= 40) return 200;
    if (r >= 64) return 0;
    return static_cast<int>(200 * (64 - r) / 24);
}

// The fixture as a shared image "#disc" (premultiplied ARGB32), and as a PNG artefact.
void AddDiscImage() {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kDisc, kDisc);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < kDisc; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < kDisc; ++x) {
            const unsigned a = static_cast<unsigned>(DiscAlpha(x, y));
            auto pre = [a](unsigned c) { return (c * a + 127) / 255; };
            row[x] = (a << 24) | (pre((kAccent >> 16) & 0xFF) << 16) | (pre((kAccent >> 8) & 0xFF) << 8) |
                     pre(kAccent & 0xFF);
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, "layered_disc_fixture.png");
    AddSharedImage(L"#disc", CopyImage(data, kDisc, kDisc, stride, true));
    cairo_surface_destroy(surface);
}

// The test's own X connection, for queries and for a window of another client.
struct XConnection {
    Display* display = XOpenDisplay(nullptr);
    ~XConnection() {
        if (display) XCloseDisplay(display);
    }
};

bool CompositorOwnsSelection(Display* display) {
    return XGetSelectionOwner(display, XInternAtom(display, "_NET_WM_CM_S0", False)) != None;
}

// xcompmgr for one test: started, waited for until it owns the selection, stopped.
class CCompositor {
public:
    bool Start() {
        char name[] = "xcompmgr";
        char* argv[] = {name, nullptr};
        if (posix_spawnp(&pid_, "xcompmgr", nullptr, nullptr, argv, environ) != 0) {
            pid_ = 0;
            return false;
        }
        return WaitUntil([&] { return CompositorOwnsSelection(x_.display); });
    }
    ~CCompositor() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        WaitUntil([&] { return !CompositorOwnsSelection(x_.display); });
    }

private:
    XConnection x_;
    pid_t pid_ = 0;
};

// The cells of a window's shape of `kind`, one byte each.
std::vector<std::uint8_t> ShapeMask(Display* display, Window window, int kind, int width, int height) {
    std::vector<std::uint8_t> mask(static_cast<size_t>(width * height), 0);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display, window, kind, &count, &ordering);
    for (int i = 0; i < count; ++i) {
        for (int y = std::max<int>(rects[i].y, 0); y < std::min(rects[i].y + rects[i].height, height); ++y) {
            for (int x = std::max<int>(rects[i].x, 0); x < std::min(rects[i].x + rects[i].width, width); ++x) {
                mask[static_cast<size_t>(y * width + x)] = 1;
            }
        }
    }
    if (rects) XFree(rects);
    return mask;
}

int ShapeCount(Display* display, Window window, int kind) {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display, window, kind, &count, &ordering);
    if (rects) XFree(rects);
    return count;
}

unsigned long PixelOf(Display* display, Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

bool Near(unsigned long pixel, unsigned rgb, int tolerance) {
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((pixel >> shift) & 0xFF), b = static_cast<int>((rgb >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

// A 32-bit window's own pixels, alpha included, as a PNG artefact.
void SaveArgbPng(Display* display, Window window, int width, int height, const std::string& path) {
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * cairo_image_surface_get_stride(surface));
        for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y));
    }
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    XDestroyImage(image);
}

XWindowAttributes Attributes(Display* display, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    return attributes;
}

// The place of each window among the root's children, bottom to top (-1: not there).
int StackIndex(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    int index = -1;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            if (children[i] == window) index = static_cast<int>(i);
        }
    }
    if (children) XFree(children);
    return index;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct LayeredXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        ASSERT_NE(x.display, nullptr);
        SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        hook = std::make_unique<CUiThreadHook>();
    }
    void TearDown() override {
        hook.reset();
        SetSkinArchive(nullptr, 0);
    }
    // On the UI thread: dispatches messages until `condition` holds (up to 20 s).
    static bool PumpUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            MSG msg{};
            while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    // Shows a window made by the test and waits until the server has it viewable.
    void ShowAndWait(CTestWindow& window, bool takeFocus) {
        window.ShowWindow(true, takeFocus);
        ASSERT_TRUE(PumpUntil([&] { return Attributes(x.display, window).map_state == IsViewable; }));
    }
    RECT WindowRect(HWND hwnd) {
        return hook->Call([hwnd] {
                       RECT rc{};
                       ::GetWindowRect(hwnd, &rc);
                       return rc;
                   })
            .value_or(RECT{});
    }

    XConnection x;
    std::unique_ptr<CUiThreadHook> hook;
};

// With and without a compositing manager.
struct CompositedXTest : LayeredXTest, testing::WithParamInterface<bool> {
    void SetUp() override {
        LayeredXTest::SetUp();
        if (IsSkipped()) return;
        if (GetParam()) {
            compositor = std::make_unique<CCompositor>();
            ASSERT_TRUE(compositor->Start()) << "xcompmgr did not take _NET_WM_CM_S0";
        }
    }
    void TearDown() override {
        LayeredXTest::TearDown();
        compositor.reset();
    }
    std::string Suffix() const { return GetParam() ? "_composited" : "_plain"; }

    std::unique_ptr<CCompositor> compositor;
};

INSTANTIATE_TEST_SUITE_P(Compositor, CompositedXTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "WithXcompmgr" : "PlainServer";
                         });

TEST_P(CompositedXTest, LayeredImageWindowShowsItsAlphaAndTakesNoClicks) {
    AddDiscImage();
    CTestWindow window{L"<Window size=\"128,128\" layeredimage=\"#disc\"><Control/></Window>", L"DuiTestCountdown"};
    ASSERT_NE(window.Create(0, L"", kPopup, kCountdownExStyle, 300, 300, 0, 0), 0u);
    ShowAndWait(window, false);
    const Window xid = window.GetHWND();
    const XWindowAttributes attributes = Attributes(x.display, xid);
    EXPECT_TRUE(attributes.override_redirect);
    std::vector<std::uint8_t> expected(kDisc * kDisc);
    for (int y = 0; y < kDisc; ++y) {
        for (int x0 = 0; x0 < kDisc; ++x0) expected[static_cast<size_t>(y * kDisc + x0)] = DiscAlpha(x0, y) >= 128;
    }
    hook->RunWithDriver([&] {
        // The centre shows the accent colour: blended by the compositor from premultiplied
        // pixels, or un-premultiplied on the plain server (not darkened by its alpha).
        const unsigned premultiplied = ((0x2B * 200 + 127) / 255) << 16 | ((0x8C * 200 + 127) / 255) << 8 |
                                       ((0xF4 * 200 + 127) / 255);
        const unsigned centre = GetParam() ? premultiplied : kAccent;
        ASSERT_TRUE(WaitUntil([&] { return Near(PixelOf(x.display, xid, 64, 64), centre, 2); }))
            << std::hex << PixelOf(x.display, xid, 64, 64);
        if (GetParam()) {
            EXPECT_EQ(attributes.depth, 32);
            EXPECT_EQ(PixelOf(x.display, xid, 64, 64) >> 24, 200u);
            int boundingShaped = 0, clipShaped = 0, bx = 0, by = 0, cx = 0, cy = 0;
            unsigned bw = 0, bh = 0, cw = 0, ch = 0;
            XShapeQueryExtents(x.display, xid, &boundingShaped, &bx, &by, &bw, &bh, &clipShaped, &cx, &cy, &cw, &ch);
            EXPECT_FALSE(boundingShaped) << "the compositor blends the whole rectangle";
        } else {
            // A pixel at alpha 137 near the rim keeps its colour too.
            EXPECT_TRUE(Near(PixelOf(x.display, xid, 64 + 47, 64), kAccent, 4))
                << std::hex << PixelOf(x.display, xid, 64 + 47, 64);
            ASSERT_TRUE(WaitUntil([&] { return ShapeMask(x.display, xid, ShapeBounding, kDisc, kDisc) == expected; }));
        }
        // The countdown takes no clicks, and says it is a notification.
        EXPECT_EQ(ShapeCount(x.display, xid, ShapeInput), 0);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(x.display, xid, XInternAtom(x.display, "_NET_WM_WINDOW_TYPE", False), 0, 4, False,
                           XA_ATOM, &type, &format, &count, &after, &data);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(*reinterpret_cast<Atom*>(data), XInternAtom(x.display, "_NET_WM_WINDOW_TYPE_NOTIFICATION", False));
        XFree(data);
        SaveWindowPng(xid, "layered_countdown" + Suffix() + ".png");
    });
    EXPECT_EQ(::FindWindowW(L"DuiWndShadow", nullptr), 0u);
}

TEST(RegionTest, RectanglesCombineAndRoundCornersAreSymmetric) {
    using zovi::platform::RegionRectangles;
    HRGN frame = ::CreateRectRgn(0, 0, 300, 200);
    HRGN hole = ::CreateRectRgn(50, 50, 250, 150);
    HRGN empty = ::CreateRectRgn(10, 10, 10, 40);
    struct Case {
        const char* what;
        int mode;
        HRGN with;
        int kind;
        int area;
    } cases[] = {
        {"a hole cut", RGN_DIFF, hole, COMPLEXREGION, 300 * 200 - 200 * 100},
        {"the hole put back", RGN_OR, hole, SIMPLEREGION, 300 * 200},
        {"nothing cut", RGN_DIFF, empty, SIMPLEREGION, 300 * 200},
        {"only the hole kept", RGN_AND, hole, SIMPLEREGION, 200 * 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(::CombineRgn(frame, frame, c.with, c.mode), c.kind) << c.what;
        int area = 0;
        for (const RECT& r : RegionRectangles(frame)) area += (r.right - r.left) * (r.bottom - r.top);
        EXPECT_EQ(area, c.area) << c.what;
    }
    EXPECT_EQ(::CombineRgn(frame, nullptr, hole, RGN_OR), RGN_ERROR);
    EXPECT_EQ(::CombineRgn(frame, hole, nullptr, RGN_COPY), SIMPLEREGION);

    // Corners of radius 4: each row's run is centred, and the top and bottom rows match.
    HRGN round = ::CreateRoundRectRgn(0, 0, 40, 30, 8, 8);
    std::vector<std::pair<int, int>> rows(30, {0, 0});
    for (const RECT& r : RegionRectangles(round)) {
        for (int y = r.top; y < r.bottom; ++y) rows[static_cast<size_t>(y)] = {r.left, r.right};
    }
    for (int y = 0; y < 30; ++y) {
        EXPECT_EQ(rows[static_cast<size_t>(y)].first, 40 - rows[static_cast<size_t>(y)].second) << "row " << y;
        EXPECT_EQ(rows[static_cast<size_t>(y)], rows[static_cast<size_t>(29 - y)]) << "row " << y;
    }
    EXPECT_GT(rows[0].first, 0);
    EXPECT_EQ(rows[4].first, 0);
    EXPECT_EQ(rows[15], (std::pair<int, int>{0, 40}));
    for (HRGN region : {frame, hole, empty, round}) EXPECT_TRUE(::DeleteObject(region));
}

bool BoundingShaped(Display* display, Window window) {
    int boundingShaped = 0, clipShaped = 0, bx = 0, by = 0, cx = 0, cy = 0;
    unsigned bw = 0, bh = 0, cw = 0, ch = 0;
    XShapeQueryExtents(display, window, &boundingShaped, &bx, &by, &bw, &bh, &clipShaped, &cx, &cy, &cw, &ch);
    return boundingShaped != 0;
}

TEST_F(LayeredXTest, ACompositorThatStartsOrStopsIsHonouredAtTheNextUpdate) {
    AddDiscImage();
    CTestWindow window{L"<Window size=\"128,128\" layeredimage=\"#disc\"><Control/></Window>", L"DuiTestCountdown"};
    ASSERT_NE(window.Create(0, L"", kPopup, kCountdownExStyle, 300, 300, 0, 0), 0u);
    ShowAndWait(window, false);
    const Window xid = window.GetHWND();
    hook->RunWithDriver([&] {
        ASSERT_TRUE(WaitUntil([&] { return BoundingShaped(x.display, xid); }));
        auto compositor = std::make_unique<CCompositor>();
        ASSERT_TRUE(compositor->Start());
        hook->Run([&] { ::InvalidateRect(window, nullptr, FALSE); });
        ASSERT_TRUE(WaitUntil([&] {
            return !BoundingShaped(x.display, xid) && (PixelOf(x.display, xid, 64, 64) >> 24) == 200;
        }));
        compositor.reset();
        hook->Run([&] { ::InvalidateRect(window, nullptr, FALSE); });
        ASSERT_TRUE(WaitUntil([&] { return BoundingShaped(x.display, xid); }));
        EXPECT_TRUE(Near(PixelOf(x.display, xid, 64, 64), kAccent, 2));
    });
}

TEST_P(CompositedXTest, ShadowSitsBelowItsTargetAndFollowsIt) {
    CTestWindow window{L"<Window size=\"300,200\"><VerticalLayout bkcolor=\"#FFFFFFFF\"/></Window>",
                       L"DuiTestShadowed"};
    ASSERT_NE(window.Create(0, L"", kDialog, 0, 400, 300, 0, 0), 0u);
    CTestWindow other{L"<Window size=\"100,100\"><Control/></Window>", L"DuiTestOther"};
    CWndShadow shadow;
    ASSERT_TRUE(shadow.SetImage(L"shadow.png", RECT{23, 13, 23, 33}, RECT{0, 0, 0, 0}));
    if (!GetParam()) {
        ShowAndWait(window, false);
        EXPECT_FALSE(shadow.Create(window));
        EXPECT_EQ(shadow.GetHWND(), 0u);
        EXPECT_EQ(::FindWindowW(L"DuiWndShadow", nullptr), 0u);
        return;
    }
    // Made before the target is first shown, as windows do while they are created.
    ASSERT_TRUE(shadow.Create(window));
    const HWND shade = shadow.GetHWND();
    ASSERT_NE(shade, 0u);
    EXPECT_FALSE(::IsWindowVisible(shade));
    ShowAndWait(window, false);
    hook->RunWithDriver([&] {
        auto grown = [](const RECT& rc) { return RECT{rc.left - 23, rc.top - 13, rc.right + 23, rc.bottom + 33}; };
        auto followsTarget = [&] {
            RECT target{}, rc{};
            return XGeometry(window, &target) && XGeometry(shade, &rc) && SameRect(rc, grown(target)) &&
                   Attributes(x.display, shade).map_state == IsViewable &&
                   StackIndex(x.display, shade) + 1 == StackIndex(x.display, window);
        };
        ASSERT_TRUE(WaitUntil(followsTarget));
        EXPECT_EQ(Attributes(x.display, shade).depth, 32);
        EXPECT_EQ(ShapeCount(x.display, shade, ShapeInput), 0);
        // Drawn from the image at the rim, transparent under the target.
        ASSERT_TRUE(WaitUntil([&] { return (PixelOf(x.display, shade, 23 + 150, 13 + 200 + 2) >> 24) > 0; }));
        EXPECT_EQ(PixelOf(x.display, shade, 23 + 150, 13 + 100) >> 24, 0u);
        SaveArgbPng(x.display, shade, 346, 246, "layered_shadow.png");

        hook->Run([&] { ::MoveWindow(window, 520, 410, 320, 220, TRUE); });
        ASSERT_TRUE(WaitUntil([&] {
            RECT rc{};
            return XGeometry(shade, &rc) && SameRect(rc, RECT{497, 397, 863, 663}) && followsTarget();
        }));
        // Raised over a window above it, the target takes its shadow along.
        hook->Run([&] {
            other.Create(0, L"", kDialog, 0, 50, 50, 0, 0);
            other.ShowWindow(true, false);
        });
        ASSERT_TRUE(WaitUntil([&] { return StackIndex(x.display, other) > StackIndex(x.display, window); }));
        hook->Run([&] { window.ShowWindow(true, true); });
        ASSERT_TRUE(WaitUntil(followsTarget));
        hook->Run([&] { ::DestroyWindow(other); });

        // Hidden with the target, and while the target is maximised.
        hook->Run([&] { window.ShowWindow(false); });
        ASSERT_TRUE(WaitUntil([&] { return Attributes(x.display, shade).map_state == IsUnmapped; }));
        hook->Run([&] { window.ShowWindow(true, false); });
        ASSERT_TRUE(WaitUntil(followsTarget));
        hook->Run([&] { ::SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0); });
        ASSERT_TRUE(WaitUntil([&] { return Attributes(x.display, shade).map_state == IsUnmapped; }));
        hook->Run([&] { ::SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0); });
        ASSERT_TRUE(WaitUntil(followsTarget));
    });
    // Destroyed with the target.
    ::DestroyWindow(window);
    EXPECT_FALSE(::IsWindow(shade));
    EXPECT_EQ(shadow.GetHWND(), 0u);
}

TEST_P(CompositedXTest, TooltipsAndShadowsNeverDeactivateButAnotherClientsFocusDoes) {
    CTestWindow window{L"<Window size=\"300,200\"><VerticalLayout bkcolor=\"#FFFFFFFF\"/></Window>",
                       L"DuiTestActive"};
    std::vector<WPARAM> activations;
    window.onCustom = [&](UINT uMsg, WPARAM wParam, LPARAM, BOOL&) -> LRESULT {
        if (uMsg == WM_ACTIVATE) activations.push_back(LOWORD(wParam));
        return 0;
    };
    ASSERT_NE(window.Create(0, L"", kDialog, 0, 300, 200, 0, 0), 0u);
    ShowAndWait(window, true);
    ASSERT_TRUE(PumpUntil([&] { return ::GetActiveWindow() == window.GetHWND(); }));
    CWndShadow shadow;
    shadow.SetImage(L"shadow.png", RECT{23, 13, 23, 33}, RECT{0, 0, 0, 0});
    hook->RunWithDriver([&] {
        hook->Run([&] {
            activations.clear();
            CToolTipWindow::ForThread().Show(window, POINT{350, 250}, L"tip");
            EXPECT_EQ(shadow.Create(window), GetParam());
        });
        const HWND tip = hook->Call([] { return CToolTipWindow::ForThread().GetHWND(); }).value_or(0);
        ASSERT_TRUE(WaitUntil([&] { return Attributes(x.display, tip).map_state == IsViewable; }));
        if (GetParam()) {
            ASSERT_TRUE(WaitUntil([&] { return Attributes(x.display, shadow.GetHWND()).map_state == IsViewable; }));
        }
        // Whatever the maps caused has reached the window once the server answered its
        // connection and its queue ran dry.
        hook->Run([&] { XSync(zovi::platform::WindowDisplay(window), False); });
        hook->Run([] {});
        EXPECT_EQ(hook->Call([&] { return activations.size(); }).value_or(99), 0u);
        EXPECT_EQ(hook->Call([] { return ::GetActiveWindow(); }).value_or(0), window.GetHWND());

        // Another client's window takes the focus: this one is told it is inactive.
        const Window foreign = XCreateSimpleWindow(x.display, DefaultRootWindow(x.display), 0, 0, 50, 50, 0, 0, 0);
        XMapWindow(x.display, foreign);
        XSync(x.display, False);
        ASSERT_TRUE(WaitUntil([&] { return Attributes(x.display, foreign).map_state == IsViewable; }));
        XSetInputFocus(x.display, foreign, RevertToParent, CurrentTime);
        XSync(x.display, False);
        ASSERT_TRUE(hook->WaitFor([&] { return !activations.empty(); }));
        EXPECT_EQ(hook->Call([&] { return activations; }).value_or(std::vector<WPARAM>{}),
                  std::vector<WPARAM>{WA_INACTIVE});
        XDestroyWindow(x.display, foreign);
        XSync(x.display, False);
        hook->Run([] { CToolTipWindow::ForThread().Hide(); });
    });
    ::DestroyWindow(window);
}

TEST_F(LayeredXTest, UpdateLayeredWindowRefusesSizesPastItsSource) {
    CTestWindow window{L"<Window size=\"60,40\"><Control/></Window>", L"DuiTestLayered"};
    CTestWindow plain{L"<Window size=\"60,40\"><Control/></Window>", L"DuiTestPlain"};
    ASSERT_NE(window.Create(0, L"", kPopup, WS_EX_LAYERED, 100, 100, 0, 0), 0u);
    ASSERT_NE(plain.Create(0, L"", kPopup, 0, 100, 100, 0, 0), 0u);
    cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 50, 50);
    cairo_t* cr = cairo_create(source);
    cairo_set_source_rgba(cr, 0.2, 0.4, 0.8, 1.0);
    cairo_paint(cr);
    zovi::platform::GdiContext context{cr};
    const HDC hdc = zovi::platform::ToHdc(&context);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const POINT at{120, 130}, inside{10, 0};
    const SIZE wide{60, 50}, whole{50, 50}, empty{0, 50};
    struct Case {
        const char* what;
        HWND hwnd;
        const POINT* from;
        SIZE size;
        BOOL result;
    } cases[] = {
        {"wider than the source", window, nullptr, wide, FALSE},
        {"from inside, reaching past the right edge", window, &inside, whole, FALSE},
        {"an empty size", window, nullptr, empty, FALSE},
        {"a window that is not layered", plain, nullptr, whole, FALSE},
        {"the whole source", window, nullptr, whole, TRUE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(::UpdateLayeredWindow(c.hwnd, nullptr, &at, &c.size, hdc, c.from, 0, &blend, ULW_ALPHA), c.result)
            << c.what;
    }
    RECT rc{};
    ::GetWindowRect(window, &rc);
    EXPECT_TRUE(SameRect(rc, RECT{120, 130, 170, 180}));
    ::GetWindowRect(plain, &rc);
    EXPECT_TRUE(SameRect(rc, RECT{100, 100, 160, 140})) << "a refused update changes nothing";
    cairo_destroy(cr);
    cairo_surface_destroy(source);
}

TEST_F(LayeredXTest, ClicksInARegionsHoleReachTheWindowBelow) {
    const wchar_t* layout = L"<Window size=\"300,200\"><VerticalLayout bkcolor=\"#FF2B8CF4\"/></Window>";
    CTestWindow below{layout, L"DuiTestBelow"}, frame{layout, L"DuiTestFrame"};
    std::vector<std::wstring> presses;
    auto recordPresses = [&](const wchar_t* name) {
        return [&presses, name](UINT uMsg, WPARAM, LPARAM, BOOL&) -> LRESULT {
            if (uMsg == WM_LBUTTONDOWN) presses.push_back(name);
            return 0;
        };
    };
    below.onCustom = recordPresses(L"below");
    frame.onCustom = recordPresses(L"frame");
    ASSERT_NE(below.Create(0, L"", kDialog, 0, 200, 150, 0, 0), 0u);
    ASSERT_NE(frame.Create(0, L"", kDialog, 0, 200, 150, 0, 0), 0u);
    ShowAndWait(below, false);
    ShowAndWait(frame, false);
    HRGN region = ::CreateRectRgn(0, 0, 300, 200);
    HRGN hole = ::CreateRectRgn(50, 50, 250, 150);
    ASSERT_EQ(::CombineRgn(region, region, hole, RGN_DIFF), COMPLEXREGION);
    ::DeleteObject(hole);
    ASSERT_TRUE(::SetWindowRgn(frame, region, TRUE));
    hook->RunWithDriver([&] {
        ASSERT_TRUE(WaitUntil([&] { return ShapeCount(x.display, frame, ShapeBounding) == 4; }));
        Xdotool({"mousemove", Num(200 + 150), Num(150 + 100), "click", "1"});
        ASSERT_TRUE(hook->WaitFor([&] { return presses.size() == 1; }));
        Xdotool({"mousemove", Num(200 + 20), Num(150 + 20), "click", "1"});
        ASSERT_TRUE(hook->WaitFor([&] { return presses.size() == 2; }));
        EXPECT_EQ(hook->Call([&] { return presses; }).value_or(std::vector<std::wstring>{}),
                  (std::vector<std::wstring>{L"below", L"frame"}));
        SaveWindowPng(frame, "layered_region_frame.png");
    });
    ::DestroyWindow(frame);
    ::DestroyWindow(below);
}

TEST_F(LayeredXTest, MaximiseFillsTheWorkAreaDropsRoundCornersAndRestoreReturns) {
    CTestWindow window{L"<Window size=\"300,200\" roundcorner=\"8,8\"><VerticalLayout bkcolor=\"#FFFFFFFF\"/></Window>",
                       L"DuiTestZoom"};
    ASSERT_NE(window.Create(0, L"", WS_OVERLAPPEDWINDOW, 0, 200, 150, 0, 0), 0u);
    ShowAndWait(window, false);
    auto roundCorners = [&] {
        const auto mask = ShapeMask(x.display, window, ShapeBounding, 300, 200);
        return !mask[0] && mask[150] && mask[100 * 300 + 0] && !mask[199 * 300 + 299];
    };
    hook->RunWithDriver([&] {
        ASSERT_TRUE(WaitUntil(roundCorners));
        hook->Run([&] { ::SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0); });
        ASSERT_TRUE(WaitUntil([&] {
            RECT rc{};
            return XGeometry(window, &rc) && SameRect(rc, RECT{0, 0, 1920, 1080});
        }));
        EXPECT_TRUE(hook->Call([&] { return ::IsZoomed(window) != FALSE; }).value_or(false));
        EXPECT_EQ(ShapeCount(x.display, window, ShapeBounding), 1) << "a maximised window is square";
        hook->Run([&] { ::SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0); });
        ASSERT_TRUE(WaitUntil([&] {
            RECT rc{};
            return XGeometry(window, &rc) && SameRect(rc, RECT{200, 150, 500, 350}) && roundCorners();
        }));
        EXPECT_FALSE(hook->Call([&] { return ::IsZoomed(window) != FALSE; }).value_or(true));
        // Minimising needs a window manager; with none the window stays as it is.
        hook->Run([&] { ::SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0); });
        EXPECT_FALSE(::IsIconic(window));
        EXPECT_EQ(Attributes(x.display, window).map_state, IsViewable);
    });
    ::DestroyWindow(window);
}

TEST_F(LayeredXTest, PointerOntoAChildWindowLeavesTheParentAndBackEntersIt) {
    CTestWindow parent{L"<Window size=\"300,200\"><VerticalLayout bkcolor=\"#FFFFFFFF\"/></Window>",
                       L"DuiTestParent"};
    CTestWindow child{L"<Window><VerticalLayout bkcolor=\"#FF2B8CF4\"/></Window>", L"DuiTestChild"};
    std::vector<std::wstring> log;
    auto record = [&](const wchar_t* name) {
        return [&log, name](UINT uMsg, WPARAM, LPARAM, BOOL&) -> LRESULT {
            if (uMsg != WM_MOUSEMOVE && uMsg != WM_MOUSELEAVE) return 0;
            const std::wstring entry = std::wstring(name) + (uMsg == WM_MOUSEMOVE ? L" move" : L" leave");
            if (log.empty() || log.back() != entry) log.push_back(entry);
            return 0;
        };
    };
    parent.onCustom = record(L"parent");
    child.onCustom = record(L"child");
    ASSERT_NE(parent.Create(0, L"", kDialog, 0, 200, 150, 0, 0), 0u);
    ASSERT_NE(child.Create(parent, L"", UI_WNDSTYLE_CHILD, 0, 100, 50, 100, 100), 0u);
    ShowAndWait(parent, false);
    ShowAndWait(child, false);
    // The child keeps its place in the parent.
    int rootX = 0, rootY = 0;
    Window inside = 0;
    XTranslateCoordinates(x.display, child, DefaultRootWindow(x.display), 0, 0, &rootX, &rootY, &inside);
    EXPECT_EQ(rootX, 300);
    EXPECT_EQ(rootY, 200);
    hook->RunWithDriver([&] {
        Xdotool({"mousemove", "5", "5"});
        Xdotool({"mousemove", Num(200 + 20), Num(150 + 20)});
        ASSERT_TRUE(hook->WaitFor([&] { return !log.empty() && log.back() == L"parent move"; }));
        hook->Run([&] { log = {L"parent move"}; });
        Xdotool({"mousemove", Num(200 + 150), Num(150 + 100)});
        ASSERT_TRUE(hook->WaitFor([&] { return log.back() == L"child move"; }));
        Xdotool({"mousemove", Num(200 + 30), Num(150 + 30)});
        ASSERT_TRUE(hook->WaitFor([&] { return log.back() == L"parent move" && log.size() > 1; }));
        EXPECT_EQ(hook->Call([&] { return log; }).value_or(std::vector<std::wstring>{}),
                  (std::vector<std::wstring>{L"parent move", L"parent leave", L"child move", L"child leave",
                                             L"parent move"}));
    });
    ::DestroyWindow(parent);
    EXPECT_FALSE(::IsWindow(child));
}

TEST_F(LayeredXTest, OwnedWindowsEndBeforeTheirOwner) {
    const wchar_t* layout = L"<Window size=\"100,100\"><Control/></Window>";
    CTestWindow owner{layout, L"DuiTestOwner"}, owned{layout, L"DuiTestOwned"}, grandchild{layout, L"DuiTestOwned2"};
    std::vector<std::string> finals;
    owner.onFinal = [&] { finals.push_back("owner"); };
    owned.onFinal = [&] { finals.push_back("owned"); };
    grandchild.onFinal = [&] { finals.push_back("owned by owned"); };
    ASSERT_NE(owner.Create(0, L"", kDialog, 0, 10, 10, 0, 0), 0u);
    ASSERT_NE(owned.Create(owner, L"", kDialog, 0, 20, 20, 0, 0), 0u);
    ASSERT_NE(grandchild.Create(owned, L"", kDialog, 0, 30, 30, 0, 0), 0u);
    ::DestroyWindow(owner);
    EXPECT_EQ(finals, (std::vector<std::string>{"owned by owned", "owned", "owner"}));
}

}  // namespace
}  // namespace DuiLib::test
