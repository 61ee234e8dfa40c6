// The region selector on Xvfb (no window manager), made and shown as the capture main
// window does and driven with xdotool from a driver thread while its messages run on the
// main thread: the size label and the reported hole, choosing a ratio, edge drags with a
// fixed ratio and with free size, clicks through the hole, the inert frame during a
// recording, and the placement kept between runs. Pictures of the selector over a
// patterned window and over the empty screen during a recording are kept as artefacts.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/global/global.h"
#include "core/tolka/tolka_base.h"
#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/control_on_screen.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/gdi/dib_section.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/rect_selector/tests/window_below.h"
#include "ui/recording/rect_selector/ui_screen_rect_selector.h"

namespace {

using DuiLib::CUIScreenRectSelector;
using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;

constexpr DWORD kSelectorStyle = 0x96CC0000;
constexpr DWORD kSelectorExStyle = 0x88;
constexpr size_t kPlacementIndex = 1;  // "CaptureRectSelectorWindow"

std::string Num(long v) { return std::to_string(v); }

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& rc) {
    return "{" + Num(rc.left) + ", " + Num(rc.top) + ", " + Num(rc.right) + ", " + Num(rc.bottom) + "}";
}

LONG Width(const RECT& rc) { return rc.right - rc.left; }
LONG Height(const RECT& rc) { return rc.bottom - rc.top; }

// The main window's part: every hole the selector reports (UI thread).
class CHoleRecorder : public CUIScreenRectSelector::IUIScreenRectSelectorCallback {
public:
    void OnRectHeightChanged(const RECT& hole) override { holes.push_back(hole); }
    std::vector<RECT> holes;
};

struct RectSelectorXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
    }
    void TearDown() override {
        selector.reset();
        hook.reset();
    }

    static WindowPlacementEntry& Placement() { return GetGlobal().placements[kPlacementIndex]; }

    // As the main window makes and shows it, with "CaptureRectSelectFlag" = `flag`; at
    // its first opening unless `placed` (the placement of the last one kept).
    void Open(DWORD flag, bool placed = false) {
        if (!placed) Placement() = WindowPlacementEntry{};
        GetGlobal().captureRectSelectFlag = flag;
        recorder->holes.clear();
        selector = std::make_shared<CUIScreenRectSelector>(recorder);
        ASSERT_NE(selector->Create(0, L"", kSelectorStyle, kSelectorExStyle), 0u);
        selector->ShowWindow(true, true);
        hwnd = *selector;
    }

    // UI thread.
    RECT WindowRect() const {
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        return rc;
    }
    std::wstring Text(const wchar_t* control) const {
        DuiLib::CControlUI* found = selector->GetPaintManager().FindControl(control);
        return found ? found->GetText().str() : L"(none)";
    }
    std::wstring Label() const { return Text(L"lbSize"); }
    static std::wstring LabelOf(const RECT& hole) {
        return std::to_wstring(Width(hole)) + L" x " + std::to_wstring(Height(hole));
    }

    // Driver thread: the window's rectangle once the X server has it there too.
    RECT OnScreen() {
        RECT rc{}, x{};
        EXPECT_TRUE(WaitUntil([&] {
            rc = hook->Call([this] { return WindowRect(); }).value_or(RECT{});
            return DuiLib::test::XGeometry(hwnd, &x) && Same(rc, x);
        })) << "window " << Show(rc) << ", X server " << Show(x);
        return rc;
    }
    // Driver thread: waits until the window rectangle is `expected`; the last one seen.
    RECT WaitForRect(const RECT& expected) {
        RECT rc{};
        WaitUntil([&] {
            rc = hook->Call([this] { return WindowRect(); }).value_or(RECT{});
            return Same(rc, expected);
        });
        return rc;
    }
    void Drag(POINT from, LONG dx, LONG dy) {
        Xdotool({"mousemove", Num(from.x), Num(from.y), "mousedown", "1", "mousemove", Num(from.x + dx),
                 Num(from.y + dy), "mouseup", "1"});
    }
    // Driver thread: the hole last reported and the label, as one reading.
    std::pair<RECT, std::wstring> Reported() {
        return hook
            ->Call([this] {
                return std::pair{recorder->holes.empty() ? RECT{} : recorder->holes.back(), Label()};
            })
            .value_or(std::pair{RECT{}, std::wstring()});
    }

    // Driver thread: the screen at `rc` once the frame shows there in its colour (null
    // when it does not within the wait).
    std::shared_ptr<zovi::platform::CDibSection> GrabPainted(const RECT& rc) {
        auto connection = zovi::platform::CScreenConnection::Open();
        auto picture = zovi::platform::CDibSection::Create(Width(rc), Height(rc));
        if (!connection || !picture) return nullptr;
        auto frameAt = [&](LONG x, LONG y) { return (picture->PixelAt(x, y) & 0xFFFFFF) == 0x333333; };
        const bool painted = WaitUntil([&] {
            return zovi::platform::GrabScreenRect(*connection, rc, *picture, POINT{0, 0}) &&
                   frameAt(2, Height(rc) - 2) && frameAt(Width(rc) - 3, 40);
        });
        return painted ? picture : nullptr;
    }
    static void Keep(zovi::platform::CDibSection& picture, const std::string& name) {
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        EXPECT_EQ(cairo_surface_write_to_png(picture.Surface(), (artefacts + "/" + name + ".png").c_str()),
                  CAIRO_STATUS_SUCCESS);
    }

    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    std::shared_ptr<CHoleRecorder> recorder = std::make_shared<CHoleRecorder>();
    std::shared_ptr<CUIScreenRectSelector> selector;
    HWND hwnd = 0;
};

