// The whiteboard on the test X server, laid over a white helper window of another
// client, driven with XTest as a person would: shapes dragged in each mode appear in a
// grab of the root window at the dragged places in the chosen colour, the helper window
// shows through where nothing is drawn, revoke and clear take shapes away, and in
// pointer mode clicks off the drawings reach the helper window while drawing modes catch
// them all. Each test runs on the plain server and with xcompmgr running.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (Bool, None) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/window/window.h"
#include "skin/skin_archive_data.h"
#include "ui/recording/capture_main/capture_window_hooks.h"
#include "ui/recording/wb_toolbar/ui_wb_tool_bar.h"
#include "ui/recording/whiteboard/ui_white_board_frame_ex.h"

extern char** environ;

namespace {

using DuiLib::CUIWhiteBoardFrameEx;
using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;

// The recorded area the whiteboard lies over, in screen coordinates.
constexpr RECT kArea{100, 100, 740, 520};
constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

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

// A white window of another client under the whole area, counting the presses it gets.
// Used from one thread at a time.
class CHelperBelow {
public:
    CHelperBelow() {
        Display* d = x_.display;
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = WhitePixel(d, DefaultScreen(d));
        attributes.event_mask = ButtonPressMask;
        window_ = XCreateWindow(d, DefaultRootWindow(d), kArea.left - 20, kArea.top - 20,
                                kArea.right - kArea.left + 40, kArea.bottom - kArea.top + 40, 0, CopyFromParent,
                                InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask,
                                &attributes);
        XMapRaised(d, window_);
        XSync(d, False);
    }
    ~CHelperBelow() {
        XDestroyWindow(x_.display, window_);
        XSync(x_.display, False);
    }
    // Presses that arrived since the last call.
    int TakePresses() {
        XSync(x_.display, False);
        int count = 0;
        XEvent event{};
        while (XCheckWindowEvent(x_.display, window_, ButtonPressMask, &event)) ++count;
        return count;
    }
    // The colour (0xRRGGBB) the screen shows at a root point.
    uint32_t RootPixel(POINT at) {
        XImage* image = XGetImage(x_.display, DefaultRootWindow(x_.display), at.x, at.y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0xDEADBEEF;
        const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }
    // The area as the screen shows it, as a PNG.
    bool SaveArea(const std::string& path) {
        const int width = kArea.right - kArea.left, height = kArea.bottom - kArea.top;
        XImage* image = XGetImage(x_.display, DefaultRootWindow(x_.display), kArea.left, kArea.top, width, height,
                                  AllPlanes, ZPixmap);
        if (!image) return false;
        cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        unsigned char* data = cairo_image_surface_get_data(png);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(png));
            for (int x = 0; x < width; ++x) row[x] = static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
        }
        cairo_surface_mark_dirty(png);
        const bool ok = cairo_surface_write_to_png(png, path.c_str()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(png);
        XDestroyImage(image);
        return ok;
    }

private:
    XConnection x_;
    Window window_ = 0;
};

bool IsColour(uint32_t rgb, uint32_t argb) {
    for (int shift : {0, 8, 16}) {
        const int shown = static_cast<int>((rgb >> shift) & 0xFF), wanted = static_cast<int>((argb >> shift) & 0xFF);
        if (std::abs(shown - wanted) > 40) return false;
    }
    return true;
}
bool IsWhite(uint32_t rgb) { return IsColour(rgb, 0xFFFFFFFF); }

// The whiteboard, counting the presses it takes.
class CCountingBoard : public CUIWhiteBoardFrameEx {
public:
    using CUIWhiteBoardFrameEx::CUIWhiteBoardFrameEx;
    int presses = 0;

protected:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_LBUTTONDOWN || uMsg == WM_LBUTTONDBLCLK) ++presses;
        return CUIWhiteBoardFrameEx::HandleMessage(uMsg, wParam, lParam);
    }
};

class CClosedCounter : public DuiLib::IWBStateCallback {
public:
    void OnWhiteBoardClosed() override { ++closed; }
    int closed = 0;
};

std::string Arg(int value) { return std::to_string(value); }

class WhiteBoardXTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        if (GetParam()) {
            compositor_ = std::make_unique<CCompositor>();
            ASSERT_TRUE(compositor_->Start()) << "xcompmgr did not take _NET_WM_CM_S0";
        }
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
        helper = std::make_unique<CHelperBelow>();
        // As the capture controller's opener makes it: the area given before Create.
        board = std::make_shared<CCountingBoard>(closed);
        board->SetDrawArea(kArea);
        ASSERT_NE(board->Create(0, L"", CUIWhiteBoardFrameEx::kOverlayStyle, CUIWhiteBoardFrameEx::kOverlayExStyle,
                                kArea),
                  0u);
        board->RaiseDirty();
        board->ShowWindow(true, true);
    }
    void TearDown() override {
        board.reset();
        helper.reset();
        hook.reset();
        compositor_.reset();
    }
    std::string Suffix() const { return GetParam() ? "_composited" : "_plain"; }

    // Driver thread: a mode set on the UI thread and shown (the next layer update done).
    void SelectMode(int32_t mode) {
        ASSERT_TRUE(hook->Run([&] {
            board->SetPaintMode(mode);
            board->RaiseDirty();
        }));
        ASSERT_TRUE(hook->WaitFor([&] { return board->GetDirty() == 0; }));
    }
    size_t ElementCount() { return hook->Call([&] { return board->GetElements().size(); }).value_or(0); }
    // A left-button drag through `points` (screen coordinates).
    void Drag(const std::vector<POINT>& points) {
        std::vector<std::string> args{"mousemove", Arg(points[0].x), Arg(points[0].y), "mousedown", "1"};
        for (size_t i = 1; i < points.size(); ++i) {
            for (const char* step : {"mousemove", "sleep"}) {
                args.push_back(step);
                if (std::string(step) == "mousemove") {
                    args.push_back(Arg(points[i].x));
                    args.push_back(Arg(points[i].y));
                } else {
                    args.push_back("0.03");
                }
            }
        }
        args.push_back("mouseup");
        args.push_back("1");
        ASSERT_TRUE(Xdotool(args));
    }
    void Click(POINT at) { ASSERT_TRUE(Xdotool({"mousemove", Arg(at.x), Arg(at.y), "click", "1"})); }
    bool Shows(POINT at, uint32_t argb) {
        return WaitUntil([&] { return IsColour(helper->RootPixel(at), argb); }, std::chrono::seconds(5));
    }

    std::shared_ptr<CClosedCounter> closed = std::make_shared<CClosedCounter>();
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    std::unique_ptr<CHelperBelow> helper;
    std::shared_ptr<CCountingBoard> board;

private:
    std::unique_ptr<CCompositor> compositor_;
};

INSTANTIATE_TEST_SUITE_P(Compositor, WhiteBoardXTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "WithXcompmgr" : "PlainServer";
                         });

// One shape dragged in a mode: the points it passes, the screen points that must show
// its colour and those that must still show the white window below.
struct ShapeCase {
    const char* name;
    int32_t mode;
    std::vector<POINT> drag;
    std::vector<POINT> drawn;
    std::vector<POINT> clear;
};

const std::vector<ShapeCase>& ShapeCases() {
    static const std::vector<ShapeCase> cases{
        {"pen", DuiLib::kWBModePen, {{150, 150}, {250, 152}, {350, 148}, {450, 150}},
         {{200, 151}, {300, 150}, {400, 149}}, {{300, 165}, {300, 300}}},
        {"line", DuiLib::kWBModeLine, {{150, 200}, {300, 230}, {450, 260}}, {{300, 230}, {200, 210}},
         {{300, 250}, {300, 300}}},
        {"arrow right", DuiLib::kWBModeArrow, {{150, 300}, {300, 300}, {450, 300}}, {{438, 300}, {430, 303}},
         {{462, 300}, {200, 310}}},
        {"arrow left", DuiLib::kWBModeArrow, {{450, 300}, {300, 300}, {150, 300}}, {{162, 300}, {170, 297}},
         {{138, 300}, {400, 310}}},
        {"arrow up", DuiLib::kWBModeArrow, {{300, 450}, {300, 300}, {300, 150}}, {{300, 162}, {303, 170}},
         {{300, 138}, {310, 400}}},
        {"arrow down", DuiLib::kWBModeArrow, {{300, 150}, {300, 300}, {300, 450}}, {{300, 438}, {297, 430}},
         {{300, 462}, {310, 200}}},
        {"rectangle", DuiLib::kWBModeRectangle, {{150, 150}, {300, 300}, {450, 400}},
         {{300, 150}, {150, 275}, {450, 275}, {300, 400}}, {{300, 275}, {170, 170}}},
        {"ellipse", DuiLib::kWBModeEllipse, {{150, 150}, {300, 300}, {450, 400}}, {{300, 150}, {150, 275}, {300, 400}},
         {{300, 275}, {160, 160}}},
    };
    return cases;
}

