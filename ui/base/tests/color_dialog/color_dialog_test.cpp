// The colour chooser on offscreen windows with the built-in skin, driven from inside its
// modal loop: what each way of closing returns, the custom colours written back only on
// OK, the starting colour, the R, G and B fields, the hook, and a picture of the dialog.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/core/window/window_impl_base.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/window_input.h"
#include "platform/window/present.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/base/color_dialog/choose_color.h"
#include "ui/base/color_dialog/color_palette.h"

namespace {

using namespace DuiLib::color_dialog;
using Custom = std::array<COLORREF, kCustomColorCount>;

constexpr UINT kStep = WM_APP + 1;
std::function<void()> gStep;

LRESULT StepProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStep && gStep) {
        gStep();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// What the hook saw.
struct HookLog {
    int calls = 0;
    HWND hwnd = 0;
    UINT message = 0;
    LPARAM lParam = 0;
};
HookLog gHook;

UINT_PTR RecordingHook(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    ++gHook.calls;
    gHook.hwnd = hwnd;
    gHook.message = message;
    gHook.lParam = lParam;
    return 0;
}

DuiLib::CPaintManagerUI& ManagerOf(HWND hwnd) {
    return dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(hwnd))->GetPaintManager();
}

DuiLib::CControlUI* Find(HWND hwnd, const std::wstring& name) { return ManagerOf(hwnd).FindControl(name.c_str()); }

// Replaces a field's text as a user would: click, to the end, erase, type.
void TypeInto(HWND hwnd, const wchar_t* field, const wchar_t* text) {
    ASSERT_TRUE(DuiLib::test::Click(hwnd, field));
    DuiLib::test::Key(hwnd, VK_END);
    for (int i = 0; i < 4; ++i) DuiLib::test::Key(hwnd, VK_BACK);
    DuiLib::test::Type(hwnd, text);
}

// The preview's colour as painted (0x00RRGGBB).
uint32_t PreviewPixel(HWND hwnd) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    auto surface = DuiLib::test::RenderToSurface(ManagerOf(hwnd), client.right, client.bottom);
    const RECT rc = Find(hwnd, L"preview")->GetPos();
    return DuiLib::test::PixelAt(surface.get(), (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2) & 0xFFFFFF;
}

struct ColorDialogTest : testing::Test {
    static void SetUpTestSuite() {
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = StepProc;
        wc.lpszClassName = L"ColorDialogTestStepper";
        ::RegisterClassExW(&wc);
    }
    void SetUp() override {
        stepper = ::CreateWindowExW(0, L"ColorDialogTestStepper", L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr,
                                    nullptr);
        ASSERT_NE(stepper, 0u);
        Reset();
    }
    // A fresh caller's structure: a sentinel colour, 16 distinct custom colours, the hook.
    void Reset() {
        gHook = {};
        for (int i = 0; i < kCustomColorCount; ++i) custom[static_cast<size_t>(i)] = MakeColorRef(i, i * 2, i * 3);
        cc.lpCustColors = custom.data();
        cc.rgbResult = kSentinel;
        cc.Flags = CC_RGBINIT | CC_ENABLEHOOK;
        cc.lpfnHook = RecordingHook;
    }
    void TearDown() override {
        ::DestroyWindow(stepper);
        gStep = nullptr;
    }
    // ChooseColorW with `steps` run on the open dialog from inside its loop; a dialog the
    // steps left open ends with a code that means neither OK nor Cancel.
    BOOL Run(const std::function<void(HWND)>& steps) {
        gStep = [&] {
            const HWND dialog = ::FindWindowW(L"UIColorDialog", nullptr);
            EXPECT_NE(dialog, 0u);
            if (!dialog) return;
            steps(dialog);
            if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_CLOSE, 99, 0);
        };
        ::PostMessageW(stepper, kStep, 0, 0);
        return ChooseColorW(&cc);
    }

    static constexpr COLORREF kSentinel = MakeColorRef(0x12, 0x34, 0x56);
    HWND stepper = 0;
    Custom custom{};
    CHOOSECOLORW cc{};
};

TEST_F(ColorDialogTest, EachWayToCloseAndWhatItLeavesInTheCallersStructure) {
    const struct {
        const char* name;
        std::function<void(HWND)> close;
        BOOL result;
    } cases[] = {
        {"OK", [](HWND h) { DuiLib::test::Click(h, L"btnOK"); }, TRUE},
        {"Cancel", [](HWND h) { DuiLib::test::Click(h, L"btnCancel"); }, FALSE},
        {"close button", [](HWND h) { DuiLib::test::Click(h, L"btnClose"); }, FALSE},
        {"Escape", [](HWND h) { DuiLib::test::Key(h, VK_ESCAPE); }, FALSE},
        {"window-manager close", [](HWND h) { ::SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); }, FALSE},
    };
    const int red = 2 * kPaletteColumns;  // the pure colours' row
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        const Custom before = custom;
        HWND seen = 0;
        const BOOL result = Run([&](HWND h) {
            seen = h;
            ASSERT_TRUE(DuiLib::test::Click(h, (L"swatch" + std::to_wstring(red)).c_str()));
            ASSERT_TRUE(DuiLib::test::Click(h, L"btnAddCustom"));
            c.close(h);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(cc.rgbResult, c.result ? MakeColorRef(255, 0, 0) : kSentinel);
        Custom expected = before;
        if (c.result) expected[0] = MakeColorRef(255, 0, 0);
        EXPECT_EQ(custom, expected);
        // The hook ran once, first, with the dialog and the caller's structure.
        EXPECT_EQ(gHook.calls, 1);
        EXPECT_EQ(gHook.hwnd, seen);
        EXPECT_EQ(gHook.message, WM_INITDIALOG);
        EXPECT_EQ(gHook.lParam, reinterpret_cast<LPARAM>(&cc));
        EXPECT_FALSE(::IsWindow(seen));
    }
}

