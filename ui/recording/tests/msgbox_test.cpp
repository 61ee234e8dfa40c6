// The message box on offscreen windows with the built-in skin: which buttons show, where,
// and what each way of closing it returns.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/duilib/controls/control.h"
#include "platform/duilib/controls/rich_edit.h"
#include "platform/duilib/core/resources/skin_archive.h"
#include "platform/duilib/test/manager_driver.h"
#include "platform/duilib/test/offscreen_render.h"
#include "platform/duilib/test/window_input.h"
#include "platform/window/present.h"
#include "skin/skin_archive_data.h"
#include "tolka.h"
#include "ui/recording/msgbox/ui_msg_box.h"

namespace {

using DuiLib::CUIMsgBox;

constexpr UINT kStep = WM_APP + 1;
std::function<void()> gStep;

// A plain window whose posted kStep runs the current step from inside the modal loop.
LRESULT StepProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStep && gStep) {
        gStep();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

struct MsgBoxTest : testing::Test {
    static void SetUpTestSuite() {
        DuiLib::SetSkinArchive(zovi::skin::kSkinZip, zovi::skin::kSkinZipSize);
        TolkaSetLang(TolkaLangEnglish);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = StepProc;
        wc.lpszClassName = L"MsgBoxTestStepper";
        ::RegisterClassExW(&wc);
    }
    void SetUp() override {
        stepper = ::CreateWindowExW(0, L"MsgBoxTestStepper", L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
        ASSERT_NE(stepper, 0u);
    }
    void TearDown() override {
        ::DestroyWindow(stepper);
        gStep = nullptr;
    }
    HWND stepper = 0;
};

TEST_F(MsgBoxTest, ButtonsShownAndTheResultOfEachWayToClose) {
    enum Action { kOK, kCancel, kClose, kEscape, kWindowManager };
    const char* const names[] = {"OK", "Cancel", "btnClose", "Escape", "window-manager close"};
    for (UINT buttons = 0; buttons <= 3; ++buttons) {
        for (Action action : {kOK, kCancel, kClose, kEscape, kWindowManager}) {
            SCOPED_TRACE(testing::Message() << "buttons " << buttons << ", " << names[action]);
            auto box = std::make_shared<CUIMsgBox>(L"Title 标题", L"Text 文字", buttons);
            const HWND hwnd = box->Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG, WS_EX_TOOLWINDOW);
            ASSERT_NE(hwnd, 0u);
            DuiLib::CPaintManagerUI& pm = box->GetPaintManager();
            DuiLib::CControlUI* ok = pm.FindControl(L"btnOK");
            DuiLib::CControlUI* cancel = pm.FindControl(L"btnCancel");
            ASSERT_NE(ok, nullptr);
            ASSERT_NE(cancel, nullptr);
            EXPECT_EQ(ok->IsVisible(), (buttons & 1) != 0);
            EXPECT_EQ(cancel->IsVisible(), (buttons & 2) != 0);
            if (ok->IsVisible()) {
                EXPECT_EQ(ok->GetText(), L"OK");
            }
            if (cancel->IsVisible()) {
                EXPECT_EQ(cancel->GetText(), L"Cancel");
            }
            EXPECT_EQ(pm.FindControl(L"title")->GetText(), L"Title 标题");
            EXPECT_EQ(pm.FindControl(L"text")->GetText(), L"Text 文字");

            // A hidden button cannot be used: the box is then closed with btnClose.
            bool available = true;
            UINT expected = IDCANCEL;
            gStep = [&] {
                switch (action) {
                    case kOK:
                        available = ok->IsVisible();
                        expected = available ? IDOK : IDCANCEL;
                        DuiLib::test::Click(hwnd, available ? L"btnOK" : L"btnClose");
                        break;
                    case kCancel:
                        available = cancel->IsVisible();
                        DuiLib::test::Click(hwnd, available ? L"btnCancel" : L"btnClose");
                        break;
                    case kClose: DuiLib::test::Click(hwnd, L"btnClose"); break;
                    case kEscape: DuiLib::test::Key(hwnd, VK_ESCAPE); break;
                    case kWindowManager: ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); break;
                }
                // A box the action left open ends with a code no row expects.
                if (::IsWindow(hwnd)) ::PostMessageW(hwnd, WM_CLOSE, 99, 0);
            };
            ::PostMessageW(stepper, kStep, 0, 0);
            EXPECT_EQ(box->ShowModal(), expected);
            EXPECT_FALSE(::IsWindow(hwnd));
        }
    }
}