TEST_P(WhiteBoardXTest, ShapesDraggedInEachModeShowInTheScreenGrabWhereTheyWereDragged) {
    hook->RunWithDriver([&] {
        ASSERT_TRUE(hook->Run([&] {
            board->SetColor(kRed);
            board->SetLineWidth(8);
        }));
        for (const ShapeCase& c : ShapeCases()) {
            SCOPED_TRACE(c.name);
            ASSERT_TRUE(hook->Run([&] { board->Clear(); }));
            SelectMode(c.mode);
            Drag(c.drag);
            ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 1; })) << "the drag was not recorded";
            const auto element = hook->Call([&] { return *board->GetElements().back(); });
            ASSERT_TRUE(element.has_value());
            EXPECT_EQ(element->kind, c.mode);
            EXPECT_EQ(element->color, kRed);
            EXPECT_FLOAT_EQ(element->width, 8);
            EXPECT_EQ(element->startX, c.drag.front().x - kArea.left) << "client coordinates";
            EXPECT_EQ(element->endY, c.drag.back().y - kArea.top);
            if (c.mode == DuiLib::kWBModePen) {
                EXPECT_GE(element->segments.size(), c.drag.size() - 1) << "one segment a move at least";
            }
            for (const POINT& at : c.drawn) EXPECT_TRUE(Shows(at, kRed)) << "drawn at " << at.x << "," << at.y;
            for (const POINT& at : c.clear) {
                EXPECT_TRUE(IsWhite(helper->RootPixel(at))) << "the window below shows at " << at.x << "," << at.y
                                                            << ": " << std::hex << helper->RootPixel(at);
            }
        }
        // A picture of several shapes in two colours for the artefacts.
        ASSERT_TRUE(hook->Run([&] { board->Clear(); }));
        SelectMode(DuiLib::kWBModeEllipse);
        Drag({{150, 150}, {300, 250}, {450, 400}});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 1; }));
        ASSERT_TRUE(hook->Run([&] { board->SetColor(kBlue); }));
        SelectMode(DuiLib::kWBModeArrow);
        Drag({{500, 450}, {400, 360}, {300, 275}});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 2; }));
        SelectMode(DuiLib::kWBModePen);
        Drag({{160, 470}, {220, 430}, {280, 480}, {340, 430}});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 3; }));
        const auto kinds = hook->Call([&] {
            std::vector<int32_t> k;
            for (const auto& element : board->GetElements()) k.push_back(element->kind);
            return k;
        });
        EXPECT_EQ(kinds, (std::vector<int32_t>{DuiLib::kWBModeEllipse, DuiLib::kWBModeArrow, DuiLib::kWBModePen}));
        EXPECT_TRUE(Shows({300, 150}, kRed));
        EXPECT_TRUE(Shows({340, 430}, kBlue));
        EXPECT_TRUE(Shows({380, 345}, kBlue)) << "the arrow's shaft";
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        EXPECT_TRUE(helper->SaveArea(artefacts + "/whiteboard_shapes" + Suffix() + ".png"));
    });
}