TEST_F(ColorDialogTest, CustomColoursFillTheNextSlotsAndCanBePicked) {
    const BOOL result = Run([](HWND h) {
        for (int swatch : {2 * kPaletteColumns, 2 * kPaletteColumns + 5}) {  // red, then blue
            DuiLib::test::Click(h, (L"swatch" + std::to_wstring(swatch)).c_str());
            DuiLib::test::Click(h, L"btnAddCustom");
        }
        EXPECT_EQ(Find(h, L"custom0")->GetBkColor(), 0xFFFF0000u);
        EXPECT_EQ(Find(h, L"custom1")->GetBkColor(), 0xFF0000FFu);
        // A custom swatch makes its colour current.
        DuiLib::test::Click(h, L"custom7");
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(cc.rgbResult, MakeColorRef(7, 14, 21));
    EXPECT_EQ(custom[0], MakeColorRef(255, 0, 0));
    EXPECT_EQ(custom[1], MakeColorRef(0, 0, 255));
    EXPECT_EQ(custom[2], MakeColorRef(2, 4, 6));
}

TEST_F(ColorDialogTest, StartsAtTheCallersColourOnlyWithRgbInit) {
    for (const DWORD flags : {CC_RGBINIT, DWORD{0}}) {
        SCOPED_TRACE(flags);
        cc.Flags = flags;  // no hook either
        cc.rgbResult = MakeColorRef(0x99, 0x66, 0x33);
        const COLORREF expected = flags ? MakeColorRef(0x99, 0x66, 0x33) : 0;
        uint32_t preview = 1;
        EXPECT_EQ(Run([&](HWND h) {
                      preview = PreviewPixel(h);
                      DuiLib::test::Click(h, L"btnOK");
                  }),
                  TRUE);
        EXPECT_EQ(cc.rgbResult, expected);
        EXPECT_EQ(preview, ToArgb(expected) & 0xFFFFFF);
        EXPECT_EQ(gHook.calls, 0);
    }
}

TEST_F(ColorDialogTest, TypedValuesSetThePreviewAndTheResult) {
    Run([](HWND h) {
        if (!Find(h, L"editR")) {
            ADD_FAILURE() << "the layout's R field was not built";
            return;
        }
        EXPECT_EQ(Find(h, L"editR")->GetText(), L"18");  // the starting colour 0x123456
        EXPECT_EQ(Find(h, L"editB")->GetText(), L"86");
        TypeInto(h, L"editR", L"10");
        TypeInto(h, L"editG", L"200");
        TypeInto(h, L"editB", L"30");
        EXPECT_EQ(PreviewPixel(h), 0x0AC81Eu);
        // Beyond 255 is 255.
        TypeInto(h, L"editB", L"999");
        EXPECT_EQ(Find(h, L"editB")->GetText(), L"255");
        EXPECT_EQ(PreviewPixel(h), 0x0AC8FFu);
        // A swatch click puts its values into the fields.
        DuiLib::test::Click(h, (L"swatch" + std::to_wstring(2 * kPaletteColumns + 1)).c_str());  // orange
        EXPECT_EQ(Find(h, L"editR")->GetText(), L"255");
        EXPECT_EQ(Find(h, L"editG")->GetText(), L"128");
        EXPECT_EQ(Find(h, L"editB")->GetText(), L"0");
        TypeInto(h, L"editG", L"64");
        DuiLib::test::Click(h, L"btnOK");
    });
    EXPECT_EQ(cc.rgbResult, MakeColorRef(255, 64, 0));
}

TEST_F(ColorDialogTest, RefusesAMissingOrWrongSizedStructure) {
    EXPECT_EQ(ChooseColorW(nullptr), FALSE);
    cc.lStructSize = sizeof(CHOOSECOLORW) - 4;
    EXPECT_EQ(ChooseColorW(&cc), FALSE);
    EXPECT_EQ(gHook.calls, 0);
    EXPECT_EQ(::FindWindowW(L"UIColorDialog", nullptr), 0u);
}

TEST_F(ColorDialogTest, PictureOfTheDialogInChinese) {
    TolkaSetLang(TolkaLangChinese);
    Run([](HWND h) {
        DuiLib::test::Click(h, (L"swatch" + std::to_wstring(2 * kPaletteColumns + 5)).c_str());
        DuiLib::test::Click(h, L"btnAddCustom");
        RECT client{};
        ::GetClientRect(h, &client);
        auto surface = DuiLib::test::RenderToSurface(ManagerOf(h), client.right, client.bottom);
        EXPECT_NE(DuiLib::test::SaveArtefact(surface.get(), "color_dialog_zh"), "");
        EXPECT_EQ(Find(h, L"btnOK")->GetText(), L"确定");
        EXPECT_EQ(Find(h, L"lblCustom")->GetText(), L"自定义颜色");
        // The custom slot just filled is marked with the accent border; the bottom bar is grey.
        const RECT swatch = Find(h, L"custom0")->GetPos();
        EXPECT_EQ(DuiLib::test::PixelAt(surface.get(), swatch.left, (swatch.top + swatch.bottom) / 2) & 0xFFFFFF,
                  0x2B8CF4u);
        EXPECT_EQ(DuiLib::test::PixelAt(surface.get(), 200, client.bottom - 5) & 0xFFFFFF, 0xF0F0F0u);
    });
    TolkaSetLang(TolkaLangEnglish);
}

}  // namespace

int main(int argc, char** argv) {
    zovi::platform::UseOffscreenWindows();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