TEST_F(MsgBoxTest, WithBothButtonsCancelStandsLeftOfOk) {
    auto box = std::make_shared<CUIMsgBox>(L"t", L"x", 3);
    ASSERT_NE(box->Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG, WS_EX_TOOLWINDOW), 0u);
    auto single = std::make_shared<CUIMsgBox>(L"t", L"x", 1);
    ASSERT_NE(single->Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG, WS_EX_TOOLWINDOW), 0u);
    DuiLib::test::PumpUntilIdle();  // painted: laid out after the buttons were hidden
    DuiLib::CPaintManagerUI& pm = box->GetPaintManager();
    const RECT ok = pm.FindControl(L"btnOK")->GetPos();
    const RECT cancel = pm.FindControl(L"btnCancel")->GetPos();
    EXPECT_LT(cancel.right, ok.left);
    EXPECT_EQ(ok.right - ok.left, 60);
    EXPECT_EQ(cancel.right - cancel.left, 60);
    // With Cancel hidden, OK keeps its place at the right.
    EXPECT_EQ(single->GetPaintManager().FindControl(L"btnOK")->GetPos().right, ok.right);
    ::DestroyWindow(*box);
    ::DestroyWindow(*single);
}

TEST_F(MsgBoxTest, ALongTextWrapsAndScrollsAShortOneDoesNot) {
    const std::wstring paragraph =
        L"录制已停止，因为磁盘空间不足。The recording stopped because the disk is full; free some space "
        L"or choose another folder in the settings.\r\n";
    struct Case {
        const char* artefact;
        std::wstring text;
        bool scrolls;
    };
    const Case cases[] = {{"msgbox_short_text", L"文件已保存。\r\nThe file was saved.", false},
                          {"msgbox_long_text", paragraph + paragraph + paragraph, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.artefact);
        auto box = std::make_shared<CUIMsgBox>(L"Zovi录屏 提示", c.text.c_str(), CUIMsgBox::kButtonOK);
        ASSERT_NE(box->Create(0, L"", DuiLib::UI_WNDSTYLE_DIALOG, WS_EX_TOOLWINDOW), 0u);
        DuiLib::test::PumpUntilIdle();
        DuiLib::CPaintManagerUI& pm = box->GetPaintManager();
        auto* text = static_cast<DuiLib::CRichEditUI*>(pm.FindControl(L"text")->GetInterface(L"RichEdit"));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->GetText(), c.text);
        ASSERT_NE(text->GetVerticalScrollBar(), nullptr);
        EXPECT_EQ(text->GetVerticalScrollBar()->IsVisible(), c.scrolls);
        EXPECT_EQ(text->GetScrollRange().cy > 0, c.scrolls);
        // The wheel over the text scrolls a long one.
        DuiLib::test::Wheel(pm, DuiLib::test::CentreOf(text->GetPos()), -120);
        EXPECT_EQ(text->GetScrollPos().cy > 0, c.scrolls);
        DuiLib::test::SurfacePtr picture = DuiLib::test::RenderToSurface(pm, 340, 180);
        DuiLib::test::SaveArtefact(picture.get(), c.artefact);
        // Text inside the view, none in its left inset.
        const RECT rc = text->GetPos();
        EXPECT_GT(DuiLib::test::CountPixelsUnlike(picture.get(), RECT{rc.left + 10, rc.top + 10, rc.right - 20, rc.bottom},
                                                  0xFFFFFF),
                  50);
        EXPECT_EQ(DuiLib::test::CountPixelsUnlike(picture.get(), RECT{rc.left, rc.top, rc.left + 9, rc.bottom}, 0xFFFFFF), 0);
        ::DestroyWindow(*box);
    }
}

TEST_F(MsgBoxTest, ShowMessageBoxByIdTakesTheTitleAndTextFromTheStringTable) {
    gStep = [] {
        const HWND hwnd = ::FindWindowW(L"UIMsgBox", nullptr);
        auto* box = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHandle(hwnd));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->GetPaintManager().FindControl(L"title")->GetText(), TolkaGetString(0));
        EXPECT_EQ(box->GetPaintManager().FindControl(L"text")->GetText(), TolkaGetString(37));
        EXPECT_TRUE(box->GetPaintManager().FindControl(L"btnCancel")->IsVisible());
        EXPECT_FALSE(box->GetPaintManager().FindControl(L"btnOK")->IsVisible());
        DuiLib::test::Click(hwnd, L"btnCancel");
    };
    ::PostMessageW(stepper, kStep, 0, 0);
    EXPECT_EQ(CUIMsgBox::ShowMessageBoxById(37, 0, CUIMsgBox::kButtonCancel), IDCANCEL);
}

}  // namespace

int main(int argc, char** argv) {
    zovi::platform::UseOffscreenWindows();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