TEST_P(WhiteBoardXTest, RevokeTakesTheNewestShapeAwayAndClearTakesAll) {
    hook->RunWithDriver([&] {
        ASSERT_TRUE(hook->Run([&] {
            board->SetColor(kRed);
            board->SetLineWidth(6);
            board->Revoke();  // nothing to take: no harm
        }));
        EXPECT_EQ(ElementCount(), 0u);
        SelectMode(DuiLib::kWBModeLine);
        Drag({{150, 200}, {450, 200}});
        Drag({{150, 300}, {450, 300}});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 2; }));
        ASSERT_TRUE(Shows({300, 300}, kRed));
        ASSERT_TRUE(hook->Run([&] { board->Revoke(); }));
        EXPECT_EQ(ElementCount(), 1u);
        EXPECT_TRUE(WaitUntil([&] { return IsWhite(helper->RootPixel({300, 300})); })) << "the newest line stays";
        EXPECT_TRUE(Shows({300, 200}, kRed)) << "the older line went too";
        ASSERT_TRUE(hook->Run([&] { board->Clear(); }));
        EXPECT_EQ(ElementCount(), 0u);
        EXPECT_TRUE(WaitUntil([&] { return IsWhite(helper->RootPixel({300, 200})); }));
    });
}

TEST_P(WhiteBoardXTest, PointerModeLetsClicksOffTheDrawingsThroughAndDrawingModesCatchThemAll) {
    hook->RunWithDriver([&] {
        ASSERT_TRUE(hook->Run([&] {
            board->SetColor(kRed);
            board->SetLineWidth(10);
        }));
        SelectMode(DuiLib::kWBModeLine);
        Drag({{150, 200}, {450, 200}});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 1; }));
        ASSERT_TRUE(Shows({300, 200}, kRed));
        helper->TakePresses();
        // Drawing mode: a click anywhere in the area is the whiteboard's (a line of length 0).
        const int before = board->presses;
        Click({300, 400});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 2; }));
        EXPECT_EQ(hook->Call([&] { return board->presses; }).value_or(0), before + 1);
        EXPECT_EQ(helper->TakePresses(), 0);
        const auto dot = hook->Call([&] { return *board->GetElements().back(); });
        ASSERT_TRUE(dot.has_value());
        EXPECT_EQ(dot->startX, dot->endX);
        EXPECT_EQ(dot->startY, dot->endY);
        ASSERT_TRUE(hook->Run([&] { board->Revoke(); }));

        SelectMode(DuiLib::kWBModePointer);
        Click({300, 400});
        EXPECT_TRUE(WaitUntil([&] { return helper->TakePresses() == 1; })) << "off the drawing: the window below";
        const int onLine = hook->Call([&] { return board->presses; }).value_or(0);
        Click({300, 200});
        EXPECT_TRUE(hook->WaitFor([&] { return board->presses == onLine + 1; })) << "on the drawing: the whiteboard";
        EXPECT_EQ(helper->TakePresses(), 0);
        EXPECT_EQ(ElementCount(), 1u) << "a release in pointer mode records nothing";

        // After a revoke in pointer mode the line's place lets clicks through too.
        ASSERT_TRUE(hook->Run([&] {
            board->Revoke();
            board->RaiseDirty();
        }));
        ASSERT_TRUE(hook->WaitFor([&] { return board->GetDirty() == 0; }));
        ASSERT_TRUE(WaitUntil([&] { return IsWhite(helper->RootPixel({300, 200})); }));
        Click({300, 200});
        EXPECT_TRUE(WaitUntil([&] { return helper->TakePresses() == 1; }));
    });
}

TEST_P(WhiteBoardXTest, ShortcutsRevokeAndCloseTheBoardWithItsToolbar) {
    const HWND boardWindow = board->GetHWND();
    const HWND toolbarWindow = board->GetToolBar() ? board->GetToolBar()->GetHWND() : 0;
    ASSERT_NE(toolbarWindow, 0u);
    hook->RunWithDriver([&] {
        ASSERT_TRUE(hook->Run([&] { board->SetColor(kRed); }));
        SelectMode(DuiLib::kWBModeLine);
        Drag({{150, 200}, {450, 200}});
        Drag({{150, 300}, {450, 300}});
        ASSERT_TRUE(WaitUntil([&] { return ElementCount() == 2; }));
        // The keyboard focus is where the shortcut goes: the toolbar (shown with
        // activation) hands it to the board, once.
        ASSERT_TRUE(Xdotool({"key", "ctrl+F11"}));
        EXPECT_TRUE(WaitUntil([&] { return ElementCount() == 1; }));
        ASSERT_TRUE(Xdotool({"key", "ctrl+F3"}));
        EXPECT_TRUE(hook->WaitFor([&] { return board->GetPaintMode() == DuiLib::kWBModeLine; }));
        EXPECT_EQ(ElementCount(), 1u) << "one revoke for one key";
        ASSERT_TRUE(Xdotool({"key", "Escape"}));
        EXPECT_TRUE(hook->WaitFor([&] { return !::IsWindow(boardWindow) && !::IsWindow(toolbarWindow); }));
        EXPECT_EQ(hook->Call([&] { return closed->closed; }).value_or(-1), 1) << "told once that it closed";
    });
}