TEST_F(RectSelectorXTest, TheLabelAndTheCallbackFollowTheHole) {
    Open(CUIScreenRectSelector::kFree);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Label(), L"590 x 445");  // the layout's 600 x 480
    ::SetWindowPos(hwnd, 0, 100, 120, 650, 525, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Same(WindowRect(), RECT{100, 120, 750, 645}));  // free size: no fit
    EXPECT_EQ(Label(), L"640 x 490");
    ASSERT_FALSE(recorder->holes.empty());
    EXPECT_TRUE(Same(recorder->holes.back(), RECT{105, 150, 745, 640})) << Show(recorder->holes.back());
    // The tooltips, in the current language, with the ratio in the text.
    EXPECT_EQ(Text(L"optSel"), L"自定义");
    auto tip = [this](const wchar_t* name) {
        return selector->GetPaintManager().FindControl(name)->GetToolTip().str();
    };
    EXPECT_EQ(tip(L"optSel"), TolkaGetString(35));
    EXPECT_EQ(tip(L"opt169"), L"Keep aspect ratio (16:9) and change the window size");
    EXPECT_EQ(tip(L"opt916"), L"Keep aspect ratio (9:16) and change the window size");
    // A language change re-texts them.
    TolkaSetLang(TolkaLangChinese);
    CTolkaHelper::GetInstance()->ApplyStringsToAll();
    EXPECT_EQ(tip(L"optSel"), TolkaGetString(35));
    EXPECT_EQ(tip(L"opt169"), L"保持窗口宽高比（16:9）改变窗口大小");
    TolkaSetLang(TolkaLangEnglish);
    // The main window gone: the selector goes on without it.
    recorder.reset();
    ::SetWindowPos(hwnd, 0, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    EXPECT_EQ(Label(), L"290 x 165");
}

