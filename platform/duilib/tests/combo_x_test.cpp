// The combo's drop-down on Xvfb with no window manager, driven with XTest (xdotool) from a
// driver thread while the UI loop runs on the main thread: a click opens it (a window of
// the drop-down's class appears), a click outside closes it without a selection change,
// Escape keeps the selection, a row click raises exactly one "itemselect", and the owner
// keeps the X focus and gets no WA_INACTIVE while it is open. A screenshot of the open
// drop-down over its window is kept as a PNG artefact.
#include <gtest/gtest.h>

#include <cairo.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/duilib/controls/combo.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/recording_notifier.h"
#include "platform/duilib/test/ui_thread_hook.h"
#include "platform/duilib/test/x_test_tools.h"
#include "platform/duilib/tests/window_test_window.h"
#include "platform/duilib/window/combo_drop_window.h"
#include "platform/screen/screen_grab.h"
#include "platform/window/window.h"

namespace DuiLib::test {
namespace {

constexpr DWORD kDialog = UI_WNDSTYLE_DIALOG & ~WS_VISIBLE;

const wchar_t* const kLayout =
    L"<Window size=\"320,240\" bkcolor=\"#FFFFFFFF\"><VerticalLayout inset=\"20,20,20,20\">"
    L"<Combo name=\"combo\" height=\"30\" width=\"220\" font=\"2\">"
    L"<ListLabelElement text=\"内置麦克风\" height=\"28\"/><ListLabelElement text=\"USB Camera\" height=\"28\"/>"
    L"<ListLabelElement text=\"Virtual Camera\" height=\"28\"/><ListLabelElement text=\"No camera\" height=\"28\"/>"
    L"</Combo><Control/></VerticalLayout></Window>";

constexpr POINT kWindowAt{200, 150};

std::string Num(long v) { return std::to_string(v); }

// What the screen shows in `rc` (the drop-down over its window), as a PNG.
bool SaveScreenPng(const RECT& rc, const std::string& path) {
    auto connection = zovi::platform::CScreenConnection::Open();
    auto picture = zovi::platform::CDibSection::Create(rc.right - rc.left, rc.bottom - rc.top);
    if (!connection || !picture || !zovi::platform::GrabScreenRect(*connection, rc, *picture, POINT{0, 0})) return false;
    return cairo_surface_write_to_png(picture->Surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

struct ComboXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        hook = std::make_unique<CUiThreadHook>();
        window.onCustom = [this](UINT uMsg, WPARAM wParam, LPARAM, BOOL&) -> LRESULT {
            if (uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) ++deactivations;
            return 0;
        };
        ASSERT_NE(window.Create(0, L"", kDialog, 0, kWindowAt.x, kWindowAt.y, 0, 0), 0u);
        window.ShowWindow(true, true);
        window.GetPaintManager().AddNotifier(&log);
        combo = static_cast<CComboUI*>(window.Find(L"combo"));
        ASSERT_NE(combo, nullptr);
        combo->SelectItem(0, false, false);
        ASSERT_TRUE(WaitMappedAndFocused());
    }
    void TearDown() override {
        if (::IsWindow(window)) {
            window.GetPaintManager().RemoveNotifier(&log);
            ::DestroyWindow(window);
        }
        hook.reset();
    }
    bool WaitMappedAndFocused() {
        for (int i = 0; i < 500; ++i) {
            RECT rc{};
            std::string focus;
            if (XGeometry(window, &rc) && rc.right - rc.left == 320 && Xdotool({"getwindowfocus"}, &focus) &&
                std::stoul(focus) == window.GetHWND()) {
                return true;
            }
            MSG msg{};
            while (::PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // The combo's face on screen.
    RECT FaceOnScreen() {
        return hook->Call([this] {
                       RECT rc = combo->GetPos();
                       POINT a{rc.left, rc.top}, b{rc.right, rc.bottom};
                       ::ClientToScreen(window, &a);
                       ::ClientToScreen(window, &b);
                       return RECT{a.x, a.y, b.x, b.y};
                   })
            .value_or(RECT{});
    }
    // Clicks the face and waits for the drop-down window, as X reports it.
    HWND Open() {
        const RECT face = FaceOnScreen();
        Xdotool({"mousemove", Num((face.left + face.right) / 2), Num((face.top + face.bottom) / 2), "click", "1"});
        HWND drop = 0;
        WaitUntil([&] {
            const std::vector<HWND> found = FindWindowsByClass("DuiComboDropWindow");
            RECT rc{};
            if (found.empty() || !XGeometry(found.front(), &rc)) return false;
            drop = found.front();
            return true;
        });
        EXPECT_NE(drop, 0u) << "no drop-down window";
        EXPECT_EQ(hook->Call([this] { return combo->GetDropDownWindow(); }).value_or(0), drop);
        // The grab is in place before the test clicks elsewhere.
        EXPECT_TRUE(hook->WaitFor([drop] { return ::GetCapture() == drop; }));
        return drop;
    }
    bool WaitClosed() {
        return hook->WaitFor([this] { return !combo->IsDropped(); }) &&
               WaitUntil([] { return FindWindowsByClass("DuiComboDropWindow").empty(); });
    }
    bool OwnerHasFocus() {
        std::string focus;
        return Xdotool({"getwindowfocus"}, &focus) && std::stoul(focus) == window.GetHWND();
    }
    int CurSel() { return hook->Call([this] { return combo->GetCurSel(); }).value_or(-2); }

    std::unique_ptr<CUiThreadHook> hook;
    CTestWindow window{kLayout, L"DuiComboXWindow"};
    CComboUI* combo = nullptr;
    CRecordingNotifier log;
    int deactivations = 0;
};

TEST_F(ComboXTest, DropDownOpensClosesAndPicksWithoutTakingTheFocus) {
    hook->RunWithDriver([&] {
        // Opens below the face; an outside click closes it and selects nothing.
        HWND drop = Open();
        ASSERT_NE(drop, 0u);
        const RECT face = FaceOnScreen();
        RECT rc{};
        ASSERT_TRUE(XGeometry(drop, &rc));
        EXPECT_EQ(rc.left, face.left);
        EXPECT_EQ(rc.top, face.bottom);
        EXPECT_EQ(rc.bottom - rc.top, 4 * 28 + 2);
        EXPECT_TRUE(OwnerHasFocus());
        Xdotool({"mousemove", "40", "40", "click", "1"});
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(CurSel(), 0);

        // Escape closes it; the selection and the window stay.
        ASSERT_NE(Open(), 0u);
        Xdotool({"key", "Down"});
        ASSERT_TRUE(hook->WaitFor([&] { return combo->GetHotItem() == 1; }));
        Xdotool({"key", "Escape"});
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(CurSel(), 0);
        EXPECT_TRUE(hook->Call([&] { return ::IsWindow(window) != FALSE; }).value_or(false));

        // A row click: exactly one "itemselect"; the picture shows the open list first.
        drop = Open();
        ASSERT_NE(drop, 0u);
        ASSERT_TRUE(XGeometry(drop, &rc));
        const RECT row2 = hook->Call([&] { return combo->GetItemAt(2)->GetPos(); }).value_or(RECT{});
        Xdotool({"mousemove", Num(rc.left + (row2.left + row2.right) / 2), Num(rc.top + (row2.top + row2.bottom) / 2)});
        ASSERT_TRUE(hook->WaitFor([&] { return combo->GetHotItem() == 2; }));
        hook->Run([&] { ::UpdateWindow(drop); });
        const std::string png = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts/combo_x_open.png";
        RECT owner{};
        ASSERT_TRUE(XGeometry(window, &owner));
        ASSERT_TRUE(WaitUntil([&] { return SaveScreenPng(owner, png); }));
        Xdotool({"click", "1"});
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(CurSel(), 2);
        hook->Run([] {});
        EXPECT_EQ(hook->Call([&] { return log.Lines(); }).value_or(std::vector<std::wstring>{}),
                  std::vector<std::wstring>{L"itemselect:combo"});

        // Through all of it the owner kept the X focus and was never deactivated.
        EXPECT_TRUE(OwnerHasFocus());
        EXPECT_EQ(hook->Call([&] { return deactivations; }).value_or(-1), 0);

        // The open drop-down showed over its window: the selected row in the accent.
        SurfacePtr picture(cairo_image_surface_create_from_png(png.c_str()));
        ASSERT_EQ(cairo_surface_status(picture.get()), CAIRO_STATUS_SUCCESS);
        const LONG y0 = rc.top - owner.top, x0 = rc.left - owner.left;
        EXPECT_EQ(PixelAt(picture.get(), x0 + 4, y0 + 3) & 0xFFFFFF, 0x2B8CF4u) << "the selected row";
        EXPECT_EQ(PixelAt(picture.get(), x0 + 4, y0 + 2 * 28 + 3) & 0xFFFFFF, 0xF0F0F0u) << "the hot row";

        // The face now shows the picked row's text.
        const std::string after = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts/combo_x_face.png";
        hook->Run([&] { ::UpdateWindow(window); });
        ASSERT_TRUE(WaitUntil([&] { return SaveWindowPng(window, after); }));
        SurfacePtr facePicture(cairo_image_surface_create_from_png(after.c_str()));
        const RECT faceText{face.left - owner.left + 8, face.top - owner.top + 2, face.right - owner.left - 24,
                            face.bottom - owner.top - 2};
        EXPECT_GT(CountPixelsUnlike(facePicture.get(), faceText, 0xFFFFFF), 20);
    });
}

}  // namespace
}  // namespace DuiLib::test
