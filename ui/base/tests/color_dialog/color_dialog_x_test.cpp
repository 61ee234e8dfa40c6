// The colour chooser on Xvfb (no window manager), driven with xdotool from a driver thread
// while ChooseColorW runs its modal loop on the main thread: a swatch and OK, typed R, G
// and B values seen on screen, Escape, and the hook placing the dialog before it shows.
// Pictures of the dialog are kept as artefacts.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

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
#include "ui/base/color_dialog/choose_color.h"
#include "ui/base/color_dialog/color_palette.h"
#include "ui/base/window_impl_base_impl.h"

namespace {

using DuiLib::color_dialog::MakeColorRef;
using DuiLib::test::WaitUntil;
using DuiLib::test::Xdotool;

std::string Num(long v) { return std::to_string(v); }

class COwnerWindow : public DuiLib::WindowImplBaseImpl {
public:
    const wchar_t* GetWindowClassName() const override { return L"ColorDialogTestOwner"; }
    DuiLib::CDuiString GetSkinFile() override {
        return L"<Window size=\"600,450\"><VerticalLayout bkcolor=\"#FFDDDDDD\"/></Window>";
    }
};

// The hook moves the dialog to a fixed place, as the whiteboard toolbar's centres it.
int gHookCalls = 0;
UINT_PTR PlacingHook(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    ++gHookCalls;
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    ::MoveWindow(hwnd, 40, 30, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    return 0;
}

struct ColorDialogXTest : testing::Test {
    void SetUp() override {
        if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "no X server";
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        hook = std::make_unique<DuiLib::test::CUiThreadHook>();
        ASSERT_NE(owner.Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0, 100, 100, 0, 0), 0u);
        owner.ShowWindow(true, true);
        gHookCalls = 0;
        cc.hwndOwner = owner;
        cc.rgbResult = kSentinel;
        cc.lpCustColors = custom;
        cc.Flags = CC_RGBINIT | CC_ENABLEHOOK;
        cc.lpfnHook = PlacingHook;
    }
    void TearDown() override {
        if (::IsWindow(owner)) ::DestroyWindow(owner);
        hook.reset();
    }
    HWND WaitForDialog() {
        return DuiLib::test::WaitForWindowOfClass("UIColorDialog");
    }
    // The driver on its own thread; a failed driver closes the dialog it left open.
    std::thread Drive(std::function<void()> body) {
        return std::thread([this, body] {
            body();
            if (!HasFailure()) return;
            hook->Run([] {
                if (const HWND left = ::FindWindowW(L"UIColorDialog", nullptr)) ::PostMessageW(left, WM_CLOSE, 99, 0);
            });
        });
    }
    POINT CentreOf(HWND dialog, const wchar_t* name) {
        return DuiLib::test::ControlCentreOnScreen(*hook, dialog, name);
    }
    void ClickOn(HWND dialog, const wchar_t* name) {
        const POINT pt = CentreOf(dialog, name);
        ASSERT_GE(pt.x, 0) << "no control " << DuiLib::CDuiString(name).GetData();
        Xdotool({"mousemove", Num(pt.x), Num(pt.y), "click", "1"});
    }
    // The preview's colour on screen equals `rgb` (0x00RRGGBB) within the wait.
    bool PreviewShows(HWND dialog, uint32_t rgb) {
        auto connection = zovi::platform::CScreenConnection::Open();
        if (!connection) return false;
        const POINT centre = CentreOf(dialog, L"preview");
        RECT rc{};
        if (!DuiLib::test::XGeometry(dialog, &rc)) return false;
        return WaitUntil([&] {
            auto picture = zovi::platform::GrabWindow(*connection, dialog);
            return picture && (picture->PixelAt(centre.x - rc.left, centre.y - rc.top) & 0xFFFFFF) == rgb;
        });
    }
    void SavePicture(HWND dialog, const std::string& name) {
        const std::string artefacts = std::string(ZOVI_TEST_BIN_DIR) + "/artefacts";
        std::filesystem::create_directories(artefacts);
        EXPECT_TRUE(DuiLib::test::SaveWindowPng(dialog, artefacts + "/" + name + ".png"));
    }

    static constexpr COLORREF kSentinel = MakeColorRef(0x12, 0x34, 0x56);
    std::unique_ptr<DuiLib::test::CUiThreadHook> hook;
    COwnerWindow owner;
    COLORREF custom[16] = {};
    CHOOSECOLORW cc{};
};

TEST_F(ColorDialogXTest, ASwatchThenOkReturnsItsColourWhereTheHookPlacedTheDialog) {
    std::thread driver = Drive([&] {
        const HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        ASSERT_TRUE(PreviewShows(dialog, 0x123456));
        RECT rc{};
        ASSERT_TRUE(DuiLib::test::XGeometry(dialog, &rc));
        EXPECT_EQ(rc.left, 40);
        EXPECT_EQ(rc.top, 30);
        ClickOn(dialog, L"swatch21");  // pure blue
        EXPECT_TRUE(PreviewShows(dialog, 0x0000FF));
        ClickOn(dialog, L"btnAddCustom");
        SavePicture(dialog, "color_dialog_swatch");
        ClickOn(dialog, L"btnOK");
    });
    const BOOL result = ChooseColorW(&cc);
    driver.join();
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(cc.rgbResult, MakeColorRef(0, 0, 255));
    EXPECT_EQ(custom[0], MakeColorRef(0, 0, 255));
    EXPECT_EQ(gHookCalls, 1);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(ColorDialogXTest, TypedValuesShowInThePreviewAndAreReturned) {
    std::thread driver = Drive([&] {
        const HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        ASSERT_TRUE(PreviewShows(dialog, 0x123456));  // on screen
        ASSERT_TRUE(hook->WaitFor([dialog] { return ::GetFocus() == dialog; }));
        for (const auto& [field, value] : {std::pair{L"editR", "10"}, {L"editG", "200"}, {L"editB", "30"}}) {
            ClickOn(dialog, field);
            Xdotool({"key", "End", "BackSpace", "BackSpace", "BackSpace", "BackSpace"});
            Xdotool({"type", "--delay", "30", value});
        }
        EXPECT_TRUE(PreviewShows(dialog, 0x0AC81E));
        SavePicture(dialog, "color_dialog_typed");
        ClickOn(dialog, L"btnOK");
    });
    const BOOL result = ChooseColorW(&cc);
    driver.join();
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(cc.rgbResult, MakeColorRef(10, 200, 30));
}

TEST_F(ColorDialogXTest, EscapeCancelsAndLeavesTheCallersValues) {
    std::thread driver = Drive([&] {
        const HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        ASSERT_TRUE(PreviewShows(dialog, 0x123456));  // on screen
        ASSERT_TRUE(hook->WaitFor([dialog] { return ::GetFocus() == dialog; }));
        ClickOn(dialog, L"swatch16");
        ClickOn(dialog, L"btnAddCustom");
        EXPECT_TRUE(PreviewShows(dialog, 0xFF0000));
        Xdotool({"key", "Escape"});
    });
    const BOOL result = ChooseColorW(&cc);
    driver.join();
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(cc.rgbResult, kSentinel);
    EXPECT_EQ(custom[0], 0u);
    EXPECT_EQ(gHookCalls, 1);
}

}  // namespace