TEST_F(RectSelectorXTest, ChoosingARatioKeepsTheTopLeftCorner) {
    const struct {
        const char* what;
        const wchar_t* option;
        DWORD flag;
        LONG width, height;  // from 600 x 480
    } cases[] = {
        {"16:9", L"opt169", CUIScreenRectSelector::k16x9, 600, 366},
        {"4:3", L"opt43", CUIScreenRectSelector::k4x3, 600, 477},
        {"3:4", L"opt34", CUIScreenRectSelector::k3x4, 343, 480},
        {"9:16", L"opt916", CUIScreenRectSelector::k9x16, 260, 480},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open(CUIScreenRectSelector::kFree);
        ASSERT_FALSE(HasFatalFailure());
        hook->RunWithDriver([&] {
            const RECT start = OnScreen();
            ASSERT_EQ(Width(start), 600);
            ASSERT_EQ(Height(start), 480);
            const POINT at = DuiLib::test::ControlCentreOnScreen(*hook, hwnd, c.option);
            Xdotool({"mousemove", Num(at.x), Num(at.y), "click", "1"});
            const RECT expected{start.left, start.top, start.left + c.width, start.top + c.height};
            const RECT got = WaitForRect(expected);
            EXPECT_TRUE(Same(got, expected)) << Show(got) << " instead of " << Show(expected);
            const auto [hole, label] = Reported();
            EXPECT_TRUE(Same(hole, CUIScreenRectSelector::HoleOf(expected))) << Show(hole);
            EXPECT_EQ(label, LabelOf(CUIScreenRectSelector::HoleOf(expected)));
            EXPECT_EQ(hook->Call([] { return GetGlobal().captureRectSelectFlag; }), c.flag);
        });
        selector.reset();
    }
}