TEST_P(WhiteBoardXTest, AStrokeWhoseGrabIsLostEndsAsIfReleased) {
    const HWND toolbarWindow = board->GetToolBar() ? board->GetToolBar()->GetHWND() : 0;
    ASSERT_NE(toolbarWindow, 0u);
    hook->RunWithDriver([&] {
        SelectMode(DuiLib::kWBModePen);
        ASSERT_TRUE(Xdotool({"mousemove", "150", "250", "mousedown", "1", "mousemove", "250", "250", "mousemove",
                             "350", "250"}));
        ASSERT_TRUE(hook->WaitFor([&] { return board->IsButtonDown(); }));
        ASSERT_TRUE(Shows({300, 250}, kRed)) << "the stroke while it is drawn";
        ASSERT_TRUE(hook->Run([&] { ::SetCapture(toolbarWindow); }));
        EXPECT_TRUE(hook->WaitFor([&] { return !board->IsButtonDown() && board->GetElements().size() == 1; }));
        ASSERT_TRUE(hook->Run([&] { ::ReleaseCapture(); }));
        ASSERT_TRUE(Xdotool({"mouseup", "1"}));
        EXPECT_TRUE(Shows({200, 250}, kRed)) << "the stroke so far stays";
        const auto stroke = hook->Call([&] { return *board->GetElements().back(); });
        ASSERT_TRUE(stroke.has_value());
        EXPECT_EQ(stroke->kind, DuiLib::kWBModePen);
        EXPECT_GE(stroke->segments.size(), 2u);
        ASSERT_TRUE(Xdotool({"mousemove", "450", "350"}));
        EXPECT_EQ(ElementCount(), 1u) << "moves after the lost grab draw nothing";
    });
}

// On the UI thread: dispatches messages until `condition` holds (up to 20 s).
bool PumpUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        MSG msg{};
        while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// As the capture controller's window hooks open and close it.
TEST(WhiteBoardOpenerXTest, OpensExactlyOverTheAreaNothingForAnEmptyOneAndCloseTellsTheCallback) {
    if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
    DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
    DuiLib::test::CUiThreadHook hook;
    auto hooks = std::make_shared<CaptureWindowHooks>();
    auto callback = std::make_shared<CClosedCounter>();
    hooks->OpenWhiteBoard(RECT{300, 200, 300, 500}, callback);
    EXPECT_TRUE(DuiLib::test::FindWindowsByClass("UIWhiteBoardFrameEx").empty()) << "an empty area opens nothing";
    const RECT area{60, 40, 1500, 1000};  // larger than the default drawing area
    hooks->OpenWhiteBoard(area, callback);
    HWND board = 0;
    ASSERT_TRUE(PumpUntil([&] {
        const auto found = DuiLib::test::FindWindowsByClass("UIWhiteBoardFrameEx");
        board = found.empty() ? 0 : found.front();
        return board != 0;
    }));
    RECT shown{};
    EXPECT_TRUE(PumpUntil([&] {
        return DuiLib::test::XGeometry(board, &shown) && shown.left == area.left && shown.top == area.top &&
               shown.right == area.right && shown.bottom == area.bottom;
    })) << shown.left << "," << shown.top << "," << shown.right << "," << shown.bottom;
    hooks->CloseWhiteBoard();
    EXPECT_FALSE(::IsWindow(board));
    EXPECT_EQ(callback->closed, 1);
    hooks->CloseWhiteBoard();  // nothing left to close
    EXPECT_EQ(callback->closed, 1);
}

}  // namespace