// Drags on the frame's edges: with a fixed ratio the hole keeps it and the corner opposite
// the dragged side stays; with free size the frame follows the pointer exactly.
TEST_F(RectSelectorXTest, EdgeDragsKeepTheRatioAndTheOppositeCorner) {
    enum Edge { kLeft, kRight, kTop, kBottom, kBottomRight };
    const struct {
        const char* what;
        DWORD flag;
        Edge edge;
        LONG dx, dy;
        RECT (*expected)(const RECT& start);
    } cases[] = {
        {"4:3, left edge", CUIScreenRectSelector::k4x3, kLeft, -100, 0,
         [](const RECT& s) {
             const LONG w = Width(s) + 100, h = (w - 10) * 3 / 4 + 35;
             return RECT{s.right - w, s.bottom - h, s.right, s.bottom};
         }},
        {"16:9, bottom edge", CUIScreenRectSelector::k16x9, kBottom, 0, 90,
         [](const RECT& s) {
             const LONG h = Height(s) + 90, w = (h - 35) * 16 / 9 + 10;
             return RECT{s.left, s.top, s.left + w, s.top + h};
         }},
        {"16:9, top edge", CUIScreenRectSelector::k16x9, kTop, 0, -60,
         [](const RECT& s) {
             const LONG h = Height(s) + 60, w = (h - 35) * 16 / 9 + 10;
             return RECT{s.left, s.bottom - h, s.left + w, s.bottom};
         }},
        {"3:4, right edge", CUIScreenRectSelector::k3x4, kRight, 40, 0,
         [](const RECT& s) {
             const LONG w = Width(s) + 40, h = (w - 10) * 4 / 3 + 35;
             return RECT{s.left, s.top, s.left + w, s.top + h};
         }},
        {"free, bottom-right corner", CUIScreenRectSelector::kFree, kBottomRight, 50, 20,
         [](const RECT& s) { return RECT{s.left, s.top, s.right + 50, s.bottom + 20}; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.flag);
        ASSERT_FALSE(HasFatalFailure());
        hook->RunWithDriver([&] {
            const RECT s = OnScreen();
            const LONG midX = (s.left + s.right) / 2, midY = (s.top + s.bottom) / 2;
            const POINT from = c.edge == kLeft    ? POINT{s.left + 2, midY}
                               : c.edge == kRight ? POINT{s.right - 3, midY}
                               : c.edge == kTop   ? POINT{midX, s.top + 2}
                               : c.edge == kBottom ? POINT{midX, s.bottom - 3}
                                                   : POINT{s.right - 3, s.bottom - 3};
            Drag(from, c.dx, c.dy);
            const RECT expected = c.expected(s);
            const RECT got = WaitForRect(expected);
            EXPECT_TRUE(Same(got, expected)) << Show(got) << " instead of " << Show(expected) << " from " << Show(s);
            const RECT hole = CUIScreenRectSelector::HoleOf(got);
            const LONG rw[] = {0, 4, 16, 3, 9}, rh[] = {0, 3, 9, 4, 16};
            if (c.flag != CUIScreenRectSelector::kFree) {  // the ratio within truncation
                EXPECT_LT(std::abs(Width(hole) * rh[c.flag] - Height(hole) * rw[c.flag]),
                          std::max(rw[c.flag], rh[c.flag]))
                    << Show(hole);
            }
            const auto [reported, label] = Reported();
            EXPECT_TRUE(Same(reported, hole)) << Show(reported);
            EXPECT_EQ(label, LabelOf(hole));
            EXPECT_TRUE(Same(OnScreen(), got));
        });
        selector.reset();
    }
}

TEST_F(RectSelectorXTest, ClicksInTheHoleReachTheWindowBelowAndTheFrameKeepsItsOwn) {
    const RECT area{300, 200, 1100, 800};
    CWindowBelow below(area);
    ASSERT_TRUE(below.Ok());
    Open(CUIScreenRectSelector::kFree);
    ASSERT_FALSE(HasFatalFailure());
    ::SetWindowPos(hwnd, 0, 400, 260, 600, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    hook->RunWithDriver([&] {
        const RECT s = OnScreen();
        const RECT hole = CUIScreenRectSelector::HoleOf(s);
        const POINT inHole{(hole.left + hole.right) / 2, (hole.top + hole.bottom) / 2};

        // On screen: the frame in its colour, the window below through the hole.
        const auto picture = GrabPainted(s);
        ASSERT_TRUE(picture);
        auto at = [&](POINT screen) { return picture->PixelAt(screen.x - s.left, screen.y - s.top) & 0xFFFFFF; };
        EXPECT_TRUE(CWindowBelow::IsPatternColour(at(inHole))) << std::hex << at(inHole);
        EXPECT_TRUE(CWindowBelow::IsPatternColour(at(POINT{hole.left + 1, hole.top + 1})));
        EXPECT_TRUE(CWindowBelow::IsPatternColour(at(POINT{hole.right - 2, hole.bottom - 2})));
        Keep(*picture, "rect_selector");

        // A click on the frame (the bar's empty part, the bottom border) stays with the
        // selector; the next press the window below sees is the one in the hole.
        Xdotool({"mousemove", Num(s.left + 20), Num(s.top + 15), "click", "1"});
        Xdotool({"mousemove", Num(s.left + 100), Num(s.bottom - 2), "click", "1"});
        Xdotool({"mousemove", Num(inHole.x), Num(inHole.y), "click", "1"});
        const std::optional<POINT> press = below.NextPress();
        ASSERT_TRUE(press.has_value());
        EXPECT_EQ(press->x, inHole.x);
        EXPECT_EQ(press->y, inHole.y);
        EXPECT_TRUE(Same(OnScreen(), s));  // the clicks moved nothing
    });
}

// A window of the test's own UI thread: once it has a click, the UI thread has taken
// every pointer event the X server sent before it.
class CProbeWindow : public DuiLib::WindowImplBaseImpl {
public:
    const wchar_t* GetWindowClassName() const override { return L"RectSelectorTestProbe"; }
    DuiLib::CDuiString GetSkinFile() override {
        return L"<Window size=\"80,60\"><Button name=\"probe\" bkcolor=\"#FF888888\"/></Window>";
    }
    void OnClick(DuiLib::TNotifyUI&) override { ++clicks; }
    int clicks = 0;
};

TEST_F(RectSelectorXTest, HiddenSizeControlsMakeTheFrameInert) {
    CProbeWindow probe;
    ASSERT_NE(probe.Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0, 10, 10, 80, 60), 0u);
    probe.ShowWindow(true, false);
    Open(CUIScreenRectSelector::k4x3);
    ASSERT_FALSE(HasFatalFailure());
    selector->ShowSizeControls(false);
    for (const wchar_t* name : {L"lbSize", L"optSel", L"opt43", L"opt169", L"opt34", L"opt916"}) {
        EXPECT_FALSE(selector->GetPaintManager().FindControl(name)->IsVisible());
    }
    hook->RunWithDriver([&] {
        const RECT s = OnScreen();
        RECT p{};
        ASSERT_TRUE(WaitUntil([&] { return DuiLib::test::XGeometry(probe, &p) && p.right > p.left; }));
        const LONG midX = (s.left + s.right) / 2, midY = (s.top + s.bottom) / 2;
        Drag(POINT{s.left + 20, s.top + 15}, 80, 60);  // the frame's caption
        Drag(POINT{s.left + 2, midY}, -90, 0);         // edges and a corner
        Drag(POINT{midX, s.bottom - 3}, 0, 70);
        Drag(POINT{s.right - 3, s.bottom - 3}, 40, 40);
        Xdotool({"mousemove", Num(s.right - 131), Num(s.top + 15), "click", "1"});  // where 16:9 was
        Xdotool({"mousemove", Num((p.left + p.right) / 2), Num((p.top + p.bottom) / 2), "click", "1"});
        ASSERT_TRUE(hook->WaitFor([&] { return probe.clicks == 1; }));
        EXPECT_TRUE(Same(hook->Call([this] { return WindowRect(); }).value_or(RECT{}), s));
        EXPECT_EQ(hook->Call([] { return GetGlobal().captureRectSelectFlag; }), CUIScreenRectSelector::k4x3);
        if (const auto picture = GrabPainted(s)) Keep(*picture, "rect_selector_recording");
        // Shown again, the frame moves.
        ASSERT_TRUE(hook->Run([this] { selector->ShowSizeControls(true); }));
        Drag(POINT{s.left + 20, s.top + 15}, 30, 40);
        const RECT expected{s.left + 30, s.top + 40, s.right + 30, s.bottom + 40};
        const RECT got = WaitForRect(expected);
        EXPECT_TRUE(Same(got, expected)) << Show(got) << " instead of " << Show(expected);
    });
    EXPECT_TRUE(selector->GetPaintManager().FindControl(L"opt43")->IsVisible());
    ::DestroyWindow(probe);
}

TEST_F(RectSelectorXTest, ThePlacementIsSavedWhenTheWindowGoesAndRestoredNextTime) {
    const RECT first{123, 145, 773, 670}, second{40, 60, 540, 460};
    // Destroyed while its owner still holds it.
    Open(CUIScreenRectSelector::kFree);
    ASSERT_FALSE(HasFatalFailure());
    ::SetWindowPos(hwnd, 0, first.left, first.top, Width(first), Height(first), SWP_NOZORDER | SWP_NOACTIVATE);
    ::DestroyWindow(hwnd);
    selector.reset();
    EXPECT_TRUE(Placement().valid);
    Open(CUIScreenRectSelector::kFree, true);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(Same(WindowRect(), first)) << Show(WindowRect());
    RECT x{};
    EXPECT_TRUE(WaitUntil([&] { return DuiLib::test::XGeometry(hwnd, &x) && Same(x, first); })) << Show(x);

    // Released by its owner with the window open, as the main window does.
    ::SetWindowPos(hwnd, 0, second.left, second.top, Width(second), Height(second), SWP_NOZORDER | SWP_NOACTIVATE);
    selector.reset();
    Open(CUIScreenRectSelector::kFree, true);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(Same(WindowRect(), second)) << Show(WindowRect());
    EXPECT_EQ(Label(), L"490 x 365");
}

}  // namespace
